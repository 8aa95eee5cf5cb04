// Ranking blocks made by code for the service's tests: a good block built
// field by field, and its query, so that a bad case patches a good one.
#pragma once

#include "registration.h"

#include <array>
#include <cstdint>
#include <string>

struct BlockFields {
  std::string stamp = "98b031405090fa0002a";
  std::string name = "zq";
  std::string comment = "hello";
  std::array<uint32_t, RECORD_SLOT_COUNT> records = {1000, 2000, 3000};
};

// The block for fields, details 0x10+i, 0x20+i, 0x30+i. The name and the
// comment are cut only by their fields' sizes, so that a 16-byte name fills
// its field without a NUL.
RankingBlockBytes make_block(const BlockFields &fields = BlockFields());

// "name=zq&data=" and the block as "%XX", upper case.
std::string registration_query(const RankingBlockBytes &block);
