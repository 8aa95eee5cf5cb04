// The common ground of the HTTP exchange tests: a scratch working directory
// (for "log.html"), the bookkeeping socket hooks, launch options and
// time-outs put back after each test, and one call of http_get with
// everything around it observed.
#pragma once

#include "app/launch_options.h"
#include "platform/winsock.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What the log file holds before each exchange.
inline const std::string PREVIOUS_LOG = "<p>the previous exchange</p>\n";

struct ExchangeCall {
  std::string host = "127.0.0.1";
  int32_t port = 0;
  std::string target = "/score/zq.txt";
  int32_t buffer_size = 12288;
  bool null_buffer = false;
  // The NUL-terminated text that the buffer holds on entry; the rest of the
  // buffer is filled with 0xA5.
  std::string old_text = "old text";
};

struct ExchangeOutcome {
  int32_t result = 0;
  std::vector<char> buffer_before; // as it was on entry
  std::vector<char> buffer;        // as http_get left it
  bool log_exists = false;
  std::string log;
  // Every socket made was closed once, and WSAStartup and WSACleanup
  // balanced.
  bool released = false;
  std::string release_problem;
};

// Whether buffer begins with text and a NUL after it.
bool buffer_holds(const std::vector<char> &buffer, const std::string &text);
// text with the bytes that are not printable shown as \xNN, for messages.
std::string shown(const std::string &text);

class ExchangeTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // Writes PREVIOUS_LOG to "log.html", calls http_get as described and
  // observes the outcome. The socket hooks' book starts afresh.
  ExchangeOutcome exchange(const ExchangeCall &call);

  // Short time-outs for tests that wait for them on purpose.
  static constexpr int SHORT_TIMEOUT_MS = 300;
  // Long enough for any loopback exchange, short enough not to hang a run.
  static constexpr int TEST_TIMEOUT_MS = 10000;

private:
  std::unique_ptr<ScratchDirectory> scratch_;
  LaunchOptions saved_options_;
  SocketTimeouts saved_timeouts_;
};

// The request bytes of each form for a target.
std::string direct_request(const std::string &target);
std::string proxy_request(const std::string &target);
