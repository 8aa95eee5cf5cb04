// A scripted HTTP peer on 127.0.0.1 for the registration tests: it answers
// each connection with the next canned reply and closes, and records the
// request bytes it saw. Replies can be held back until the test releases
// them, so that a test can look at the dialog while an exchange waits.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LoopbackPeer {
public:
  // One reply per connection, in order; connections beyond them are closed
  // without a reply.
  explicit LoopbackPeer(std::vector<std::string> replies);
  ~LoopbackPeer();
  LoopbackPeer(const LoopbackPeer &) = delete;
  LoopbackPeer &operator=(const LoopbackPeer &) = delete;

  int port() const { return port_; }
  // The requests seen so far, each as the bytes up to the end of the
  // request (an empty line in proxy form, the first line end otherwise).
  std::vector<std::string> requests();
  // Replies wait until release().
  void hold();
  void release();

  // A loopback port with nothing listening on it.
  static int closed_port();

private:
  void serve();

  std::vector<std::string> replies_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable released_;
  bool held_ = false;
  std::vector<std::string> requests_;
  std::thread thread_;
};
