// The POSIX calls that the Winsock layer makes, as one replaceable table.
//
// The layer calls the operating system only through posix_socket_calls, so a
// test can put its own function in any entry to inject a refused
// connection, a reset, a short send or silence, and put the real one back
// with reset_posix_socket_calls. Nothing here names a Winsock type, and no
// POSIX header is needed to use the table. The POSIX structures are named
// from the global namespace, so that the header can be used next to
// winsock.h, whose structures of the same names are in scope there too.
#pragma once

#include <sys/types.h>

struct sockaddr;
struct pollfd;
struct addrinfo;

struct PosixSocketCalls {
  int (*sys_socket)(int domain, int type, int protocol);
  int (*sys_connect)(int fd, const struct ::sockaddr *addr, unsigned int len);
  ssize_t (*sys_send)(int fd, const void *buf, size_t len, int flags);
  ssize_t (*sys_recv)(int fd, void *buf, size_t len, int flags);
  int (*sys_close)(int fd);
  int (*sys_poll)(struct ::pollfd *fds, unsigned long nfds, int timeout_ms);
  int (*sys_getsockopt)(int fd, int level, int name, void *value, unsigned int *len);
  int (*sys_fcntl)(int fd, int cmd, long arg);
  int (*sys_getaddrinfo)(const char *node, const char *service,
                         const struct ::addrinfo *hints, struct ::addrinfo **res);
  void (*sys_freeaddrinfo)(struct ::addrinfo *res);
};

extern PosixSocketCalls posix_socket_calls;

// Puts the operating system's own calls back into every entry.
void reset_posix_socket_calls(void);
