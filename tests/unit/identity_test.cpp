// The identity file: loading what is there, saving 512 bytes whole.
#include "files/identity.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <sys/stat.h>

namespace {

Bytes identity_bytes(const std::string &name, const std::string &comment) {
  Bytes b(512, 0);
  memcpy(b.data(), name.data(), name.size());
  memcpy(b.data() + 256, comment.data(), comment.size());
  return b;
}

Bytes filled(size_t n, unsigned char c) {
  return Bytes(n, c);
}

Bytes concat(Bytes a, const Bytes &b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct LoadCase {
  const char *what;
  bool file_present;
  Bytes content;
  std::string name;
  std::string comment;
};

TEST(Identity, LoadsWhatTheFileHolds) {
  const LoadCase cases[] = {
      {"no file", false, {}, "", ""},
      {"empty file", true, {}, "", ""},
      {"name and comment", true, identity_bytes("Taro", "hello"), "Taro", "hello"},
      {"Japanese bytes kept raw", true, identity_bytes("\x83\x5e\x83\x8d", "\x82\xa0"),
       "\x83\x5e\x83\x8d", "\x82\xa0"},
      {"100 bytes without NUL", true, filled(100, 'a'), std::string(100, 'a'), ""},
      {"300 bytes: name field cut to 255, comment from the rest", true,
       concat(filled(256, 'a'), filled(44, 'b')), std::string(255, 'a'),
       std::string(44, 'b')},
      {"comment field without NUL cut to 255", true,
       concat(Bytes(256, 0), filled(256, 'c')), "", std::string(255, 'c')},
      {"bytes past 512 ignored", true,
       concat(identity_bytes("Jiro", "c"), filled(100, 'z')), "Jiro", "c"},
  };
  for (const LoadCase &c : cases) {
    ScratchDirectory dir;
    if (c.file_present)
      write_file("zqhi.sav", c.content);
    memset(&player_identity, 0, sizeof(player_identity));
    load_identity();
    EXPECT_EQ(std::string(player_identity.name), c.name) << c.what;
    EXPECT_EQ(std::string(player_identity.comment), c.comment) << c.what;
  }
}

TEST(Identity, LoadWithoutFileEmptiesEarlierFields) {
  ScratchDirectory dir;
  strcpy(player_identity.name, "old");
  strcpy(player_identity.comment, "old");
  load_identity();
  EXPECT_STREQ(player_identity.name, "");
  EXPECT_STREQ(player_identity.comment, "");
}

TEST(Identity, SaveWritesBothWholeFields) {
  ScratchDirectory dir;
  memset(&player_identity, 0, sizeof(player_identity));
  strcpy(player_identity.name, "LongerName");
  strcpy(player_identity.comment, "c");
  save_identity();
  strcpy(player_identity.name, "ab"); // the bytes behind the new NUL stay
  save_identity();
  Bytes saved = read_file("zqhi.sav");
  ASSERT_EQ(saved.size(), 512u);
  EXPECT_EQ(std::string((const char *)saved.data(), 10), std::string("ab\0gerName", 10));
  EXPECT_EQ(saved[256], 'c');
  EXPECT_FALSE(file_exists("zqhi.sav.new")) << "no file left beside it";

  memset(&player_identity, 0, sizeof(player_identity));
  load_identity();
  EXPECT_STREQ(player_identity.name, "ab");
  EXPECT_STREQ(player_identity.comment, "c");
}

TEST(Identity, SaveReplacesALongerFile) {
  ScratchDirectory dir;
  write_file("zqhi.sav", filled(2000, 'q'));
  memset(&player_identity, 0, sizeof(player_identity));
  strcpy(player_identity.name, "Hanako");
  save_identity();
  EXPECT_EQ(read_file("zqhi.sav"), identity_bytes("Hanako", ""));
}

TEST(Identity, SaveThatCannotReplaceLeavesTheOldEntry) {
  ScratchDirectory dir;
  ASSERT_EQ(mkdir("zqhi.sav", 0755), 0);
  strcpy(player_identity.name, "Hanako");
  save_identity();
  struct stat st;
  ASSERT_EQ(stat("zqhi.sav", &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_FALSE(file_exists("zqhi.sav.new"));
}

} // namespace
