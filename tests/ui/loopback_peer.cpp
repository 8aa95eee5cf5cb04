// The scripted loopback HTTP peer.
#include "loopback_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int POLL_SLICE_MS = 20;
constexpr size_t READ_CHUNK = 4096;

int listen_on_loopback(int &port) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (::bind(fd, (sockaddr *)&address, sizeof address) != 0 || ::listen(fd, 8) != 0) {
    ::close(fd);
    return -1;
  }
  socklen_t length = sizeof address;
  getsockname(fd, (sockaddr *)&address, &length);
  port = ntohs(address.sin_port);
  return fd;
}

// The request ends at its first line end, or at an empty line when it
// carries the HTTP/1.1 form.
bool request_complete(const std::string &request) {
  size_t line_end = request.find("\r\n");
  if (line_end == std::string::npos)
    return false;
  constexpr size_t VERSION_LENGTH = 9; // " HTTP/1.1"
  if (line_end >= VERSION_LENGTH &&
      request.compare(line_end - VERSION_LENGTH, VERSION_LENGTH, " HTTP/1.1") == 0)
    return request.find("\r\n\r\n") != std::string::npos;
  return true;
}

} // namespace

LoopbackPeer::LoopbackPeer(std::vector<std::string> replies)
    : replies_(std::move(replies)) {
  listener_ = listen_on_loopback(port_);
  thread_ = std::thread([this] { serve(); });
}

LoopbackPeer::~LoopbackPeer() {
  stop_ = true;
  release();
  thread_.join();
  if (listener_ >= 0)
    ::close(listener_);
}

std::vector<std::string> LoopbackPeer::requests() {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void LoopbackPeer::hold() {
  std::lock_guard<std::mutex> lock(mutex_);
  held_ = true;
}

void LoopbackPeer::release() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    held_ = false;
  }
  released_.notify_all();
}

int LoopbackPeer::closed_port() {
  int port = 0;
  int fd = listen_on_loopback(port);
  ::close(fd);
  return port;
}

void LoopbackPeer::serve() {
  size_t served = 0;
  while (!stop_) {
    pollfd p = {listener_, POLLIN, 0};
    if (::poll(&p, 1, POLL_SLICE_MS) <= 0)
      continue;
    int connection = ::accept(listener_, nullptr, nullptr);
    if (connection < 0)
      continue;
    std::string request;
    char chunk[READ_CHUNK];
    while (!request_complete(request)) {
      ssize_t n = ::recv(connection, chunk, sizeof chunk, 0);
      if (n <= 0)
        break;
      request.append(chunk, (size_t)n);
    }
    {
      std::unique_lock<std::mutex> lock(mutex_);
      requests_.push_back(request);
      released_.wait(lock, [this] { return !held_ || stop_; });
    }
    if (served < replies_.size()) {
      const std::string &reply = replies_[served];
      size_t sent = 0;
      while (sent < reply.size()) {
        ssize_t n =
            ::send(connection, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
          break;
        sent += (size_t)n;
      }
    }
    served++;
    ::close(connection);
  }
}
