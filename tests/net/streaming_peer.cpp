#include "streaming_peer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

StreamingPeer::StreamingPeer(long long total) : total_(total) {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (bind(listener_, (sockaddr *)&a, sizeof a) != 0 || listen(listener_, 1) != 0 ||
      getsockname(listener_, (sockaddr *)&a, &len) != 0)
    return;
  port_ = ntohs(a.sin_port);
  thread_ = std::thread([this] { serve(); });
}

StreamingPeer::~StreamingPeer() {
  shutdown(listener_, SHUT_RDWR);
  if (thread_.joinable())
    thread_.join();
  close(listener_);
}

void StreamingPeer::serve() {
  int fd = accept(listener_, nullptr, nullptr);
  if (fd < 0)
    return;
  char request[16384];
  if (recv(fd, request, sizeof request, 0) <= 0) {
    close(fd);
    return;
  }
  static char chunk[65536];
  memset(chunk, 'x', sizeof chunk);
  while (total_ < 0 || sent_ < total_) {
    long long want = total_ < 0 ? (long long)sizeof chunk
                                : std::min<long long>(sizeof chunk, total_ - sent_);
    ssize_t n = send(fd, chunk, (size_t)want, MSG_NOSIGNAL);
    if (n <= 0)
      break;
    sent_ += n;
  }
  close(fd);
}
