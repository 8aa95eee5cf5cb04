// Replies that are long or never end: the exchange counts what came, keeps
// its leading chunks, and a peer that sends for ever is cut off by the
// exchange time-out instead of holding the program.
#include "exchange_fixture.h"
#include "net/http_exchange.h"
#include "streaming_peer.h"

namespace {

class LongReplyTest : public ExchangeTest {};

TEST_F(LongReplyTest, HundredMegabyteReplyIsCountedWhole) {
  const long long size = 100LL * 1000 * 1000;
  launch_options.log_exchange = 0;
  StreamingPeer peer(size);
  ExchangeCall call;
  call.port = peer.port();
  ExchangeOutcome out = exchange(call);
  EXPECT_EQ(out.result, size);
  // The leading chunks that fitted the 12288 bytes, then nothing more.
  std::string stored(out.buffer.data());
  EXPECT_GT(stored.size(), 0u);
  EXPECT_LT(stored.size(), 12288u);
  EXPECT_EQ(stored.find_first_not_of('x'), std::string::npos);
  EXPECT_TRUE(out.released) << out.release_problem;
}

TEST_F(LongReplyTest, PeerThatSendsForEverIsCutOffByTheExchangeTimeout) {
  socket_timeouts.exchange_ms = SHORT_TIMEOUT_MS;
  launch_options.log_exchange = 0; // a log of all that would be large
  for (int proxy_mode = 0; proxy_mode <= 1; proxy_mode++) {
    SCOPED_TRACE(proxy_mode ? "proxy mode" : "direct mode");
    launch_options.proxy_mode = proxy_mode;
    StreamingPeer peer(-1);
    ExchangeCall call;
    call.port = peer.port();
    ExchangeOutcome out = exchange(call);
    // Everything that came counts; the leading chunks are kept.
    EXPECT_GT(out.result, 12288) << "the reply went on past the buffer";
    EXPECT_EQ(std::string(out.buffer.data()).find_first_not_of('x'), std::string::npos);
    EXPECT_TRUE(out.released) << out.release_problem;
  }
}

} // namespace
