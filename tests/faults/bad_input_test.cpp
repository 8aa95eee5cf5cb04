// Bad input with a defined outcome: record files of every awkward size, very
// long command lines, identity fields without a NUL.
#include "app/launch_options.h"
#include "faults/fault_support.h"
#include "files/identity.h"
#include "files/ranking_target.h"
#include "files/record_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

constexpr const char HOST[] = "ranking.example";
constexpr const char DEFAULT_HOST[] = "ranking.default";
constexpr int TARGET_BUFFER_SIZE = 8192;
constexpr size_t TEN_MB = 10u << 20;
constexpr size_t HUNDRED_KB = 100u << 10;
const std::string PREFIX = std::string(HOST) + "/cgi-bin/rank_zq.cgi?name=zq&data=";

// Builds the target from the "zq.sav" in the current folder as a fresh
// process would (zero image) and returns it, with the result.
std::string build_target(int *result) {
  static char target[TARGET_BUFFER_SIZE];
  memset(target, 0, sizeof(target));
  memset(&record_file_image, 0, sizeof(record_file_image));
  *result = build_ranking_target(target, HOST);
  return target;
}

std::string target_of_the_good_file() {
  ScratchDirectory dir;
  write_file("zq.sav", good_record_file());
  memset(&player_identity, 0, sizeof(player_identity));
  int result = 0;
  return build_target(&result);
}

struct SizeCase {
  const char *what;
  size_t size;
  int result;
};

TEST(BadInput, RecordFileOfEveryAwkwardSize) {
  const SizeCase cases[] = {
      {"0 bytes", 0, 0},     {"843 bytes", 843, 0}, {"844 bytes", 844, 1},
      {"845 bytes", 845, 1}, {"10 MB", TEN_MB, 1},
  };
  const std::string good_target = target_of_the_good_file();
  ASSERT_EQ(good_target.size(), PREFIX.size() + 384);
  for (const SizeCase &c : cases) {
    ScratchDirectory dir;
    // The good file's bytes as far as the size reaches, then 0xEE.
    Bytes bytes = good_record_file();
    bytes.resize(c.size, 0xEE);
    write_file("zq.sav", bytes);
    FileSnapshot before = snapshot("zq.sav");
    memset(&player_identity, 0, sizeof(player_identity));
    int result = -1;
    std::string target = build_target(&result);
    EXPECT_EQ(result, c.result) << c.what;
    EXPECT_EQ(target, c.result ? good_target : PREFIX) << c.what;
    EXPECT_TRUE(same_file(before, snapshot("zq.sav"))) << c.what << ": zq.sav changed";
  }
}

struct CommandLineCase {
  const char *what;
  std::string text;
  std::string host;
  int32_t port;
  int32_t proxy_mode;
  int32_t log_exchange;
};

std::string repeated(const std::string &piece, size_t total) {
  std::string s;
  while (s.size() + piece.size() <= total)
    s += piece;
  return s;
}

TEST(BadInput, VeryLongCommandLines) {
  const std::string long_host(10 * 1024, 'h');
  const CommandLineCase cases[] = {
      {"-h of 10 KB, then more options", "-h" + long_host + " -l -p81",
       std::string(255, 'h'), 81, 1, 1},
      {"-h of 10 KB at the end", "-l -h" + long_host, std::string(255, 'h'), 80, 1, 1},
      {"100 KB of options, the last host wins",
       repeated("-hproxy -p8080 -l ", HUNDRED_KB) + "-hlast", "last", 8080, 1, 1},
      {"100 KB of blanks and tabs", repeated(" \t", HUNDRED_KB), DEFAULT_HOST, 80, 0, 0},
      {"100 KB of double-byte text", repeated("\x82\xa0\x83\x5e ", HUNDRED_KB),
       DEFAULT_HOST, 80, 0, 0},
      {"100 KB of zeros as the port", "-p" + std::string(HUNDRED_KB, '0') + "8080",
       DEFAULT_HOST, 8080, 0, 0},
      {"100 KB token of dashes", std::string(HUNDRED_KB, '-'), DEFAULT_HOST, 80, 0, 0},
      {"100 KB of one host token", "-h" + std::string(HUNDRED_KB, 'x') + " -p1",
       std::string(255, 'x'), 1, 1, 0},
  };
  for (const CommandLineCase &c : cases) {
    launch_options = LaunchOptions{};
    launch_options.port = DEFAULT_PORT;
    memset(launch_options.host, 'Z', sizeof(launch_options.host));
    strcpy(launch_options.host, DEFAULT_HOST);
    parse_command_line(c.text.c_str());
    ASSERT_NE(memchr(launch_options.host, 0, sizeof(launch_options.host)), nullptr)
        << c.what << ": host not ended within its field";
    EXPECT_EQ(std::string(launch_options.host), c.host) << c.what;
    EXPECT_EQ(launch_options.port, c.port) << c.what;
    EXPECT_EQ(launch_options.proxy_mode, c.proxy_mode) << c.what;
    EXPECT_EQ(launch_options.log_exchange, c.log_exchange) << c.what;
  }
}

// Identity fields of 256 bytes without a NUL: each loads as its first 255
// bytes, the block carries 15 and 31 of them, and the next save writes a
// file that loads again as NUL-ended texts.
TEST(BadInput, IdentityFieldsWithoutNul) {
  ScratchDirectory dir;
  Bytes identity(256, 'n');
  identity.insert(identity.end(), 256, 'c');
  write_file("zqhi.sav", identity);
  write_file("zq.sav", good_record_file());
  FileSnapshot record_before = snapshot("zq.sav");

  memset(&player_identity, 0xA5, sizeof(player_identity));
  load_identity();
  EXPECT_EQ(std::string(player_identity.name), std::string(255, 'n'));
  EXPECT_EQ(std::string(player_identity.comment), std::string(255, 'c'));

  int result = 0;
  std::string target = build_target(&result);
  ASSERT_EQ(result, 1);
  std::string data = target.substr(PREFIX.size());
  std::string name_field, comment_field;
  for (int i = 0; i < 16; i++)
    name_field += data.substr(3 * (20 + i), 3);
  for (int i = 0; i < 32; i++)
    comment_field += data.substr(3 * (36 + i), 3);
  std::string fifteen_n, thirty_one_c;
  for (int i = 0; i < 15; i++)
    fifteen_n += "%6E";
  for (int i = 0; i < 31; i++)
    thirty_one_c += "%63";
  EXPECT_EQ(name_field, fifteen_n + "%00");
  EXPECT_EQ(comment_field, thirty_one_c + "%00");

  save_identity();
  Bytes saved = read_file("zqhi.sav");
  ASSERT_EQ(saved.size(), 512u);
  memset(&player_identity, 0xA5, sizeof(player_identity));
  load_identity();
  EXPECT_EQ(std::string(player_identity.name), std::string(15, 'n'));
  EXPECT_EQ(std::string(player_identity.comment), std::string(31, 'c'));
  EXPECT_TRUE(same_file(record_before, snapshot("zq.sav")));
}

} // namespace
