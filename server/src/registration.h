// Reading a registration out of the ranking CGI's query: the percent-encoded
// 128-byte block and the checks it must pass before anything is stored.
//
// This is the server's own reader of the block. It shares only the layout
// constants with the program that writes blocks, so that a round trip
// between the two checks both.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "files/ranking_block.h"

// The query that the ranking CGI accepts: this text and then the block as
// "%XX" for each of its bytes, nothing before and nothing after.
constexpr std::string_view REGISTRATION_QUERY_PREFIX = "name=zq&data=";
constexpr int BLOCK_NAME_MIN_LENGTH = 2;
constexpr int BLOCK_NAME_MAX_LENGTH = BLOCK_NAME_SIZE - 1;       // 15 bytes
constexpr int BLOCK_COMMENT_MAX_LENGTH = BLOCK_COMMENT_SIZE - 1; // 31 bytes

typedef std::array<unsigned char, RANKING_BLOCK_SIZE> RankingBlockBytes;

// One registration as the block carries it. name and comment are the
// player's bytes (code page 932), without their NUL.
struct Registration {
  std::string stamp; // 19 characters
  std::string name;
  std::string comment;
  std::array<uint32_t, RECORD_SLOT_COUNT> records;
  std::array<unsigned char, RECORD_SLOT_COUNT * RECORD_DETAIL_SIZE> details;
  RankingBlockBytes block; // the whole block, as received
};

// The outcome of a check: ok, or the reason for refusing, one line of
// ASCII without a line end.
struct Verdict {
  bool ok;
  std::string reason;
};

// Decodes "name=zq&data=" and 384 characters of "%XX" into block. Upper-
// and lower-case hexadecimal digits are both taken.
Verdict decode_registration_query(std::string_view query, RankingBlockBytes &block);

// Checks a decoded block and, when it passes, fills registration:
//   bytes 0-18   the stamp: digits where "%02d%1x%02d%02d%02d%02d%03x%05x"
//                prints them (decimal, or lower-case hexadecimal)
//   byte 19      0
//   bytes 20-35  a name of 2 to 15 bytes, its NUL, zeros after it
//   bytes 36-67  a comment of 0 to 31 bytes, its NUL, zeros after it
//   bytes 68-79  three little-endian 32-bit records whose sum, wrapping at
//                32 bits, is not 0
// The detail bytes 80-127 are carried as they are.
Verdict check_ranking_block(const RankingBlockBytes &block, Registration &registration);

// Both steps in one: the query of a request to the ranking CGI.
Verdict read_registration(std::string_view query, Registration &registration);

// The stamp's date and time for people: "YY/MM/DD hh:mm:ss" (two-digit
// year, as the stamp carries it). The stamp must have passed the check.
std::string stamp_display(std::string_view stamp);
