// The Winsock 1.1 calls of winsock.h, over non-blocking POSIX sockets.
//
// A SOCKET is the POSIX descriptor. Name look-ups run on a thread of their
// own, so that they too wait in slices. Descriptors are switched to non-blocking
// mode when they are created, and every call that Windows would block in
// waits here with poll, in slices of WAIT_SLICE_MS, calling socket_wait_hook
// between slices; the waits are bounded by socket_timeouts.
#define ZQ_WINSOCK_IMPLEMENTATION
#include "winsock.h"

#include "posix_socket_calls.h"

#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <system_error>
#include <thread>

SocketTimeouts socket_timeouts = {CONNECT_TIMEOUT_MS, RECV_TIMEOUT_MS,
                                  EXCHANGE_TIMEOUT_MS};
void (*socket_wait_hook)(void) = nullptr;

namespace {

constexpr WORD WINSOCK_VERSION_1_1 = 0x0101;
// Addresses that gethostbyname hands out; only the first is used by this
// program, but a name with several keeps its order.
constexpr int MAX_HOST_ADDRESSES = 8;

int startup_count = 0;

// When each connected socket was connected, for the exchange time-out. A
// program that holds more connections at once than there are slots gets no
// exchange time-out on the others.
constexpr int CONNECTION_SLOTS = 16;
struct ConnectionStart {
  int fd; // -1: a free slot
  long long connected_ms;
};
ConnectionStart connection_starts[CONNECTION_SLOTS] = {
    {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0},
    {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}};

struct HostEntryStorage {
  struct zq_winsock::hostent entry;
  char name[256];
  char *aliases[1];
  char addresses[MAX_HOST_ADDRESSES][4];
  char *address_list[MAX_HOST_ADDRESSES + 1];
};
HostEntryStorage host_storage;

long long now_ms() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (long long)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

ConnectionStart *connection_start(int fd) {
  for (ConnectionStart &c : connection_starts)
    if (c.fd == fd)
      return &c;
  return nullptr;
}

void remember_connection(int fd) {
  ConnectionStart *slot = connection_start(fd);
  if (!slot)
    slot = connection_start(-1);
  if (slot)
    *slot = {fd, now_ms()};
}

void forget_connection(int fd) {
  if (ConnectionStart *slot = connection_start(fd))
    *slot = {-1, 0};
}

// How long a receive on fd may still wait: the silence time-out, cut to
// what is left of the exchange time-out.
int receive_wait_ms(int fd) {
  int limit = socket_timeouts.recv_ms;
  ConnectionStart *start = connection_start(fd);
  if (start && socket_timeouts.exchange_ms > 0) {
    long long left = socket_timeouts.exchange_ms - (now_ms() - start->connected_ms);
    if (left < limit)
      limit = left > 0 ? (int)left : 0;
  }
  return limit;
}

int descriptor(zq_winsock::SOCKET s) {
  if (s == zq_winsock::INVALID_SOCKET || s > (zq_winsock::SOCKET)0x7fffffff)
    return -1;
  return (int)s;
}

// Waits until fd is ready for events or limit_ms has passed, in slices.
// Returns 1 when ready (or in error: the next call will tell), 0 when the
// time ran out, -1 when poll failed.
int wait_ready(int fd, short events, int limit_ms) {
  long long start = now_ms();
  for (;;) {
    long long left = limit_ms - (now_ms() - start);
    if (left <= 0)
      return 0;
    struct pollfd p = {fd, events, 0};
    int slice = left < WAIT_SLICE_MS ? (int)left : WAIT_SLICE_MS;
    int n = posix_socket_calls.sys_poll(&p, 1, slice);
    if (n > 0)
      return 1;
    if (n < 0 && errno != EINTR)
      return -1;
    if (socket_wait_hook)
      socket_wait_hook();
  }
}

// Parses one part of an address in the C notation that inet_addr accepts:
// decimal, octal after a leading 0, hexadecimal after 0x.
const char *parse_part(const char *p, unsigned long *value) {
  unsigned long v = 0;
  int base = 10;
  if (*p == '0') {
    base = 8;
    if (p[1] == 'x' || p[1] == 'X') {
      base = 16;
      p += 2;
      if (!isxdigit((unsigned char)*p))
        return nullptr;
    }
  }
  if (!isxdigit((unsigned char)*p))
    return nullptr;
  for (;; p++) {
    int d;
    if (*p >= '0' && *p <= '9')
      d = *p - '0';
    else if (base == 16 && *p >= 'a' && *p <= 'f')
      d = *p - 'a' + 10;
    else if (base == 16 && *p >= 'A' && *p <= 'F')
      d = *p - 'A' + 10;
    else
      break;
    if (d >= base)
      return nullptr;
    v = v * base + d;
    if (v > 0xffffffffUL)
      return nullptr;
  }
  *value = v;
  return p;
}

// One name look-up (IPv4 addresses for a stream socket). It runs on a
// thread of its own while the caller waits in slices, calling
// socket_wait_hook, for at most the connect time-out; a look-up that takes
// longer is left to finish on its own and counts as failed. The result is
// freed with posix_socket_calls.sys_freeaddrinfo.
struct Lookup {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  bool abandoned = false;
  std::string name;
  struct addrinfo *found = nullptr;
};

struct addrinfo *look_up(const char *name) {
  auto lookup = std::make_shared<Lookup>();
  lookup->name = name;
  auto resolve = posix_socket_calls.sys_getaddrinfo;
  auto release = posix_socket_calls.sys_freeaddrinfo;
  try {
    std::thread([lookup, resolve, release] {
      struct addrinfo hints;
      memset(&hints, 0, sizeof(hints));
      hints.ai_family = PF_INET;
      hints.ai_socktype = ::SOCK_STREAM;
      struct addrinfo *found = nullptr;
      if (resolve(lookup->name.c_str(), nullptr, &hints, &found) != 0)
        found = nullptr;
      std::lock_guard<std::mutex> lock(lookup->mutex);
      if (lookup->abandoned) {
        if (found)
          release(found);
        return;
      }
      lookup->found = found;
      lookup->done = true;
      lookup->finished.notify_all();
    }).detach();
  } catch (const std::system_error &) {
    return nullptr; // no thread to look up on
  }
  long long start = now_ms();
  std::unique_lock<std::mutex> lock(lookup->mutex);
  while (!lookup->done) {
    long long left = socket_timeouts.connect_ms - (now_ms() - start);
    if (left <= 0) {
      lookup->abandoned = true;
      return nullptr;
    }
    lookup->finished.wait_for(
        lock, std::chrono::milliseconds(left < WAIT_SLICE_MS ? left : WAIT_SLICE_MS));
    if (!lookup->done && socket_wait_hook) {
      lock.unlock();
      socket_wait_hook();
      lock.lock();
    }
  }
  return lookup->found;
}

} // namespace

namespace zq_winsock {

int WSAStartup(WORD version_requested, LPWSADATA data) {
  if ((version_requested & 0xff) < 1)
    return SOCKET_ERROR;
  if (data) {
    memset(data, 0, sizeof(*data));
    data->wVersion = WINSOCK_VERSION_1_1;
    data->wHighVersion = WINSOCK_VERSION_1_1;
    strcpy(data->szDescription, "Winsock 1.1 over POSIX sockets");
    strcpy(data->szSystemStatus, "Running");
    data->iMaxSockets = 0x7fff;
  }
  startup_count++;
  return 0;
}

int WSACleanup(void) {
  if (startup_count == 0)
    return SOCKET_ERROR;
  startup_count--;
  return 0;
}

SOCKET socket(int af, int type, int protocol) {
  if (startup_count == 0 || af != AF_INET || type != SOCK_STREAM ||
      (protocol != 0 && protocol != IPPROTO_TCP))
    return INVALID_SOCKET;
  int fd = posix_socket_calls.sys_socket(PF_INET, ::SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return INVALID_SOCKET;
  int flags = posix_socket_calls.sys_fcntl(fd, F_GETFL, 0);
  if (flags < 0 || posix_socket_calls.sys_fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) {
    posix_socket_calls.sys_close(fd);
    return INVALID_SOCKET;
  }
  return (SOCKET)fd;
}

// "a.b.c.d", "a.b.c" (c fills 16 bits), "a.b" (b fills 24 bits) or "a"
// (32 bits); each part decimal, octal or hexadecimal. Anything else,
// the empty text included, is INADDR_NONE.
u_long inet_addr(const char *cp) {
  if (!cp)
    return INADDR_NONE;
  unsigned long parts[4];
  int count = 0;
  const char *p = cp;
  for (;;) {
    if (count == 4)
      return INADDR_NONE;
    p = parse_part(p, &parts[count]);
    if (!p)
      return INADDR_NONE;
    count++;
    if (*p == '.') {
      p++;
      continue;
    }
    if (*p != '\0')
      return INADDR_NONE;
    break;
  }
  unsigned long host = 0;
  for (int i = 0; i < count - 1; i++) {
    if (parts[i] > 0xff)
      return INADDR_NONE;
    host |= parts[i] << (24 - 8 * i);
  }
  unsigned long last_max = 0xffffffffUL >> (8 * (count - 1));
  if (parts[count - 1] > last_max)
    return INADDR_NONE;
  host |= parts[count - 1];
  return (u_long)htonl((uint32_t)host);
}

struct hostent *gethostbyname(const char *name) {
  if (!name || !*name || strlen(name) >= sizeof(host_storage.name))
    return nullptr;
  struct addrinfo *found = look_up(name);
  if (!found)
    return nullptr;
  HostEntryStorage &h = host_storage;
  memset(&h, 0, sizeof(h));
  int n = 0;
  for (struct addrinfo *a = found; a && n < MAX_HOST_ADDRESSES; a = a->ai_next) {
    if (a->ai_family != PF_INET ||
        a->ai_addrlen < (socklen_t)sizeof(struct ::sockaddr_in))
      continue;
    const struct ::sockaddr_in *in = (const struct ::sockaddr_in *)a->ai_addr;
    memcpy(h.addresses[n], &in->sin_addr.s_addr, 4);
    h.address_list[n] = h.addresses[n];
    n++;
  }
  posix_socket_calls.sys_freeaddrinfo(found);
  if (n == 0)
    return nullptr;
  strcpy(h.name, name);
  h.entry.h_name = h.name;
  h.entry.h_aliases = h.aliases;
  h.entry.h_addrtype = AF_INET;
  h.entry.h_length = 4;
  h.entry.h_addr_list = h.address_list;
  return &h.entry;
}

int connect(SOCKET s, const struct sockaddr *name, int namelen) {
  int fd = descriptor(s);
  if (fd < 0 || !name || namelen < (int)sizeof(sockaddr_in))
    return SOCKET_ERROR;
  const sockaddr_in *in = (const sockaddr_in *)name;
  if (in->sin_family != AF_INET)
    return SOCKET_ERROR;
  struct ::sockaddr_in addr;
  memset(&addr, 0, sizeof(addr));
  addr.sin_family = PF_INET;
  addr.sin_port = in->sin_port;
  addr.sin_addr.s_addr = in->sin_addr.s_addr;
  if (posix_socket_calls.sys_connect(fd, (const struct ::sockaddr *)&addr,
                                     sizeof(addr)) == 0) {
    remember_connection(fd);
    return 0;
  }
  if (errno != EINPROGRESS && errno != EINTR)
    return SOCKET_ERROR;
  if (wait_ready(fd, POLLOUT, socket_timeouts.connect_ms) != 1)
    return SOCKET_ERROR;
  int error = 0;
  socklen_t len = sizeof(error);
  if (posix_socket_calls.sys_getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0 ||
      error != 0)
    return SOCKET_ERROR;
  remember_connection(fd);
  return 0;
}

// Sends all len bytes unless the connection fails or the peer stops reading
// for the receive time-out; returns the count sent, or SOCKET_ERROR when
// nothing could be sent.
int send(SOCKET s, const char *buf, int len, int flags) {
  int fd = descriptor(s);
  if (fd < 0 || len < 0 || (len > 0 && !buf))
    return SOCKET_ERROR;
  int sent = 0;
  while (sent < len) {
    ssize_t n = posix_socket_calls.sys_send(fd, buf + sent, (size_t)(len - sent),
                                            flags | MSG_NOSIGNAL);
    if (n > 0) {
      sent += (int)n;
      continue;
    }
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) &&
        wait_ready(fd, POLLOUT, socket_timeouts.recv_ms) == 1)
      continue;
    break;
  }
  return sent > 0 || len == 0 ? sent : SOCKET_ERROR;
}

int recv(SOCKET s, char *buf, int len, int flags) {
  int fd = descriptor(s);
  if (fd < 0 || len <= 0 || !buf)
    return SOCKET_ERROR;
  for (;;) {
    if (receive_wait_ms(fd) == 0)
      return 0; // the exchange has lasted too long: taken as the end
    ssize_t n = posix_socket_calls.sys_recv(fd, buf, (size_t)len, flags);
    if (n >= 0)
      return (int)n;
    if (errno == EINTR)
      continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK)
      return SOCKET_ERROR;
    int ready = wait_ready(fd, POLLIN, receive_wait_ms(fd));
    if (ready == 0)
      return 0; // silent for the whole time-out: taken as the end
    if (ready < 0)
      return SOCKET_ERROR;
  }
}

int closesocket(SOCKET s) {
  int fd = descriptor(s);
  if (fd < 0)
    return SOCKET_ERROR;
  forget_connection(fd);
  return posix_socket_calls.sys_close(fd) == 0 ? 0 : SOCKET_ERROR;
}

} // namespace zq_winsock
