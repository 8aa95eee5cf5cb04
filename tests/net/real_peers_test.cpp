// http_get against the servers and proxies that users meet: nginx with
// fcgiwrap as the ranking server, reached directly (HTTP/0.9) and through
// tinyproxy and squid (proxy form). The acceptance check and a registration
// with its 384-character query, which must reach the CGI intact.
#include "exchange_fixture.h"
#include "ranking_server.h"

#include "files/identity.h"
#include "files/ranking_target.h"
#include "net/http_exchange.h"
#include "res/ranking_host.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

const std::string ACCEPTANCE_TARGET = "http://" RANKING_HOST_TEXT "/score/zq.txt";
const std::string MARKER_FILE = "*zq*00\r\n";
const std::string CGI_ANSWER = "registered";
constexpr size_t ENCODED_BLOCK_LENGTH = 384;

// The registration target for a good record file, built by the program's
// own code in the working directory; empty when it cannot be built.
std::string registration_target() {
  write_file("zq.sav", good_record_file());
  memset(&player_identity, 0, sizeof(player_identity));
  strcpy(player_identity.name, "Tester");
  strcpy(player_identity.comment, "through a real peer");
  char target[8192] = "http://";
  if (!build_ranking_target(target + 7, RANKING_HOST))
    return "";
  return target;
}

std::string query_of(const std::string &target) {
  size_t mark = target.find('?');
  return mark == std::string::npos ? "" : target.substr(mark + 1);
}

struct PeerCase {
  const char *name;
  bool registration; // else the acceptance check
};

const PeerCase EXCHANGES[] = {{"acceptance check", false}, {"registration", true}};

class RealPeerTest : public ExchangeTest {
protected:
  // Checks one exchange of a row against the ranking server behind host
  // and port, in the form that launch_options.proxy_mode chooses.
  void check_exchange(const PeerCase &row, const std::string &host, int port) {
    SCOPED_TRACE(row.name);
    std::string target = ACCEPTANCE_TARGET;
    if (row.registration) {
      target = registration_target();
      ASSERT_FALSE(target.empty()) << "no registration target";
      ASSERT_EQ(query_of(target).size(), strlen("name=zq&data=") + ENCODED_BLOCK_LENGTH);
    }
    const std::string reply = row.registration ? CGI_ANSWER : MARKER_FILE;
    peers_->forget_queries();

    ExchangeCall call;
    call.host = host;
    call.port = port;
    call.target = target;
    ExchangeOutcome out = exchange(call);

    EXPECT_EQ(out.result, (int32_t)reply.size());
    EXPECT_TRUE(buffer_holds(out.buffer, reply))
        << "buffer begins " << shown(std::string(out.buffer.data(), 60));
    const std::string request =
        launch_options.proxy_mode ? proxy_request(target) : direct_request(target);
    EXPECT_EQ(out.log.substr(0, request.size()), request);
    if (launch_options.proxy_mode) {
      EXPECT_EQ(out.log.substr(request.size(), 13), "HTTP/1.1 200 ");
      EXPECT_EQ(out.log.substr(out.log.size() - reply.size()), reply);
    } else {
      EXPECT_EQ(out.log, request + reply);
    }
    EXPECT_EQ(peers_->recorded_queries(),
              row.registration ? query_of(target) + "\n" : std::string());
    EXPECT_TRUE(out.released) << out.release_problem;
  }

  static std::unique_ptr<RankingServer> peers_;
};

std::unique_ptr<RankingServer> RealPeerTest::peers_;

// nginx alone, for direct mode and for the proxy form sent to it.
class DirectToNginxTest : public RealPeerTest {
protected:
  static void SetUpTestSuite() {
    peers_ = std::make_unique<RankingServer>(ServerSetup{});
  }
  static void TearDownTestSuite() {
    EXPECT_TRUE(peers_->stop()) << peers_->problem();
    peers_.reset();
  }
  void SetUp() override {
    RealPeerTest::SetUp();
    ASSERT_TRUE(peers_->started()) << peers_->problem();
  }
};

// nginx with tinyproxy and squid in front.
class ThroughProxiesTest : public RealPeerTest {
protected:
  static void SetUpTestSuite() {
    peers_ = std::make_unique<RankingServer>(ServerSetup{.proxies = true});
  }
  static void TearDownTestSuite() {
    EXPECT_TRUE(peers_->stop()) << peers_->problem();
    peers_.reset();
  }
  void SetUp() override {
    RealPeerTest::SetUp();
    ASSERT_TRUE(peers_->started()) << peers_->problem();
  }
};

// The HTTP/0.9 request to the ranking host by name on port 80: nginx
// answers with the body alone and closes, so the reply is taken whole.
TEST_F(DirectToNginxTest, DirectModeGetsTheBodyAloneAndTheQueryArrivesIntact) {
  launch_options.proxy_mode = 0;
  for (const PeerCase &row : EXCHANGES)
    check_exchange(row, RANKING_HOST, RankingServer::SERVER_PORT);
}

// The proxy form carries no Host line, which nginx as a server refuses with
// 400: in proxy mode that is a failed exchange.
TEST_F(DirectToNginxTest, NginxRefusesTheProxyFormAndTheExchangeFails) {
  launch_options.proxy_mode = 1;
  ExchangeCall call;
  call.host = "127.0.0.1";
  call.port = RankingServer::SERVER_PORT;
  call.target = ACCEPTANCE_TARGET;
  ExchangeOutcome out = exchange(call);
  EXPECT_EQ(out.result, 0);
  const std::string request = proxy_request(ACCEPTANCE_TARGET);
  EXPECT_EQ(out.log.substr(0, request.size() + 13), request + "HTTP/1.1 400 ");
  EXPECT_TRUE(out.released) << out.release_problem;
}

TEST_F(ThroughProxiesTest, ProxyModeTakesTheHeaderOffAndTheQueryArrivesIntact) {
  struct Proxy {
    const char *name;
    int port;
  };
  const Proxy proxies[] = {
      {"tinyproxy", RankingServer::TINYPROXY_PORT},
      {"squid", RankingServer::SQUID_PORT},
  };
  launch_options.proxy_mode = 1;
  for (const Proxy &proxy : proxies) {
    SCOPED_TRACE(proxy.name);
    for (const PeerCase &row : EXCHANGES)
      check_exchange(row, "127.0.0.1", proxy.port);
  }
}

} // namespace
