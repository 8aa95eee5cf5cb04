// The record file's acceptance: a good file made by code, then bytes
// patched in for each bad case.
#include "files/record_file.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sys/stat.h>

namespace {

struct RecordFileCase {
  const char *what;
  std::function<void(Bytes &)> patch;
  int accepted;
};

TEST(RecordFile, AcceptsByMagicAndCheckWords) {
  const RecordFileCase cases[] = {
      {"good file", [](Bytes &) {}, 1},
      {"all zero between magic and check words",
       [](Bytes &b) { std::fill(b.begin() + 4, b.begin() + 840, 0); }, 1},
      {"longer file judged by its first 844 bytes",
       [](Bytes &b) { b.insert(b.end(), 100, 0xEE); }, 1},
      {"magic in the other byte order", [](Bytes &b) { put_dword(b, 0, 0x26594131); }, 0},
      {"magic off by one", [](Bytes &b) { put_dword(b, 0, 0x31415927); }, 0},
      {"check words in the other byte order",
       [](Bytes &b) {
         put_word(b, 840, 0x570D);
         put_word(b, 842, 0xC60D);
       },
       0},
      {"check words in swapped places",
       [](Bytes &b) {
         put_word(b, 840, 3526);
         put_word(b, 842, 3415);
       },
       0},
      {"check word A wrong", [](Bytes &b) { put_word(b, 840, 3416); }, 0},
      {"check word B wrong", [](Bytes &b) { put_word(b, 842, 3527); }, 0},
      {"843 bytes", [](Bytes &b) { b.resize(843); }, 0},
      {"empty", [](Bytes &b) { b.clear(); }, 0},
  };
  for (const RecordFileCase &c : cases) {
    ScratchDirectory dir;
    Bytes b = good_record_file();
    c.patch(b);
    write_file("zq.sav", b);
    memset(&record_file_image, 0, sizeof(record_file_image));
    EXPECT_EQ(load_record_file("zq.sav"), c.accepted) << c.what;
  }
}

TEST(RecordFile, ShortFileIsRefusedAfterAGoodLoad) {
  ScratchDirectory dir;
  write_file("zq.sav", good_record_file());
  ASSERT_EQ(load_record_file("zq.sav"), 1);
  Bytes shorter = good_record_file();
  put_dword(shorter, 8, 77);
  shorter.resize(800);
  write_file("zq.sav", shorter);
  // The image's tail still holds the good check words, but the short file
  // must not be sent with them.
  EXPECT_EQ(load_record_file("zq.sav"), 0);
}

TEST(RecordFile, MissingOrUnreadableEntryIsRefused) {
  ScratchDirectory dir;
  EXPECT_EQ(load_record_file("zq.sav"), 0);
  ASSERT_EQ(mkdir("zq.sav", 0755), 0);
  EXPECT_EQ(load_record_file("zq.sav"), 0);
}

TEST(RecordFile, LoadNeverWritesTheFile) {
  ScratchDirectory dir;
  Bytes b = good_record_file();
  write_file("zq.sav", b);
  struct stat before;
  ASSERT_EQ(stat("zq.sav", &before), 0);
  load_record_file("zq.sav");
  struct stat after;
  ASSERT_EQ(stat("zq.sav", &after), 0);
  EXPECT_EQ(read_file("zq.sav"), b);
  EXPECT_EQ(before.st_mtim.tv_sec, after.st_mtim.tv_sec);
  EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
}

TEST(RecordFile, CheckWordsFollowByteZero) {
  struct Row {
    unsigned char byte0;
    unsigned check_a;
  };
  const Row rows[] = {{0x00, 55}, {0x26, 3415}, {0x07, 55}, {0x08, 895}, {0xFF, 26095}};
  for (const Row &r : rows) {
    Bytes image(844, 0);
    image[0] = r.byte0;
    put_word(image, 840, r.check_a);
    put_word(image, 842, r.check_a ^ 145);
    EXPECT_EQ(check_record_file(image.data()), 1) << "byte 0 = " << (int)r.byte0;
    put_word(image, 842, r.check_a);
    EXPECT_EQ(check_record_file(image.data()), 0) << "byte 0 = " << (int)r.byte0;
  }
}

} // namespace
