// http_get against a scripted loopback peer: replies that no real server
// sends, the buffer's chunk rules, the header removal of proxy mode and the
// exchange log, each row one canned reply with its expected outcome.
#include "exchange_fixture.h"
#include "scripted_peer.h"

#include "net/http_exchange.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

enum class BufferAfter {
  holds_text,   // the buffer begins with `text` and a NUL
  untouched,    // the buffer is byte for byte what it held on entry
  not_examined, // null buffer
};

struct ScriptedCase {
  const char *name;
  bool proxy_mode;
  std::vector<std::string> chunks;
  int32_t expected_result;
  BufferAfter buffer_after;
  std::string text;
  int32_t buffer_size = 12288;
  PeerEnding ending = PeerEnding::close;
  // The log after the request; when unset, every chunk as it came.
  const char *log_reply = nullptr;
  std::string old_text = "old text";
  bool null_buffer = false;
};

std::string repeated(char c, size_t n) {
  return std::string(n, c);
}

// A proxy reply header of exactly length bytes, blank line included.
std::string header_of_length(size_t length) {
  const std::string start = "HTTP/1.1 200 OK\r\nX-Pad: ";
  const std::string end = "\r\n\r\n";
  return start + repeated('p', length - start.size() - end.size()) + end;
}

const std::string HEADER_19 = "HTTP/1.1 200 OK\r\n\r\n";
const std::string BODY_7 = "*zq*00\n";
const std::string BAD_GATEWAY = "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 11\r\n\r\n";

std::vector<ScriptedCase> direct_cases() {
  return {
      {"marker", false, {"*zq*00\r\n"}, 8, BufferAfter::holds_text, "*zq*00\r\n"},
      {"status line stays whole in direct mode",
       false,
       {"HTTP/1.1 200 OK\r\n\r\nbody"},
       23,
       BufferAfter::holds_text,
       "HTTP/1.1 200 OK\r\n\r\nbody"},
      {"chunks follow one another",
       false,
       {"one,", "two,", "three"},
       13,
       BufferAfter::holds_text,
       "one,two,three"},
      {"NUL bytes stored whole, logged up to the NUL",
       false,
       {"ab\0cd"s, "ef\0gh"s},
       10,
       BufferAfter::holds_text,
       "ab\0cdef\0gh"s,
       12288,
       PeerEnding::close,
       "abef"},
      {"later short chunks are not stored after one that did not fit",
       false,
       {repeated('a', 1000), repeated('b', 1000), repeated('c', 100), "d"},
       2101,
       BufferAfter::holds_text,
       repeated('a', 1000) + repeated('b', 1000),
       2048},
      {"1023-byte first chunk fits a 1024-byte buffer",
       false,
       {repeated('x', 1023)},
       1023,
       BufferAfter::holds_text,
       repeated('x', 1023),
       1024},
      {"1024-byte first chunk does not fit a 1024-byte buffer",
       false,
       {repeated('x', 1024)},
       1024,
       BufferAfter::untouched,
       "",
       1024},
      {"one byte after 1023 is not stored",
       false,
       {repeated('x', 1023), "y"},
       1024,
       BufferAfter::holds_text,
       repeated('x', 1023),
       1024},
      {"peer closes without sending", false, {}, 0, BufferAfter::untouched, ""},
      {"silence ends the reply as a close",
       false,
       {"partial"},
       7,
       BufferAfter::holds_text,
       "partial",
       12288,
       PeerEnding::stay_silent},
      {"silence from the start",
       false,
       {},
       0,
       BufferAfter::untouched,
       "",
       12288,
       PeerEnding::stay_silent},
  };
}

std::vector<ScriptedCase> proxy_cases() {
  return {
      {"19-byte header and 7-byte body",
       true,
       {HEADER_19 + BODY_7},
       7,
       BufferAfter::holds_text,
       BODY_7},
      {"100-byte header and 300-byte body",
       true,
       {header_of_length(100) + repeated('B', 300)},
       300,
       BufferAfter::holds_text,
       repeated('B', 300)},
      {"header over several chunks",
       true,
       {"HTTP/1.1 200 OK\r\n", "Server: x\r\n", "\r\n*zq*00\r\n"},
       8,
       BufferAfter::holds_text,
       "*zq*00\r\n"},
      {"reply ending with the blank line",
       true,
       {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"},
       0,
       BufferAfter::holds_text,
       ""},
      {"HTTP/1.0 status line loses its header",
       true,
       {"HTTP/1.0 200 OK\r\nServer: old\r\n\r\n*zq*00\r\n"},
       8,
       BufferAfter::holds_text,
       "*zq*00\r\n"},
      {"header ended by bare line feeds stays whole",
       true,
       {"HTTP/1.1 200 OK\nServer: x\n\nbody"},
       31,
       BufferAfter::holds_text,
       "HTTP/1.1 200 OK\nServer: x\n\nbody"},
      {"no status line stays whole",
       true,
       {"*zq*00\r\n\r\nmore"},
       14,
       BufferAfter::holds_text,
       "*zq*00\r\n\r\nmore"},
      {"NUL inside the header stops the search",
       true,
       {"HTTP/1.1 200 OK\r\n\0\r\n\r\nbody"s},
       26,
       BufferAfter::holds_text,
       "HTTP/1.1 200 OK\r\n\0\r\n\r\nbody"s,
       12288,
       PeerEnding::close,
       "HTTP/1.1 200 OK\r\n"},
      {"502 fails",
       true,
       {BAD_GATEWAY + "Bad Gateway"},
       0,
       BufferAfter::holds_text,
       "Bad Gateway"},
      {"404 fails",
       true,
       {"HTTP/1.1 404 Not Found\r\n\r\ngone"},
       0,
       BufferAfter::holds_text,
       "gone"},
      {"399 is no failure",
       true,
       {"HTTP/1.1 399 Odd\r\n\r\nodd"},
       3,
       BufferAfter::holds_text,
       "odd"},
      {"502 fails when its first chunk does not fit",
       true,
       {BAD_GATEWAY + repeated('e', 1100)},
       0,
       BufferAfter::untouched,
       "",
       1024},
      {"status code split over two chunks",
       true,
       {"HTTP/1.1 5", "02 Bad Gateway\r\n\r\nx"},
       0,
       BufferAfter::holds_text,
       "x"},
      {"reply longer than the buffer counts every byte less the header",
       true,
       {HEADER_19 + repeated('a', 500), repeated('b', 600)},
       1100,
       BufferAfter::holds_text,
       repeated('a', 500),
       1024},
      {"nothing stored: old text that looks like a header stays",
       true,
       {HEADER_19 + repeated('a', 2000)},
       2019,
       BufferAfter::untouched,
       "",
       1024,
       PeerEnding::close,
       nullptr,
       HEADER_19 + "old body"},
      {"null buffer counts every byte",
       true,
       {HEADER_19 + BODY_7},
       26,
       BufferAfter::not_examined,
       "",
       0,
       PeerEnding::close,
       nullptr,
       "",
       true},
  };
}

class ScriptedExchangeTest : public ExchangeTest {
protected:
  void run_rows(const std::vector<ScriptedCase> &rows) {
    for (const ScriptedCase &row : rows) {
      SCOPED_TRACE(row.name);
      launch_options.proxy_mode = row.proxy_mode ? 1 : 0;
      socket_timeouts.recv_ms =
          row.ending == PeerEnding::stay_silent ? SHORT_TIMEOUT_MS : TEST_TIMEOUT_MS;
      ExchangeCall call;
      call.buffer_size = row.buffer_size;
      call.null_buffer = row.null_buffer;
      call.old_text = row.old_text;
      const std::string expected_request =
          row.proxy_mode ? proxy_request(call.target) : direct_request(call.target);
      ScriptedPeer peer({row.chunks, row.ending, expected_request.size()});
      call.port = peer.port();

      ExchangeOutcome out = exchange(call);

      EXPECT_EQ(shown(peer.request()), shown(expected_request));
      EXPECT_EQ(out.result, row.expected_result);
      switch (row.buffer_after) {
      case BufferAfter::holds_text:
        EXPECT_TRUE(buffer_holds(out.buffer, row.text))
            << "buffer begins " << shown(std::string(out.buffer.data(), 40));
        break;
      case BufferAfter::untouched:
        EXPECT_TRUE(out.buffer == out.buffer_before);
        break;
      case BufferAfter::not_examined:
        break;
      }
      std::string reply_log;
      if (row.log_reply) {
        reply_log = row.log_reply;
      } else {
        for (const std::string &chunk : row.chunks)
          reply_log += chunk;
      }
      EXPECT_EQ(shown(out.log), shown(expected_request + reply_log));
      EXPECT_TRUE(out.released) << out.release_problem;
    }
  }
};

TEST_F(ScriptedExchangeTest, DirectModeKeepsTheReplyAsItCame) {
  run_rows(direct_cases());
}

TEST_F(ScriptedExchangeTest, ProxyModeTakesTheHeaderOffAndJudgesTheStatus) {
  run_rows(proxy_cases());
}

// The request forms byte for byte, and the log's opening, for the
// acceptance check's path.
TEST_F(ScriptedExchangeTest, RequestFormsAndTheLogsOpening) {
  struct Row {
    bool proxy_mode;
    const char *request;
    size_t length;
  };
  const Row rows[] = {
      {false, "GET /score/zq.txt\r\n", 19},
      {true, "GET /score/zq.txt HTTP/1.1\r\n\r\n", 30},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.request);
    launch_options.proxy_mode = row.proxy_mode;
    ScriptedPeer peer({{"*zq*00\r\n"}, PeerEnding::close, row.length});
    ExchangeCall call;
    call.port = peer.port();
    ExchangeOutcome out = exchange(call);
    EXPECT_EQ(peer.request().size(), row.length);
    EXPECT_EQ(peer.request(), row.request);
    EXPECT_EQ(out.log.substr(0, row.length), row.request);
  }
}

// Without logging, the log of an earlier exchange stays as it is.
TEST_F(ScriptedExchangeTest, NoLogWhenLoggingIsOff) {
  launch_options.log_exchange = 0;
  ScriptedPeer peer({{"*zq*00\r\n"}, PeerEnding::close, 19});
  ExchangeCall call;
  call.port = peer.port();
  ExchangeOutcome out = exchange(call);
  EXPECT_EQ(out.result, 8);
  EXPECT_EQ(out.log, PREVIOUS_LOG);
}

} // namespace
