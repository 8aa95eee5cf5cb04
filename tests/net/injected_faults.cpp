#include "injected_faults.h"

#include "socket_call_hooks.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace {

constexpr int RESET_WAIT_MS = 5000;
constexpr int MAX_ADDRESSES = 4;

int reset_after_chunks = 0;
int chunks_passed = 0;
size_t most_per_send = 0;
int interruption_calls = 0;
int sends_before_reset = 0;
std::vector<size_t> send_lengths;
std::vector<std::string> connect_addresses;

// The fake look-up result: one addrinfo and socket address per address.
struct FakeAddresses {
  struct addrinfo entries[MAX_ADDRESSES];
  struct sockaddr_in addresses[MAX_ADDRESSES];
  int count = 0;
};
FakeAddresses fake;

int fail_with(int error) {
  errno = error;
  return -1;
}

// Every other call is interrupted.
bool interrupt_now() {
  return interruption_calls++ % 2 == 0;
}

} // namespace

void inject_refused_connect() {
  posix_socket_calls.sys_connect = [](int, const struct sockaddr *, unsigned int) {
    return fail_with(ECONNREFUSED);
  };
}

void inject_connect_never_completes() {
  posix_socket_calls.sys_connect = [](int, const struct sockaddr *, unsigned int) {
    return fail_with(EINPROGRESS);
  };
  posix_socket_calls.sys_poll = [](struct pollfd *, unsigned long, int timeout_ms) {
    return socket_calls_below.sys_poll(nullptr, 0, timeout_ms);
  };
}

void inject_connect_error_after_wait() {
  posix_socket_calls.sys_connect = [](int, const struct sockaddr *, unsigned int) {
    return fail_with(EINPROGRESS);
  };
  posix_socket_calls.sys_poll = [](struct pollfd *fds, unsigned long, int) {
    fds[0].revents = POLLOUT | POLLERR;
    return 1;
  };
  posix_socket_calls.sys_getsockopt = [](int, int, int, void *value, unsigned int *len) {
    int error = ECONNREFUSED;
    memcpy(value, &error, sizeof(error));
    *len = sizeof(error);
    return 0;
  };
}

void inject_failed_lookup() {
  posix_socket_calls.sys_getaddrinfo = [](const char *, const char *,
                                          const struct addrinfo *,
                                          struct addrinfo **) { return EAI_NONAME; };
}

void inject_socket_failure() {
  posix_socket_calls.sys_socket = [](int, int, int) { return fail_with(EMFILE); };
}

void inject_nonblocking_failure() {
  posix_socket_calls.sys_fcntl = [](int fd, int cmd, long arg) {
    if (cmd == F_SETFL)
      return fail_with(EBADF);
    return socket_calls_below.sys_fcntl(fd, cmd, arg);
  };
}

void inject_reset_after(int chunks) {
  reset_after_chunks = chunks;
  chunks_passed = 0;
  posix_socket_calls.sys_recv = [](int fd, void *buf, size_t len, int flags) -> ssize_t {
    if (chunks_passed >= reset_after_chunks)
      return fail_with(ECONNRESET);
    ssize_t n = socket_calls_below.sys_recv(fd, buf, len, flags);
    if (n > 0)
      chunks_passed++;
    return n;
  };
}

void inject_short_sends(size_t most) {
  most_per_send = most;
  posix_socket_calls.sys_send = [](int fd, const void *buf, size_t len, int flags) {
    return socket_calls_below.sys_send(fd, buf, len < most_per_send ? len : most_per_send,
                                       flags);
  };
}

void inject_interruptions() {
  interruption_calls = 0;
  posix_socket_calls.sys_connect = [](int fd, const struct sockaddr *addr,
                                      unsigned int len) {
    int result = socket_calls_below.sys_connect(fd, addr, len);
    if (result == 0 || errno == EINPROGRESS)
      return fail_with(EINTR);
    return result;
  };
  posix_socket_calls.sys_send = [](int fd, const void *buf, size_t len,
                                   int flags) -> ssize_t {
    if (interrupt_now())
      return fail_with(EINTR);
    return socket_calls_below.sys_send(fd, buf, len, flags);
  };
  posix_socket_calls.sys_recv = [](int fd, void *buf, size_t len, int flags) -> ssize_t {
    if (interrupt_now())
      return fail_with(EINTR);
    return socket_calls_below.sys_recv(fd, buf, len, flags);
  };
  posix_socket_calls.sys_poll = [](struct pollfd *fds, unsigned long n, int timeout_ms) {
    if (interrupt_now())
      return fail_with(EINTR);
    return socket_calls_below.sys_poll(fds, n, timeout_ms);
  };
}

void inject_wait_for_reset_after_first_send() {
  sends_before_reset = 0;
  posix_socket_calls.sys_send = [](int fd, const void *buf, size_t len, int flags) {
    if (sends_before_reset++ > 0) {
      struct pollfd p = {fd, POLLIN, 0};
      auto end =
          std::chrono::steady_clock::now() + std::chrono::milliseconds(RESET_WAIT_MS);
      while (std::chrono::steady_clock::now() < end) {
        p.revents = 0;
        if (socket_calls_below.sys_poll(&p, 1, 20) > 0 &&
            (p.revents & (POLLERR | POLLHUP)))
          break;
      }
    }
    return socket_calls_below.sys_send(fd, buf, len, flags);
  };
}

void inject_address_list(const std::vector<std::string> &addresses) {
  fake = FakeAddresses();
  for (const std::string &text : addresses) {
    if (fake.count == MAX_ADDRESSES)
      break;
    int i = fake.count++;
    fake.addresses[i].sin_family = AF_INET;
    inet_pton(AF_INET, text.c_str(), &fake.addresses[i].sin_addr);
    fake.entries[i].ai_family = AF_INET;
    fake.entries[i].ai_socktype = SOCK_STREAM;
    fake.entries[i].ai_addrlen = sizeof(struct sockaddr_in);
    fake.entries[i].ai_addr = (struct sockaddr *)&fake.addresses[i];
    if (i > 0)
      fake.entries[i - 1].ai_next = &fake.entries[i];
  }
  posix_socket_calls.sys_getaddrinfo = [](const char *node, const char *service,
                                          const struct addrinfo *hints,
                                          struct addrinfo **res) {
    // Passed on first, so that the bookkeeping counts the look-up.
    struct addrinfo *real = nullptr;
    if (socket_calls_below.sys_getaddrinfo(node, service, hints, &real) == 0)
      socket_calls_below.sys_freeaddrinfo(real);
    *res = fake.count > 0 ? &fake.entries[0] : nullptr;
    return fake.count > 0 ? 0 : EAI_NONAME;
  };
  posix_socket_calls.sys_freeaddrinfo = [](struct addrinfo *) {};
}

void record_sends_and_connects() {
  send_lengths.clear();
  connect_addresses.clear();
  posix_socket_calls.sys_send = [](int fd, const void *buf, size_t len, int flags) {
    send_lengths.push_back(len);
    return socket_calls_below.sys_send(fd, buf, len, flags);
  };
  posix_socket_calls.sys_connect = [](int fd, const struct sockaddr *addr,
                                      unsigned int len) {
    char text[INET_ADDRSTRLEN] = "?";
    if (addr->sa_family == AF_INET)
      inet_ntop(AF_INET, &((const struct sockaddr_in *)addr)->sin_addr, text,
                sizeof(text));
    connect_addresses.push_back(text);
    return socket_calls_below.sys_connect(fd, addr, len);
  };
}

const std::vector<size_t> &recorded_send_lengths() {
  return send_lengths;
}

const std::vector<std::string> &recorded_connect_addresses() {
  return connect_addresses;
}
