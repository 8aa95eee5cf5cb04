// The registration target and its percent-encoded block.
#include "files/identity.h"
#include "files/ranking_block.h"
#include "files/ranking_target.h"
#include "files/record_file.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

namespace {

const std::string PREFIX = "ranking.example/cgi-bin/rank_zq.cgi?name=zq&data=";

void set_identity(const std::string &name, const std::string &comment) {
  memset(&player_identity, 0, sizeof(player_identity));
  memcpy(player_identity.name, name.data(), name.size());
  memcpy(player_identity.comment, comment.data(), comment.size());
}

// Decodes "%XX" triples; fails the test on anything else.
Bytes decode(const std::string &data) {
  Bytes out;
  EXPECT_EQ(data.size() % 3, 0u);
  for (size_t i = 0; i + 2 < data.size(); i += 3) {
    EXPECT_EQ(data[i], '%');
    for (int k = 1; k <= 2; k++)
      EXPECT_TRUE(isdigit((unsigned char)data[i + k]) ||
                  (data[i + k] >= 'A' && data[i + k] <= 'F'))
          << "digit '" << data[i + k] << "' at " << i + k;
    out.push_back((unsigned char)std::stoi(data.substr(i + 1, 2), nullptr, 16));
  }
  return out;
}

// Builds the target for the given record file into a fresh buffer and
// returns the result, the target text and the decoded block.
struct Built {
  int result;
  std::string target;
  Bytes block;
};

Built build(const Bytes &record_file, const char *host = "ranking.example") {
  write_file("zq.sav", record_file);
  char buffer[8192];
  memset(buffer, 'Z', sizeof(buffer));
  strcpy(buffer, "http://");
  int result = build_ranking_target(buffer + 7, host);
  Built b{result, buffer + 7, {}};
  if (result && b.target.size() >= 384)
    b.block = decode(b.target.substr(b.target.size() - 384));
  return b;
}

std::string text_at(const Bytes &block, int offset, int length) {
  return std::string((const char *)block.data() + offset, length);
}

TEST(RankingTarget, BuildsTheWholeTarget) {
  ScratchDirectory dir;
  set_identity("Taro", "hello");
  Built b = build(good_record_file());
  ASSERT_EQ(b.result, 1);
  ASSERT_EQ(b.target.size(), PREFIX.size() + 384);
  EXPECT_EQ(b.target.substr(0, PREFIX.size()), PREFIX);
  ASSERT_EQ(b.block.size(), 128u);
  EXPECT_EQ(text_at(b.block, 0, 20), std::string("98b031405090fa0002a\0", 20));
  EXPECT_EQ(text_at(b.block, 20, 16), std::string("Taro\0\0\0\0\0\0\0\0\0\0\0\0", 16));
  EXPECT_EQ(text_at(b.block, 36, 6), std::string("hello\0", 6));
  for (int i = 42; i < 68; i++)
    EXPECT_EQ(b.block[i], 0) << "comment padding at " << i;
  const unsigned char values[12] = {0xE8, 0x03, 0, 0, 0xD0, 0x07, 0, 0, 0xB8, 0x0B, 0, 0};
  EXPECT_EQ(memcmp(b.block.data() + 68, values, 12), 0);
  for (int slot = 0; slot < 3; slot++)
    for (int i = 0; i < 16; i++)
      EXPECT_EQ(b.block[80 + 16 * slot + i], 0x10 * (slot + 1) + i) << slot << "/" << i;
  // Letters and digits are encoded too, in upper case.
  EXPECT_EQ(b.target.substr(PREFIX.size(), 9), "%39%38%62");
  EXPECT_NE(b.target.find("%1A%1B"), std::string::npos);
}

TEST(RankingTarget, HostEndingInSlashGetsNoSecondSlash) {
  ScratchDirectory dir;
  set_identity("Taro", "");
  Built b = build(good_record_file(), "ranking.example/");
  ASSERT_EQ(b.result, 1);
  EXPECT_EQ(b.target.substr(0, PREFIX.size()), PREFIX);
}

TEST(RankingTarget, JoinPath) {
  struct Row {
    const char *base, *relative, *joined;
  };
  const Row rows[] = {{"", "cgi", ""},
                      {"a", "", "a/"},
                      {"a/", "b", "a/b"},
                      {"a", "b", "a/b"},
                      {"/", "b", "/b"}};
  for (const Row &r : rows) {
    char out[64];
    memset(out, 'Z', sizeof(out));
    join_path(out, r.base, r.relative);
    EXPECT_STREQ(out, r.joined) << r.base << " + " << r.relative;
  }
}

struct NameCase {
  const char *what;
  std::string name, comment;
  std::string block_name;    // the 16 bytes at 20
  std::string block_comment; // the 32 bytes at 36
  std::string identity_name, identity_comment;
};

TEST(RankingTarget, NameAndCommentLimits) {
  const std::string n15 = "ABCDEFGHIJKLMNO", c31(31, 'c');
  const NameCase cases[] = {
      {"2-byte name, empty comment", "ab", "", std::string("ab") + std::string(14, '\0'),
       std::string(32, '\0'), "ab", ""},
      {"15-byte name, 31-byte comment", n15, c31, n15 + '\0', c31 + '\0', n15, c31},
      {"longer texts cut in block and identity", n15 + "PQRST", c31 + "dddd", n15 + '\0',
       c31 + '\0', n15, c31},
      {"double-byte text straddling the cut keeps its first byte",
       std::string("ABCDEFGHIJKLMN") + "\x82\xa0", "",
       std::string("ABCDEFGHIJKLMN\x82\0", 16), std::string(32, '\0'),
       "ABCDEFGHIJKLMN\x82", ""},
  };
  for (const NameCase &c : cases) {
    ScratchDirectory dir;
    set_identity(c.name, c.comment);
    Built b = build(good_record_file());
    ASSERT_EQ(b.result, 1) << c.what;
    EXPECT_EQ(text_at(b.block, 20, 16), c.block_name) << c.what;
    EXPECT_EQ(text_at(b.block, 36, 32), c.block_comment) << c.what;
    EXPECT_EQ(std::string(player_identity.name), c.identity_name) << c.what;
    EXPECT_EQ(std::string(player_identity.comment), c.identity_comment) << c.what;
  }
}

TEST(RankingTarget, EmptyCommentIsThirtyTwoZeros) {
  ScratchDirectory dir;
  set_identity("Taro", "");
  Built b = build(good_record_file());
  std::string zeros;
  for (int i = 0; i < 32; i++)
    zeros += "%00";
  EXPECT_EQ(b.target.substr(PREFIX.size() + 36 * 3, 96), zeros);
}

TEST(RankingTarget, HighBytesAreEncoded) {
  ScratchDirectory dir;
  set_identity("\x83\x5e\x83\x8d", "\xff");
  Built b = build(good_record_file());
  EXPECT_EQ(b.target.substr(PREFIX.size() + 20 * 3, 15), "%83%5E%83%8D%00");
  EXPECT_EQ(b.target.substr(PREFIX.size() + 36 * 3, 6), "%FF%00");
}

struct StampCase {
  const char *what;
  unsigned year, month, day, hour, minute, second, milliseconds;
  unsigned long number;
  std::string stamp; // the 20 bytes at 0
};

TEST(RankingTarget, StampText) {
  const StampCase cases[] = {
      {"example", 1998, 11, 3, 14, 5, 9, 250, 42,
       std::string("98b031405090fa0002a\0", 20)},
      {"month 0, year 2000", 2000, 0, 1, 0, 0, 0, 0, 0,
       std::string("0000100000000000000\0", 20)},
      {"month 12 is c", 2023, 12, 31, 23, 59, 59, 999, 0xFFFFF,
       std::string("23c312359593e7fffff\0", 20)},
      {"only low 12 bits of milliseconds", 1999, 1, 1, 1, 1, 1, 4096, 1,
       std::string("9910101010100000001\0", 20)},
      {"only low 20 bits of the number", 1999, 1, 1, 1, 1, 1, 0, 0x123456,
       std::string("9910101010100023456\0", 20)},
      {"month 16 pushes the last character out", 1998, 16, 3, 14, 5, 9, 250, 42,
       std::string("9810031405090fa0002\0", 20)},
  };
  for (const StampCase &c : cases) {
    ScratchDirectory dir;
    set_identity("Taro", "");
    Bytes f = good_record_file();
    const unsigned words[8] = {c.year, c.month,  0,        c.day,
                               c.hour, c.minute, c.second, c.milliseconds};
    for (int i = 0; i < 8; i++)
      put_word(f, 824 + 2 * i, words[i]);
    put_dword(f, 820, c.number);
    Built b = build(f);
    ASSERT_EQ(b.result, 1) << c.what;
    EXPECT_EQ(text_at(b.block, 0, 20), c.stamp) << c.what;
    EXPECT_EQ(text_at(b.block, 20, 5), std::string("Taro\0", 5)) << c.what;
  }
}

TEST(RankingTarget, LongestStampLeavesItsTailBehindTheName) {
  ScratchDirectory dir;
  set_identity("ab", "");
  Bytes f = good_record_file();
  for (int i = 0; i < 8; i++)
    put_word(f, 824 + 2 * i, 0xFFFF);
  put_word(f, 824, 99);
  Built b = build(f);
  ASSERT_EQ(b.result, 1);
  // "99" "ffff" "65535" x4 "fff" "0002a": 34 characters, NUL at 34.
  const std::string full = "99ffff65535655356553565535fff0002a";
  EXPECT_EQ(text_at(b.block, 0, 19), full.substr(0, 19));
  EXPECT_EQ(b.block[19], 0);
  EXPECT_EQ(text_at(b.block, 20, 3), std::string("ab\0", 3));
  EXPECT_EQ(text_at(b.block, 23, 11), full.substr(23, 11));
  EXPECT_EQ(b.block[34], 0);
  EXPECT_EQ(b.block[36], 0);
}

struct SumCase {
  const char *what;
  unsigned long values[3];
  int result;
};

TEST(RankingTarget, RecordSumMustNotBeZero) {
  const SumCase cases[] = {
      {"all zero", {0, 0, 0}, 0},
      {"wraps to zero", {0xFFFFFFFF, 1, 0}, 0},
      {"wraps to zero, other slots", {0, 0x80000000, 0x80000000}, 0},
      {"one value in the last slot", {0, 0, 1}, 1},
      {"wraps to non-zero", {0xFFFFFFFF, 2, 0}, 1},
  };
  for (const SumCase &c : cases) {
    ScratchDirectory dir;
    set_identity("LongerThanFifteenBytes", "");
    Bytes f = good_record_file();
    for (int slot = 0; slot < 3; slot++)
      put_dword(f, 8 + 204 * slot, c.values[slot]);
    Built b = build(f);
    EXPECT_EQ(b.result, c.result) << c.what;
    if (!c.result) {
      EXPECT_EQ(b.target, PREFIX) << c.what << ": no data appended";
    }
    EXPECT_EQ(strlen(player_identity.name), 15u) << c.what << ": the cut stays";
  }
}

TEST(RankingTarget, NothingToSendLeavesTheRightTraces) {
  ScratchDirectory dir;
  set_identity("LongerThanFifteenBytes", "c");
  char buffer[8192];
  strcpy(buffer, "http://");
  memset(buffer + 8, 'Z', 100);
  EXPECT_EQ(build_ranking_target(buffer + 7, "ranking.example"), 0);
  EXPECT_EQ(buffer[7], '\0') << "without zq.sav nothing is written";
  EXPECT_EQ(buffer[8], 'Z');
  EXPECT_EQ(strlen(player_identity.name), 22u);

  Bytes bad = good_record_file();
  put_dword(bad, 0, 0);
  write_file("zq.sav", bad);
  EXPECT_EQ(build_ranking_target(buffer + 7, "ranking.example"), 0);
  EXPECT_EQ(std::string(buffer + 7), PREFIX) << "a refused file adds no data";
  EXPECT_EQ(strlen(player_identity.name), 22u) << "no cut before the file is accepted";
}

} // namespace
