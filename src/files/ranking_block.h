// Layout of the 128-byte ranking block that a registration carries,
// percent-encoded, in the query of its request target. Integers are
// little-endian.
//
//   OFFSET  SIZE  MEANING
//        0    19  stamp: STAMP_TEXT of the record file's date and number
//       19     1  0
//       20    16  name: at most 15 bytes, NUL, zeros
//       36    32  comment: at most 31 bytes, NUL, zeros
//       68    12  three 32-bit record values (slots 0, 1, 2)
//       80    48  three 16-byte record details (slots 0, 1, 2)
//
// Only constants live here, so that a reader of blocks can share the layout
// without sharing the code that writes them.
#pragma once

constexpr int RANKING_BLOCK_SIZE = 128;
constexpr int BLOCK_STAMP_OFFSET = 0;
constexpr int BLOCK_STAMP_LENGTH = 19;
constexpr int BLOCK_NAME_OFFSET = 20;
constexpr int BLOCK_NAME_SIZE = 16;
constexpr int BLOCK_COMMENT_OFFSET = 36;
constexpr int BLOCK_COMMENT_SIZE = 32;
constexpr int BLOCK_VALUES_OFFSET = 68;
constexpr int BLOCK_DETAILS_OFFSET = 80;
constexpr int RECORD_SLOT_COUNT = 3;
constexpr int RECORD_VALUE_SIZE = 4;
constexpr int RECORD_DETAIL_SIZE = 16;

// Every block byte goes out as "%" and two upper-case hexadecimal digits.
constexpr int ENCODED_BLOCK_LENGTH = 3 * RANKING_BLOCK_SIZE;

// The registration CGI and the query field names in front of the data.
constexpr const char RANKING_CGI_PATH[] = "cgi-bin/rank_zq.cgi?name=zq&data=";
