// The HTTP exchange over the Winsock layer.
//
// Request forms, with no header lines:
//   direct: "GET " target "\r\n"                      (HTTP/0.9)
//   proxy:  "GET " target " HTTP/1.1\r\n\r\n"
// A direct reply is the body alone. A proxy reply opens with a status line
// and header lines up to a blank line; these are taken off the stored text.
#include "net/http_exchange.h"

#include "app/launch_options.h"
#include "net/send_in_pieces.h"
#include "platform/crt.h"
#include "platform/winsock.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr WORD WINSOCK_VERSION_1_1 = MAKEWORD(1, 1);
constexpr const char DIRECT_REQUEST_END[] = "\r\n";
constexpr const char PROXY_REQUEST_END[] = " HTTP/1.1\r\n\r\n";
constexpr const char HEADER_END[] = "\r\n\r\n";
constexpr int HEADER_END_LENGTH = 4;
// "HTTP/1.x NNN": the status line's start, as far as it is judged.
constexpr int STATUS_PREFIX_LENGTH = 12;
constexpr int FIRST_FAILING_STATUS = 400;

static_assert(4 + MAX_TARGET_LENGTH + sizeof(PROXY_REQUEST_END) <= EXCHANGE_BUFFER_SIZE,
              "the longest request fits the exchange buffer");
static_assert(RECEIVE_CHUNK_SIZE + 1 <= EXCHANGE_BUFFER_SIZE,
              "a chunk and its NUL fit the exchange buffer");

// Whether text begins with the version of an HTTP/1.0 or HTTP/1.1 status
// line.
bool is_http1_status_line(const char *text) {
  return strncmp(text, "HTTP/1.1", 8) == 0 || strncmp(text, "HTTP/1.0", 8) == 0;
}

// The status code of a reply that begins "HTTP/1.x NNN", or 0.
int status_code(const char *start, int length) {
  if (length < STATUS_PREFIX_LENGTH || !is_http1_status_line(start) || start[8] != ' ')
    return 0;
  int code = 0;
  for (int i = 9; i < STATUS_PREFIX_LENGTH; i++) {
    if (start[i] < '0' || start[i] > '9')
      return 0;
    code = code * 10 + (start[i] - '0');
  }
  return code;
}

// Takes the status line and header lines off the NUL-terminated reply in
// buffer when it opens with an HTTP/1.x status line and holds the blank line
// that ends the header. Returns the header's length, or 0.
int32_t remove_header(char *buffer) {
  if (!is_http1_status_line(buffer))
    return 0;
  char *end = strstr(buffer, HEADER_END);
  if (!end)
    return 0;
  char *body = end + HEADER_END_LENGTH;
  memmove(buffer, body, strlen(body) + 1);
  return (int32_t)(body - buffer);
}

} // namespace

void send_in_pieces(SOCKET s, const char *data, int32_t length) {
  int32_t whole = length / SEND_PIECE_SIZE;
  for (int32_t i = 0; i < whole; i++)
    send(s, data + i * SEND_PIECE_SIZE, SEND_PIECE_SIZE, 0);
  int32_t rest = length % SEND_PIECE_SIZE;
  if (rest > 0)
    send(s, data + whole * SEND_PIECE_SIZE, rest, 0);
}

int32_t http_get(char *buffer, int32_t buffer_size, const char *host, int32_t port,
                 const char *target) {
  if (!host || !target || strlen(target) > (size_t)MAX_TARGET_LENGTH)
    return 0;

  WSADATA wsa_data;
  if (WSAStartup(WINSOCK_VERSION_1_1, &wsa_data) != 0)
    return 0;
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) {
    WSACleanup();
    return 0;
  }

  struct sockaddr_in address;
  memset(&address, 0, sizeof(address));
  u_long ip = inet_addr(host);
  if (ip == INADDR_NONE) {
    struct hostent *entry = gethostbyname(host);
    if (!entry || !entry->h_addr_list || !entry->h_addr_list[0]) {
      closesocket(s);
      WSACleanup();
      return 0;
    }
    memcpy(&address.sin_addr.s_addr, entry->h_addr_list[0], 4);
  } else {
    address.sin_addr.s_addr = (uint32_t)ip;
  }
  address.sin_family = AF_INET;
  address.sin_port = htons((u_short)port);
  if (connect(s, (struct sockaddr *)&address, sizeof(address)) == SOCKET_ERROR) {
    closesocket(s);
    WSACleanup();
    return 0;
  }

  char exchange[EXCHANGE_BUFFER_SIZE];
  strcpy(exchange, "GET ");
  strcat(exchange, target);
  strcat(exchange, launch_options.proxy_mode ? PROXY_REQUEST_END : DIRECT_REQUEST_END);
  send_in_pieces(s, exchange, (int32_t)strlen(exchange));

  FILE *log = nullptr;
  if (launch_options.log_exchange) {
    log = _fsopen(EXCHANGE_LOG_NAME, "wb", _SH_DENYNO);
    if (log)
      fputs(exchange, log);
  }

  // The first bytes of the reply as received, stored or not, to judge the
  // status line by.
  char status_start[STATUS_PREFIX_LENGTH];
  int status_length = 0;

  int32_t count = 0;
  char *write_position = buffer;
  for (;;) {
    int n = recv(s, exchange, RECEIVE_CHUNK_SIZE, 0);
    if (n == 0 || n == SOCKET_ERROR)
      break;
    if (buffer && (int64_t)count + n < (int64_t)buffer_size) {
      memcpy(write_position, exchange, (size_t)n);
      write_position += n;
      *write_position = '\0';
    }
    for (int i = 0; i < n && status_length < STATUS_PREFIX_LENGTH; i++)
      status_start[status_length++] = exchange[i];
    exchange[n] = '\0';
    if (log)
      fputs(exchange, log);
    // The count saturates rather than wrap on a reply of 2 GB or more.
    count = (int64_t)count + n > INT32_MAX ? INT32_MAX : count + n;
  }
  if (log)
    fclose(log);

  if (launch_options.proxy_mode) {
    if (buffer && write_position != buffer)
      count -= remove_header(buffer);
    if (status_code(status_start, status_length) >= FIRST_FAILING_STATUS)
      count = 0;
  }

  closesocket(s);
  WSACleanup();
  return count;
}
