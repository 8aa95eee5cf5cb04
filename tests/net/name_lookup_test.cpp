// Name look-ups wait in slices like every other socket call: the window
// keeps being served meanwhile, and a look-up that never answers ends with
// the connect time-out.
#include "exchange_fixture.h"
#include "lookup_hooks.h"
#include "net/http_exchange.h"
#include "platform/posix_socket_calls.h"
#include "streaming_peer.h"

#include <atomic>

namespace {

std::atomic<int> hook_calls{0};
void count_hook_call() {
  hook_calls++;
}

class NameLookupTest : public ExchangeTest {
protected:
  void TearDown() override {
    socket_wait_hook = nullptr;
    ExchangeTest::TearDown();
  }
};

TEST_F(NameLookupTest, SlowLookUpKeepsTheWindowServed) {
  StreamingPeer peer(8);
  posix_socket_calls.sys_getaddrinfo = slow_getaddrinfo;
  hook_calls = 0;
  socket_wait_hook = count_hook_call;
  ExchangeCall call;
  call.host = "localhost";
  call.port = peer.port();
  ExchangeOutcome out = exchange(call);
  EXPECT_EQ(out.result, 8);
  EXPECT_TRUE(buffer_holds(out.buffer, "xxxxxxxx"));
  EXPECT_GT(hook_calls.load(), 0) << "the wait hook ran during the look-up";
  EXPECT_TRUE(out.released) << out.release_problem;
}

TEST_F(NameLookupTest, LookUpThatNeverAnswersEndsWithTheConnectTimeout) {
  posix_socket_calls.sys_getaddrinfo = hanging_getaddrinfo;
  socket_timeouts.connect_ms = SHORT_TIMEOUT_MS;
  ExchangeCall call;
  call.host = "ranking.example";
  call.port = 9;
  ExchangeOutcome out = exchange(call);
  EXPECT_EQ(out.result, 0);
  EXPECT_EQ(out.log, PREVIOUS_LOG);
  EXPECT_TRUE(out.buffer == out.buffer_before);
  EXPECT_TRUE(out.released) << out.release_problem;
}

} // namespace
