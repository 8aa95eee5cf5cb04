#include "scripted_peer.h"

#include "socket_call_hooks.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Bounds on every wait, so that a broken exchange fails a test instead of
// hanging it.
constexpr auto ACCEPT_WAIT = std::chrono::seconds(10);
constexpr auto REQUEST_WAIT = std::chrono::seconds(5);
constexpr auto PACE_WAIT = std::chrono::seconds(5);
constexpr auto SILENCE_WAIT = std::chrono::seconds(20);
constexpr int POLL_SLICE_MS = 20;
constexpr int READ_SIZE = 4096;

// A socket bound to 127.0.0.1 on a port of the system's choice; aborts the
// test program when that cannot be had (nothing can be tested then).
int bound_loopback_socket(int *port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  struct sockaddr_in address;
  memset(&address, 0, sizeof(address));
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof(address);
  if (fd < 0 || ::bind(fd, (struct sockaddr *)&address, sizeof(address)) != 0 ||
      ::getsockname(fd, (struct sockaddr *)&address, &length) != 0)
    abort();
  *port = ntohs(address.sin_port);
  return fd;
}

// Waits until fd is readable, in slices, until the deadline or stop. What
// is ready already counts even after stop: a connection or bytes that the
// client sent before its call returned.
bool wait_readable(int fd, Clock::time_point deadline, const std::atomic<bool> &stop) {
  for (;;) {
    struct pollfd p = {fd, POLLIN, 0};
    if (::poll(&p, 1, POLL_SLICE_MS) > 0)
      return true;
    if (stop || Clock::now() >= deadline)
      return false;
  }
}

bool send_all(int fd, const std::string &bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    done += (size_t)n;
  }
  return true;
}

// Waits until the client has taken at least count reply bytes.
void wait_until_taken(long count, const std::atomic<bool> &stop) {
  Clock::time_point deadline = Clock::now() + PACE_WAIT;
  while (!stop && client_bytes_taken < count && Clock::now() < deadline)
    usleep(1000);
}

} // namespace

ScriptedPeer::ScriptedPeer(PeerScript script) : script_(std::move(script)) {
  listen_fd_ = bound_loopback_socket(&port_);
  if (::listen(listen_fd_, 1) != 0)
    abort();
  thread_ = std::thread(&ScriptedPeer::serve, this);
}

ScriptedPeer::~ScriptedPeer() {
  stop_ = true;
  if (thread_.joinable())
    thread_.join();
  ::close(listen_fd_);
}

const std::string &ScriptedPeer::request() {
  stop_ = true;
  if (thread_.joinable())
    thread_.join();
  return request_;
}

void ScriptedPeer::serve() {
  if (!wait_readable(listen_fd_, Clock::now() + ACCEPT_WAIT, stop_))
    return;
  int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0)
    return;
  connected_ = true;

  // The request is read whole even once the client's call has returned:
  // its bytes are waiting here, or the client's close ends the read.
  const std::atomic<bool> keep_reading{false};
  Clock::time_point deadline = Clock::now() + REQUEST_WAIT;
  char part[READ_SIZE];
  while (request_.size() < script_.request_length &&
         wait_readable(fd, deadline, keep_reading)) {
    ssize_t n = ::recv(fd, part, sizeof(part), 0);
    if (n <= 0)
      break;
    request_.append(part, (size_t)n);
  }

  if (script_.ending == PeerEnding::reset_after_reading) {
    // Unread bytes, if any, are dropped with the reset.
    struct linger reset = {1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof(reset));
    ::close(fd);
    return;
  }

  long sent = 0;
  for (const std::string &chunk : script_.chunks) {
    wait_until_taken(sent, stop_);
    if (!send_all(fd, chunk))
      break;
    sent += (long)chunk.size();
  }
  // The last chunk, too, should reach the client apart from the close.
  wait_until_taken(sent, stop_);

  if (script_.ending == PeerEnding::stay_silent) {
    // Silent until the client gives up and closes its end.
    Clock::time_point silence_end = Clock::now() + SILENCE_WAIT;
    while (wait_readable(fd, silence_end, stop_)) {
      ssize_t n = ::recv(fd, part, sizeof(part), 0);
      if (n <= 0)
        break;
      request_.append(part, (size_t)n);
    }
  }
  ::close(fd);
}

RefusingPort::RefusingPort() {
  fd_ = bound_loopback_socket(&port_);
}

RefusingPort::~RefusingPort() {
  ::close(fd_);
}
