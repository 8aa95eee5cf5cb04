// The command line: options "-h", "-l" and "-p" into launch_options.
//
// The line is read as bytes. Token bytes are 0x21 to 0x7F; every other byte
// but NUL separates tokens, the lead byte of a double-byte character
// (0x80 and up) included, so such a byte ends an option's value. A token
// holds at most one option, which its first two bytes name.
#include "app/launch_options.h"

#include <cstring>

LaunchOptions launch_options = {{0}, DEFAULT_PORT, 0, 0};

namespace {

bool is_token_byte(unsigned char c) {
  return c >= 0x21 && c <= 0x7F;
}

bool is_separator(unsigned char c) {
  return c != 0 && !is_token_byte(c);
}

bool is_atoi_space(unsigned char c) {
  return c == 0x20 || (c >= 0x09 && c <= 0x0D);
}

// The value that atoi gives for text, in 32-bit arithmetic that wraps
// around instead of overflowing.
int32_t atoi_wrapping(const unsigned char *text) {
  while (is_atoi_space(*text))
    text++;
  bool negative = false;
  if (*text == '+' || *text == '-') {
    negative = *text == '-';
    text++;
  }
  uint32_t value = 0;
  for (; *text >= '0' && *text <= '9'; text++)
    value = value * 10u + (uint32_t)(*text - '0');
  if (negative)
    value = 0u - value;
  return (int32_t)value;
}

} // namespace

void parse_command_line(const char *text) {
  const unsigned char *p = (const unsigned char *)text;
  if (!p || *p == 0)
    return;
  for (;;) {
    while (is_separator(*p))
      p++;
    if (*p == '-') {
      unsigned char letter = p[1];
      if (letter >= 'A' && letter <= 'Z')
        letter = (unsigned char)(letter - 'A' + 'a');
      if (letter == 'h') {
        // The value runs to the first byte that is not a token byte; what
        // does not fit the host field is dropped.
        p += 2;
        int n = 0;
        for (; is_token_byte(*p); p++)
          if (n < HOST_FIELD_SIZE - 1)
            launch_options.host[n++] = (char)*p;
        launch_options.host[n] = '\0';
        launch_options.proxy_mode = 1;
      } else if (letter == 'l') {
        launch_options.log_exchange = 1;
      } else if (letter == 'p') {
        // atoi reads on past the token: "-p 8080" sets 8080.
        launch_options.port = atoi_wrapping(p + 2);
      }
    }
    while (is_token_byte(*p))
      p++;
    if (*p == 0)
      return;
  }
}
