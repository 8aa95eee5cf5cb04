// http_get and send_in_pieces when the socket calls under them fail or
// behave unusually: faults injected through the layer's table of POSIX
// calls, and real refusals and look-up failures on loopback. Every path
// must release the socket and balance the socket library.
#include "exchange_fixture.h"
#include "injected_faults.h"
#include "scripted_peer.h"
#include "socket_call_hooks.h"

#include "net/http_exchange.h"
#include "net/send_in_pieces.h"
#include "res/ranking_host.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// A target whose request goes out in several pieces: the length of a
// registration request, 384 characters of query included.
std::string long_target() {
  std::string target = "http://" RANKING_HOST_TEXT "/cgi-bin/rank_zq.cgi?name=zq&data=";
  for (int i = 0; i < 128; i++) {
    char triple[4];
    snprintf(triple, sizeof(triple), "%%%02X", (i * 37 + 11) & 0xff);
    target += triple;
  }
  return target;
}

// Where the exchange is sent.
enum class Peer {
  scripted, // a ScriptedPeer with the row's reply
  refusing, // a loopback port that refuses connections
};

struct FaultCase {
  const char *name;
  void (*inject)();
  Peer peer;
  std::string host;
  int32_t expected_result;
  // Empty when the request must not go out: then the buffer stays
  // untouched and the old log stays.
  std::string expected_text;
  bool request_goes_out;
  std::vector<std::string> chunks = {"*zq*", "00\r\n"};
  PeerEnding ending = PeerEnding::close;
};

class SocketFaultTest : public ExchangeTest {};

TEST_F(SocketFaultTest, FailuresBeforeSendingReleaseEverythingAndKeepTheLog) {
  const FaultCase rows[] = {
      {"real refusal", nullptr, Peer::refusing, "127.0.0.1", 0, "", false},
      {"injected refusal", inject_refused_connect, Peer::scripted, "127.0.0.1", 0, "",
       false},
      {"connect error found after waiting", inject_connect_error_after_wait,
       Peer::scripted, "127.0.0.1", 0, "", false},
      {"real name look-up failure", nullptr, Peer::scripted, "no-such-host.invalid", 0,
       "", false},
      {"injected name look-up failure", inject_failed_lookup, Peer::scripted,
       RANKING_HOST, 0, "", false},
      {"no socket", inject_socket_failure, Peer::scripted, "127.0.0.1", 0, "", false},
      {"socket cannot be made non-blocking", inject_nonblocking_failure, Peer::scripted,
       "127.0.0.1", 0, "", false},
  };
  for (const FaultCase &row : rows) {
    SCOPED_TRACE(row.name);
    install_bookkeeping();
    if (row.inject)
      row.inject();
    RefusingPort refusing;
    ScriptedPeer peer({row.chunks, row.ending, 19});
    ExchangeCall call;
    call.host = row.host;
    call.port = row.peer == Peer::refusing ? refusing.port() : peer.port();

    ExchangeOutcome out = exchange(call);

    EXPECT_EQ(out.result, 0);
    EXPECT_TRUE(out.buffer == out.buffer_before);
    EXPECT_EQ(out.log, PREVIOUS_LOG);
    EXPECT_TRUE(out.released) << out.release_problem;
    EXPECT_EQ(peer.request(), "");
  }
}

TEST_F(SocketFaultTest, FaultsAfterConnectingStillCountWhatArrived) {
  // Two pieces in either form.
  const std::string target = long_target() + "&pad=" + std::string(1200, 'p');
  const FaultCase rows[] = {
      {"reset after the first chunk", [] { inject_reset_after(1); }, Peer::scripted,
       "127.0.0.1", 4, "*zq*", true},
      {"reset before any chunk", [] { inject_reset_after(0); }, Peer::scripted,
       "127.0.0.1", 0, "", true},
      {"sends of at most 7 bytes are completed", [] { inject_short_sends(7); },
       Peer::scripted, "127.0.0.1", 8, "*zq*00\r\n", true},
      {"sends of at most 1000 bytes are completed", [] { inject_short_sends(1000); },
       Peer::scripted, "127.0.0.1", 8, "*zq*00\r\n", true},
      {"interrupted calls are resumed", inject_interruptions, Peer::scripted, "127.0.0.1",
       8, "*zq*00\r\n", true},
      {"silence past the time-out ends the reply",
       nullptr,
       Peer::scripted,
       "127.0.0.1",
       4,
       "*zq*",
       true,
       {"*zq*"},
       PeerEnding::stay_silent},
  };
  for (int proxy_mode = 0; proxy_mode <= 1; proxy_mode++) {
    for (const FaultCase &row : rows) {
      SCOPED_TRACE(std::string(row.name) + (proxy_mode ? " (proxy mode)" : ""));
      install_bookkeeping();
      if (row.inject)
        row.inject();
      launch_options.proxy_mode = proxy_mode;
      socket_timeouts.recv_ms =
          row.ending == PeerEnding::stay_silent ? SHORT_TIMEOUT_MS : TEST_TIMEOUT_MS;
      const std::string request =
          proxy_mode ? proxy_request(target) : direct_request(target);
      ScriptedPeer peer({row.chunks, row.ending, request.size()});
      ExchangeCall call;
      call.host = row.host;
      call.port = peer.port();
      call.target = target;

      ExchangeOutcome out = exchange(call);

      EXPECT_EQ(peer.request().size(), request.size());
      EXPECT_TRUE(peer.request() == request);
      EXPECT_EQ(out.result, row.expected_result);
      if (row.expected_text.empty())
        EXPECT_TRUE(out.buffer == out.buffer_before);
      else
        EXPECT_TRUE(buffer_holds(out.buffer, row.expected_text));
      EXPECT_EQ(out.log.substr(0, request.size()), request);
      EXPECT_TRUE(out.released) << out.release_problem;
    }
  }
}

// A peer that resets the connection after the request's first piece: the
// later pieces meet a broken connection (ECONNRESET, then EPIPE), which
// must not raise SIGPIPE and end the process; the exchange fails quietly.
TEST_F(SocketFaultTest, SendingIntoAResetConnectionDoesNotEndTheProcess) {
  inject_wait_for_reset_after_first_send();
  const std::string target = long_target() + std::string(2500, 'z'); // 3 pieces
  ScriptedPeer peer({{}, PeerEnding::reset_after_reading, 1});
  ExchangeCall call;
  call.port = peer.port();
  call.target = target;

  ExchangeOutcome out = exchange(call);

  EXPECT_TRUE(peer.connected());
  EXPECT_EQ(out.result, 0);
  EXPECT_TRUE(out.buffer == out.buffer_before);
  EXPECT_EQ(out.log, direct_request(target));
  EXPECT_TRUE(out.released) << out.release_problem;
}

// Connecting gives up after the connect time-out, and the exchange fails.
// The wait is real: the injected connect never completes.
TEST_F(SocketFaultTest, ConnectGivesUpAfterTheConnectTimeout) {
  inject_connect_never_completes();
  socket_timeouts.connect_ms = SHORT_TIMEOUT_MS;
  ExchangeCall call;
  call.port = 9; // never reached
  ExchangeOutcome out = exchange(call);
  EXPECT_EQ(out.result, 0);
  EXPECT_EQ(out.log, PREVIOUS_LOG);
  EXPECT_TRUE(out.released) << out.release_problem;
}

TEST_F(SocketFaultTest, SendInPiecesSendsWholePiecesOf1024AndTheRest) {
  struct Row {
    int32_t length;
    std::vector<size_t> sends;
  };
  const Row rows[] = {
      {0, {}},
      {1, {1}},
      {1023, {1023}},
      {1024, {1024}},
      {1034, {1024, 10}},
      {2048, {1024, 1024}},
      {3000, {1024, 1024, 952}},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE("length " + std::to_string(row.length));
    install_bookkeeping();
    record_sends_and_connects();
    std::string data((size_t)row.length, '\0');
    for (int32_t i = 0; i < row.length; i++)
      data[(size_t)i] = (char)('a' + i % 26);
    ScriptedPeer peer({{}, PeerEnding::close, data.size()});

    WSADATA wsa_data;
    ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &wsa_data), 0);
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_NE(s, INVALID_SOCKET);
    struct sockaddr_in address;
    memset(&address, 0, sizeof(address));
    address.sin_family = AF_INET;
    address.sin_port = htons((u_short)peer.port());
    address.sin_addr.s_addr = (uint32_t)inet_addr("127.0.0.1");
    ASSERT_EQ(connect(s, (zq_winsock::sockaddr *)&address, sizeof(address)), 0);
    send_in_pieces(s, data.data(), row.length);
    closesocket(s);
    WSACleanup();

    EXPECT_EQ(recorded_send_lengths(), row.sends);
    EXPECT_TRUE(peer.request() == data);
  }
}

// A dotted address is used as it is; a name is looked up, and only the
// first of its addresses is tried.
TEST_F(SocketFaultTest, AddressesAndNames) {
  struct Row {
    const char *name;
    std::string host;
    std::vector<std::string> listed; // injected look-up result; empty: real
    int expected_lookups;
    std::vector<std::string> connects;
    int32_t expected_result;
  };
  const Row rows[] = {
      {"dotted address", "127.0.0.1", {}, 0, {"127.0.0.1"}, 8},
      {"short dotted form", "127.1", {}, 0, {"127.0.0.1"}, 8},
      {"the ranking host through the hosts file", RANKING_HOST, {}, 1, {"127.0.0.1"}, 8},
      {"first of two addresses answers",
       "ranking.example",
       {"127.0.0.1", "127.0.0.2"},
       1,
       {"127.0.0.1"},
       8},
      {"first of two addresses refuses: the second is not tried",
       "ranking.example",
       {"127.0.0.2", "127.0.0.1"},
       1,
       {"127.0.0.2"},
       0},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    install_bookkeeping();
    record_sends_and_connects();
    if (!row.listed.empty())
      inject_address_list(row.listed);
    ScriptedPeer peer({{"*zq*00\r\n"}, PeerEnding::close, 19});
    ExchangeCall call;
    call.host = row.host;
    call.port = peer.port();
    ExchangeOutcome out = exchange(call);
    EXPECT_EQ(out.result, row.expected_result);
    EXPECT_EQ(socket_book.name_lookups, row.expected_lookups);
    EXPECT_EQ(recorded_connect_addresses(), row.connects);
    EXPECT_TRUE(out.released) << out.release_problem;
  }
}

} // namespace
