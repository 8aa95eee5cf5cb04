// One HTTP GET over a fresh TCP connection, direct (HTTP/0.9) or through a
// proxy (HTTP/1.1 request line), with an optional log of the exchange.
#pragma once

#include <cstdint>

constexpr int EXCHANGE_BUFFER_SIZE = 8448; // the request, then each chunk
constexpr int RECEIVE_CHUNK_SIZE = 8192;
constexpr int SEND_PIECE_SIZE = 1024;
// The longest target that fits the exchange buffer with " HTTP/1.1\r\n\r\n"
// and "GET " around it and a NUL.
constexpr int MAX_TARGET_LENGTH = 8430;
constexpr const char EXCHANGE_LOG_NAME[] = "log.html";

// Sends "GET <target>" to host:port and collects the reply until the peer
// closes the connection (or stays silent for the receive time-out).
//   buffer, buffer_size: where the reply goes, NUL-terminated; chunks are
//     stored whole while they fit with their NUL, and none after the first
//     that does not. Null buffer: count only.
//   host: dotted IPv4 address or host name; port: low 16 bits used.
//   target: at most MAX_TARGET_LENGTH bytes, sent as it is.
// In proxy mode (launch_options.proxy_mode) the request line ends
// " HTTP/1.1" and a header in front of the stored reply is taken off.
// Result: the count of reply bytes received, less the header taken off;
// 0 when the exchange failed before the request went out, when nothing came
// back, or, in proxy mode, when the status code is 400 or above.
// With launch_options.log_exchange the request and the reply as received go
// to "log.html", replacing what it held.
int32_t http_get(char *buffer, int32_t buffer_size, const char *host, int32_t port,
                 const char *target);
