// Fuzzes the reply handling of http_get. The socket calls under the Winsock
// layer are replaced (posix_socket_calls) by a fake peer that never touches
// the network and serves the input as a reply.
//
// Input:
//   byte 0     options, one bit each (ModeBit)
//   then       chunks, each a length and that many bytes: a length byte of
//              1 to 254 is the length; 255 takes the next two bytes (little
//              endian, modulo 16384, plus 1); 0 is no data but a recv that
//              would block. A chunk longer than what recv asks for comes in
//              more than one recv. The reply ends with the input, by an
//              orderly close or by a reset.
//
// Checked on every run: the result lies between 0 and the bytes received;
// the buffer holds a NUL within its size, and a buffer that received no
// chunk keeps what it held; every socket made was closed once. In direct
// mode, and in proxy mode when the reply does not open with an HTTP/1.x
// status line, the result is every byte received and the buffer holds
// exactly the chunks that fitted whole with their NUL.
#include "app/launch_options.h"
#include "fuzz_support.h"
#include "net/http_exchange.h"
#include "platform/posix_socket_calls.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace {

enum ModeBit {
  PROXY = 1 << 0,
  LARGE_BUFFER = 1 << 1,  // 12288 bytes instead of 1024
  HOST_NAME = 1 << 2,     // a name to look up instead of a dotted address
  RESET_AT_END = 1 << 3,  // the reply ends with a reset, not a close
  SHORT_SENDS = 1 << 4,   // send takes at most 7 bytes a call
  CONNECT_PENDS = 1 << 5, // connect goes through EINPROGRESS and poll
  LOOKUP_OR_CONNECT_FAILS = 1 << 6,
  COUNT_ONLY = 1 << 7, // a null buffer
};

constexpr int SMALL_BUFFER = 1024;
constexpr int BIG_BUFFER = 12288;
constexpr int FIRST_FAKE_FD = 1000;
constexpr int MAX_SOCKETS = 64;
constexpr char FILLER = (char)0xC3;
constexpr const char KEPT_TEXT[] = "kept";
constexpr const char TARGET[] = "http://ranking.example/score/zq.txt";

struct FakePeer {
  const uint8_t *input;
  size_t size;
  size_t position;
  size_t pending; // bytes of the current chunk not yet handed out
  unsigned mode;
  bool open[MAX_SOCKETS];
  int made;
  bool stray_close;
  // The model of what the exchange stores, fed by every recv that returns
  // data.
  int64_t received;
  char expected[BIG_BUFFER];
  int64_t expected_length;
  bool stored_any;
  int buffer_size;
  char first_bytes[8];
  int first_length;
};
FakePeer peer;

int fake_socket(int, int, int) {
  if (peer.made == MAX_SOCKETS)
    return -1;
  peer.open[peer.made] = true;
  return FIRST_FAKE_FD + peer.made++;
}

bool is_open(int fd) {
  int i = fd - FIRST_FAKE_FD;
  return i >= 0 && i < peer.made && peer.open[i];
}

int fake_close(int fd) {
  if (!is_open(fd)) {
    peer.stray_close = true;
    return -1;
  }
  peer.open[fd - FIRST_FAKE_FD] = false;
  return 0;
}

int fake_fcntl(int fd, int, long) {
  return is_open(fd) ? 0 : -1;
}

int fake_connect(int fd, const struct sockaddr *, unsigned int) {
  FUZZ_CHECK(is_open(fd));
  if (peer.mode & LOOKUP_OR_CONNECT_FAILS) {
    errno = ECONNREFUSED;
    return -1;
  }
  if (peer.mode & CONNECT_PENDS) {
    errno = EINPROGRESS;
    return -1;
  }
  return 0;
}

int fake_getsockopt(int fd, int, int, void *value, unsigned int *len) {
  FUZZ_CHECK(is_open(fd));
  if (value && len && *len >= sizeof(int))
    memset(value, 0, sizeof(int));
  return 0;
}

int fake_poll(struct pollfd *fds, unsigned long nfds, int) {
  for (unsigned long i = 0; i < nfds; i++)
    fds[i].revents = fds[i].events;
  return (int)nfds;
}

ssize_t fake_send(int fd, const void *, size_t len, int) {
  FUZZ_CHECK(is_open(fd));
  if ((peer.mode & SHORT_SENDS) && len > 7)
    return 7;
  return (ssize_t)len;
}

// Takes the next chunk's length from the input; 0 for a recv that would
// block, -1 at the end of the input.
long next_chunk_length() {
  if (peer.position >= peer.size)
    return -1;
  unsigned length = peer.input[peer.position++];
  if (length == 255) {
    unsigned wide = 0;
    if (peer.position < peer.size)
      wide = peer.input[peer.position++];
    if (peer.position < peer.size)
      wide |= (unsigned)peer.input[peer.position++] << 8;
    length = wide % 16384 + 1;
  }
  if (length > peer.size - peer.position)
    length = (unsigned)(peer.size - peer.position);
  return length;
}

void model_chunk(const uint8_t *data, int n) {
  for (int i = 0; i < n && peer.first_length < (int)sizeof(peer.first_bytes); i++)
    peer.first_bytes[peer.first_length++] = (char)data[i];
  if (peer.received + n < peer.buffer_size) {
    memcpy(peer.expected + peer.expected_length, data, (size_t)n);
    peer.expected_length += n;
    peer.stored_any = true;
  }
  peer.received += n;
}

ssize_t fake_recv(int fd, void *buf, size_t len, int) {
  FUZZ_CHECK(is_open(fd));
  if (peer.pending == 0) {
    long length = next_chunk_length();
    if (length < 0) {
      if (peer.mode & RESET_AT_END) {
        errno = ECONNRESET;
        return -1;
      }
      return 0;
    }
    if (length == 0) {
      errno = EAGAIN;
      return -1;
    }
    peer.pending = (size_t)length;
  }
  size_t n = peer.pending < len ? peer.pending : len;
  memcpy(buf, peer.input + peer.position, n);
  model_chunk(peer.input + peer.position, (int)n);
  peer.position += n;
  peer.pending -= n;
  return (ssize_t)n;
}

int fake_getaddrinfo(const char *, const char *, const struct addrinfo *,
                     struct addrinfo **res) {
  static struct sockaddr_in address;
  static struct addrinfo entry;
  if (peer.mode & LOOKUP_OR_CONNECT_FAILS)
    return EAI_NONAME;
  memset(&address, 0, sizeof(address));
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  memset(&entry, 0, sizeof(entry));
  entry.ai_family = AF_INET;
  entry.ai_socktype = SOCK_STREAM;
  entry.ai_addrlen = sizeof(address);
  entry.ai_addr = (struct sockaddr *)&address;
  *res = &entry;
  return 0;
}

void fake_freeaddrinfo(struct addrinfo *) {}

const PosixSocketCalls FAKE_CALLS = {
    fake_socket, fake_connect,    fake_send,  fake_recv,        fake_close,
    fake_poll,   fake_getsockopt, fake_fcntl, fake_getaddrinfo, fake_freeaddrinfo,
};

bool opens_with_status_line(void) {
  return peer.first_length == 8 && (memcmp(peer.first_bytes, "HTTP/1.1", 8) == 0 ||
                                    memcmp(peer.first_bytes, "HTTP/1.0", 8) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0)
    return 0;
  fuzz_scratch::enter();
  memset(&peer, 0, sizeof(peer));
  peer.mode = data[0];
  peer.input = data;
  peer.size = size;
  peer.position = 1;
  peer.buffer_size = (peer.mode & LARGE_BUFFER) ? BIG_BUFFER : SMALL_BUFFER;
  posix_socket_calls = FAKE_CALLS;

  launch_options.proxy_mode = (peer.mode & PROXY) ? 1 : 0;
  launch_options.log_exchange = 0;
  static char buffer[BIG_BUFFER + 16];
  memset(buffer, FILLER, sizeof(buffer));
  strcpy(buffer, KEPT_TEXT);
  const char *host = (peer.mode & HOST_NAME) ? "proxy.example" : "127.0.0.1";
  char *passed = (peer.mode & COUNT_ONLY) ? nullptr : buffer;

  int32_t result = http_get(passed, peer.buffer_size, host, 8080, TARGET);

  reset_posix_socket_calls();
  for (int i = 0; i < peer.made; i++)
    FUZZ_CHECK(!peer.open[i]);
  FUZZ_CHECK(!peer.stray_close);
  FUZZ_CHECK(peer.made <= 1);
  FUZZ_CHECK(result >= 0 && result <= peer.received);
  if (peer.mode & LOOKUP_OR_CONNECT_FAILS)
    FUZZ_CHECK(result == 0 && peer.received == 0);
  // Nothing past the buffer's size is ever written.
  for (size_t i = (size_t)peer.buffer_size; i < sizeof(buffer); i++)
    FUZZ_CHECK(buffer[i] == FILLER);
  if (!passed || !peer.stored_any) {
    FUZZ_CHECK(strcmp(buffer, KEPT_TEXT) == 0);
    FUZZ_CHECK(buffer[sizeof(KEPT_TEXT)] == FILLER);
  } else {
    FUZZ_CHECK(memchr(buffer, 0, (size_t)peer.buffer_size) != nullptr);
  }
  bool taken_whole = !launch_options.proxy_mode || !opens_with_status_line();
  if (taken_whole) {
    FUZZ_CHECK(result == peer.received);
    if (passed && peer.stored_any) {
      FUZZ_CHECK(memcmp(buffer, peer.expected, (size_t)peer.expected_length) == 0);
      FUZZ_CHECK(buffer[peer.expected_length] == '\0');
    }
  }
  return 0;
}
