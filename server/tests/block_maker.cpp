#include "block_maker.h"

#include <algorithm>
#include <cstring>

RankingBlockBytes make_block(const BlockFields &f) {
  RankingBlockBytes b{};
  auto put = [&](int offset, const std::string &text, int room) {
    memcpy(b.data() + offset, text.data(), std::min((size_t)room, text.size()));
  };
  put(BLOCK_STAMP_OFFSET, f.stamp, BLOCK_STAMP_LENGTH);
  put(BLOCK_NAME_OFFSET, f.name, BLOCK_NAME_SIZE);
  put(BLOCK_COMMENT_OFFSET, f.comment, BLOCK_COMMENT_SIZE);
  for (int slot = 0; slot < RECORD_SLOT_COUNT; slot++) {
    for (int i = 0; i < RECORD_VALUE_SIZE; i++)
      b[(size_t)(BLOCK_VALUES_OFFSET + slot * RECORD_VALUE_SIZE + i)] =
          (unsigned char)(f.records[(size_t)slot] >> (8 * i));
    for (int i = 0; i < RECORD_DETAIL_SIZE; i++)
      b[(size_t)(BLOCK_DETAILS_OFFSET + slot * RECORD_DETAIL_SIZE + i)] =
          (unsigned char)(0x10 * (slot + 1) + i);
  }
  return b;
}

std::string registration_query(const RankingBlockBytes &block) {
  static const char digits[] = "0123456789ABCDEF";
  std::string q(REGISTRATION_QUERY_PREFIX);
  for (unsigned char c : block) {
    q += '%';
    q += digits[c >> 4];
    q += digits[c & 0xF];
  }
  return q;
}
