// Launch options: where every HTTP exchange goes and how, filled once at
// start-up from the defaults and the command line, read-only afterwards.
#pragma once

#include <cstdint>

constexpr int HOST_FIELD_SIZE = 256; // a host of at most 255 bytes and a NUL
constexpr int DEFAULT_PORT = 80;

struct LaunchOptions {
  char host[HOST_FIELD_SIZE]; // host name or dotted IPv4 address
  int32_t port;               // stored without any range check
  int32_t proxy_mode;         // 1: "-h" named the host, which is a proxy
  int32_t log_exchange;       // 1: "-l", each exchange goes to "log.html"
};

// The process's one set of options. Holds port 80 and both flags 0 from the
// start; start-up copies the ranking server's host name into host.
extern LaunchOptions launch_options;

// Reads the options of a command line (the program's name taken off) into
// launch_options:
//   -h<host>  connect to <host> as an HTTP proxy (host cut to 255 bytes)
//   -l        log each exchange to "log.html"
//   -p<port>  connect to TCP port <port>, read as atoi reads it
// The letters may be in either case; everything else is ignored. Never fails.
void parse_command_line(const char *text);
