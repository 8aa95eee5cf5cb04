#include "socket_call_hooks.h"

#include <sys/socket.h>

PosixSocketCalls socket_calls_below;
SocketBook socket_book;
std::atomic<long> client_bytes_taken{0};

namespace {

PosixSocketCalls real_calls;

int book_socket(int domain, int type, int protocol) {
  int fd = real_calls.sys_socket(domain, type, protocol);
  if (fd >= 0) {
    socket_book.sockets_made++;
    socket_book.open_sockets.insert(fd);
  }
  return fd;
}

int book_close(int fd) {
  socket_book.closes++;
  if (socket_book.open_sockets.erase(fd) == 0)
    socket_book.stray_closes++;
  return real_calls.sys_close(fd);
}

ssize_t book_recv(int fd, void *buf, size_t len, int flags) {
  ssize_t n = real_calls.sys_recv(fd, buf, len, flags);
  if (n > 0)
    client_bytes_taken += (long)n;
  return n;
}

int book_getaddrinfo(const char *node, const char *service, const struct addrinfo *hints,
                     struct addrinfo **res) {
  socket_book.name_lookups++;
  return real_calls.sys_getaddrinfo(node, service, hints, res);
}

} // namespace

void install_bookkeeping() {
  reset_posix_socket_calls();
  real_calls = posix_socket_calls;
  socket_book = SocketBook();
  client_bytes_taken = 0;
  posix_socket_calls.sys_socket = book_socket;
  posix_socket_calls.sys_close = book_close;
  posix_socket_calls.sys_recv = book_recv;
  posix_socket_calls.sys_getaddrinfo = book_getaddrinfo;
  socket_calls_below = posix_socket_calls;
}

void remove_bookkeeping() {
  reset_posix_socket_calls();
}
