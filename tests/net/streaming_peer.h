// A loopback peer that streams a long reply: it accepts one connection,
// reads the request, then sends bytes of 'x' until it has sent its total
// (or, with a total below 0, until the client goes), and closes.
#pragma once

#include <atomic>
#include <thread>

class StreamingPeer {
public:
  explicit StreamingPeer(long long total);
  ~StreamingPeer();
  StreamingPeer(const StreamingPeer &) = delete;
  StreamingPeer &operator=(const StreamingPeer &) = delete;
  int port() const { return port_; }
  long long sent() const { return sent_; }

private:
  void serve();

  long long total_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<long long> sent_{0};
  std::thread thread_;
};
