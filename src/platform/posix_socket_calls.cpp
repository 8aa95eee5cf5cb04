// The operating system's own socket calls, as the default contents of the
// replaceable table that the Winsock layer calls through.
#include "posix_socket_calls.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <type_traits>

static_assert(std::is_same_v<socklen_t, unsigned int>,
              "the table spells socklen_t as unsigned int");

namespace {

int real_poll(struct pollfd *fds, unsigned long nfds, int timeout_ms) {
  return poll(fds, (nfds_t)nfds, timeout_ms);
}

int real_fcntl(int fd, int cmd, long arg) {
  return fcntl(fd, cmd, arg);
}

const PosixSocketCalls REAL_CALLS = {
    socket,    connect,    send,       recv,        close,
    real_poll, getsockopt, real_fcntl, getaddrinfo, freeaddrinfo,
};

} // namespace

PosixSocketCalls posix_socket_calls = REAL_CALLS;

void reset_posix_socket_calls(void) {
  posix_socket_calls = REAL_CALLS;
}
