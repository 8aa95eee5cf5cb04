#include "exchange_fixture.h"

#include "net/http_exchange.h"
#include "socket_call_hooks.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr WORD VERSION_1_1 = MAKEWORD(1, 1);
constexpr unsigned char BUFFER_FILL = 0xA5;

std::string read_text(const std::string &name) {
  Bytes bytes = read_file(name);
  return std::string(bytes.begin(), bytes.end());
}

// Whether the exchange left the socket library as it found it: started
// once here before the exchange, it must now end exactly once more. Leaves
// the library ended either way.
bool library_balanced() {
  int first = WSACleanup();
  int second = WSACleanup();
  while (WSACleanup() == 0) {
  }
  return first == 0 && second == SOCKET_ERROR;
}

} // namespace

bool buffer_holds(const std::vector<char> &buffer, const std::string &text) {
  return buffer.size() > text.size() && std::string(buffer.data(), text.size()) == text &&
         buffer[text.size()] == '\0';
}

std::string shown(const std::string &text) {
  std::string out;
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7f) {
      out += (char)c;
    } else {
      char escape[5];
      snprintf(escape, sizeof(escape), "\\x%02X", c);
      out += escape;
    }
  }
  return out;
}

std::string direct_request(const std::string &target) {
  return "GET " + target + "\r\n";
}

std::string proxy_request(const std::string &target) {
  return "GET " + target + " HTTP/1.1\r\n\r\n";
}

void ExchangeTest::SetUp() {
  scratch_ = std::make_unique<ScratchDirectory>();
  saved_options_ = launch_options;
  saved_timeouts_ = socket_timeouts;
  socket_timeouts = {TEST_TIMEOUT_MS, TEST_TIMEOUT_MS, EXCHANGE_TIMEOUT_MS};
  launch_options.proxy_mode = 0;
  launch_options.log_exchange = 1;
  install_bookkeeping();
}

void ExchangeTest::TearDown() {
  remove_bookkeeping();
  socket_timeouts = saved_timeouts_;
  launch_options = saved_options_;
  scratch_.reset();
}

ExchangeOutcome ExchangeTest::exchange(const ExchangeCall &call) {
  ExchangeOutcome out;
  write_file(EXCHANGE_LOG_NAME, PREVIOUS_LOG);
  socket_book = SocketBook();
  client_bytes_taken = 0;

  // The buffer lives on the heap at its exact size, so that the sanitizer
  // build catches a write past its end.
  std::vector<char> buffer((size_t)call.buffer_size, (char)BUFFER_FILL);
  if (!buffer.empty()) {
    size_t text = std::min(call.old_text.size(), buffer.size() - 1);
    memcpy(buffer.data(), call.old_text.data(), text);
    buffer[text] = '\0';
  }
  out.buffer_before = buffer;

  WSADATA data;
  WSAStartup(VERSION_1_1, &data);
  out.result = http_get(call.null_buffer ? nullptr : buffer.data(), call.buffer_size,
                        call.host.c_str(), call.port, call.target.c_str());
  bool balanced = library_balanced();

  out.buffer = buffer;
  out.log_exists = file_exists(EXCHANGE_LOG_NAME);
  out.log = read_text(EXCHANGE_LOG_NAME);
  if (!socket_book.open_sockets.empty())
    out.release_problem += " a socket was left open;";
  if (socket_book.stray_closes != 0)
    out.release_problem += " a descriptor was closed that was not open;";
  if (!balanced)
    out.release_problem += " WSAStartup and WSACleanup did not balance;";
  out.released = out.release_problem.empty();
  return out;
}
