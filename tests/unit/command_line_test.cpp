// The command line into the launch options: a row per command line.
#include "app/launch_options.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct CommandLineCase {
  const char *what;
  std::string text;
  std::string host;
  int32_t port;
  int32_t proxy_mode;
  int32_t log_exchange;
};

const std::string DEFAULT_HOST = "ranking.example";
const std::string LONG_HOST(300, 'x');

const CommandLineCase CASES[] = {
    {"empty", "", DEFAULT_HOST, 80, 0, 0},
    {"only blanks", "   \t ", DEFAULT_HOST, 80, 0, 0},
    {"proxy host", "-h10.0.0.1", "10.0.0.1", 80, 1, 0},
    {"upper-case H", "-H10.0.0.1", "10.0.0.1", 80, 1, 0},
    {"empty host still sets proxy", "-h", "", 80, 1, 0},
    {"empty host before another token", "-h -l", "", 80, 1, 1},
    {"colon is part of the host", "-hproxy:8080", "proxy:8080", 80, 1, 0},
    {"high byte ends the host", "-hpro\x82\xa0xy", "pro", 80, 1, 0},
    {"token after high byte read anew", "-hab\x82-l", "ab", 80, 1, 1},
    {"DEL is a token byte", "-hab\x7f", "ab\x7f", 80, 1, 0},
    {"dash inside a host value", "-h-l", "-l", 80, 1, 0},
    {"later host wins", "-hfirst -hsecond", "second", 80, 1, 0},
    {"long host cut to 255", "-h" + LONG_HOST, std::string(255, 'x'), 80, 1, 0},
    {"log", "-l", DEFAULT_HOST, 80, 0, 1},
    {"upper-case L", "-L", DEFAULT_HOST, 80, 0, 1},
    {"log token with a p after it", "-lp8080", DEFAULT_HOST, 80, 0, 1},
    {"-l not at the token's start", "x-l", DEFAULT_HOST, 80, 0, 0},
    {"quotes are token bytes", "\"-l\"", DEFAULT_HOST, 80, 0, 0},
    {"port", "-p8080", DEFAULT_HOST, 8080, 0, 0},
    {"upper-case P", "-P8080", DEFAULT_HOST, 8080, 0, 0},
    {"port in the next token", "-p  8080", DEFAULT_HOST, 8080, 0, 0},
    {"port after control bytes", "-p\t\n\r 9", DEFAULT_HOST, 9, 0, 0},
    {"port at the end", "-p", DEFAULT_HOST, 0, 0, 0},
    {"port digits then letters", "-p12ab", DEFAULT_HOST, 12, 0, 0},
    {"negative port", "-p-5", DEFAULT_HOST, -5, 0, 0},
    {"plus sign", "-p+7", DEFAULT_HOST, 7, 0, 0},
    {"port beyond 32 bits wraps", "-p4294967297", DEFAULT_HOST, 1, 0, 0},
    {"port without digits", "-px", DEFAULT_HOST, 0, 0, 0},
    {"later port wins", "-p1 -p2", DEFAULT_HOST, 2, 0, 0},
    {"unknown option", "-x -q", DEFAULT_HOST, 80, 0, 0},
    {"lone dash", "-", DEFAULT_HOST, 80, 0, 0},
    {"double-byte letter after dash", "-\x82\xa0", DEFAULT_HOST, 80, 0, 0},
    {"all three, any order", "-l -p8000 -hproxy", "proxy", 8000, 1, 1},
    {"plain words ignored", "hello world -l", DEFAULT_HOST, 80, 0, 1},
};

TEST(CommandLine, FillsLaunchOptions) {
  for (const CommandLineCase &c : CASES) {
    launch_options = LaunchOptions{};
    launch_options.port = DEFAULT_PORT;
    strcpy(launch_options.host, DEFAULT_HOST.c_str());
    parse_command_line(c.text.c_str());
    EXPECT_EQ(std::string(launch_options.host), c.host) << c.what;
    EXPECT_EQ(launch_options.port, c.port) << c.what;
    EXPECT_EQ(launch_options.proxy_mode, c.proxy_mode) << c.what;
    EXPECT_EQ(launch_options.log_exchange, c.log_exchange) << c.what;
  }
}

TEST(CommandLine, FlagsAreNeverCleared) {
  launch_options = LaunchOptions{};
  parse_command_line("-l -hproxy");
  parse_command_line("-p81");
  EXPECT_EQ(launch_options.log_exchange, 1);
  EXPECT_EQ(launch_options.proxy_mode, 1);
  EXPECT_EQ(launch_options.port, 81);
}

TEST(CommandLine, NullTextChangesNothing) {
  launch_options = LaunchOptions{};
  launch_options.port = DEFAULT_PORT;
  parse_command_line(nullptr);
  EXPECT_EQ(launch_options.port, DEFAULT_PORT);
}

} // namespace
