// A scripted HTTP peer on loopback for the exchange tests: it accepts one
// connection, reads the request, answers with canned chunks and then ends
// the connection in the way the script says. It answers what no real server
// sends (NUL bytes, early close, silence, a reset) and keeps the request
// bytes that it received for the test to compare.
//
// Each chunk is meant to reach the client as one recv: the peer sends a
// chunk only once the client has taken every byte sent before it, which it
// learns from the receive counter of the socket call hooks
// (socket_call_hooks.h). Not an HTTP server: it never looks at the request.
#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

enum class PeerEnding {
  close,              // close the connection after the last chunk
  stay_silent,        // keep it open, silent, until the client closes it
  reset_after_reading // reset it once request_length bytes have come
};

struct PeerScript {
  std::vector<std::string> chunks;
  PeerEnding ending = PeerEnding::close;
  // The peer reads the request until this many bytes have come (or the
  // client closes, or a bounded wait runs out).
  size_t request_length = 0;
};

class ScriptedPeer {
public:
  // Listens on 127.0.0.1 on a port of the system's choice and serves one
  // connection on a thread of its own.
  explicit ScriptedPeer(PeerScript script);
  // Waits for the thread (bounded: a client that never comes is given up).
  ~ScriptedPeer();
  ScriptedPeer(const ScriptedPeer &) = delete;
  ScriptedPeer &operator=(const ScriptedPeer &) = delete;

  int port() const { return port_; }
  // Tells the peer to give up whatever it still waits for (the client's
  // call has returned), waits for its thread and returns the request bytes
  // received.
  const std::string &request();
  // Whether a connection was accepted (valid after request()).
  bool connected() const { return connected_; }

private:
  void serve();

  PeerScript script_;
  int listen_fd_ = -1;
  int port_ = 0;
  std::string request_;
  bool connected_ = false;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// A loopback port on which nothing listens: connecting to it is refused.
// The port stays reserved (bound, not listening) for the object's life.
class RefusingPort {
public:
  RefusingPort();
  ~RefusingPort();
  RefusingPort(const RefusingPort &) = delete;
  RefusingPort &operator=(const RefusingPort &) = delete;
  int port() const { return port_; }

private:
  int fd_ = -1;
  int port_ = 0;
};
