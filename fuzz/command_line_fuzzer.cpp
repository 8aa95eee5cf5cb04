// Fuzzes parse_command_line with any bytes as the command-line text.
//
// Besides the sanitizers' checks, the options are compared with a model
// built from the tokens: runs of bytes 0x21 to 0x7F. The host field always
// ends within its 256 bytes, the flags are 0 or 1, and each option takes the
// value that the last token naming it gives.
#include "app/launch_options.h"
#include "fuzz_support.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char DEFAULT_HOST[] = "ranking.default";
// Longer command lines say nothing new and only slow the run down.
constexpr size_t MAX_TEXT = 1 << 17;

bool is_token_byte(unsigned char c) {
  return c >= 0x21 && c <= 0x7F;
}

int32_t model_atoi(const unsigned char *p) {
  while (*p == ' ' || (*p >= 0x09 && *p <= 0x0D))
    p++;
  bool negative = *p == '-';
  if (*p == '+' || *p == '-')
    p++;
  uint32_t v = 0;
  while (*p >= '0' && *p <= '9')
    v = v * 10u + (uint32_t)(*p++ - '0');
  return (int32_t)(negative ? 0u - v : v);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > MAX_TEXT)
    return 0;
  // The text ends at its first NUL, as a C string does.
  std::vector<unsigned char> text(data, data + size);
  text.push_back(0);

  launch_options = LaunchOptions{};
  launch_options.port = DEFAULT_PORT;
  // Filler behind the default host's NUL must never show through.
  memset(launch_options.host, 'Z', sizeof(launch_options.host));
  strcpy(launch_options.host, DEFAULT_HOST);

  parse_command_line((const char *)text.data());

  const void *end = memchr(launch_options.host, 0, sizeof(launch_options.host));
  FUZZ_CHECK(end != nullptr);
  FUZZ_CHECK(launch_options.proxy_mode == 0 || launch_options.proxy_mode == 1);
  FUZZ_CHECK(launch_options.log_exchange == 0 || launch_options.log_exchange == 1);

  std::string host = DEFAULT_HOST;
  int32_t port = DEFAULT_PORT;
  int32_t proxy = 0, log = 0;
  const unsigned char *p = text.data();
  while (*p) {
    if (!is_token_byte(*p)) {
      p++;
      continue;
    }
    const unsigned char *token = p;
    while (is_token_byte(*p))
      p++;
    if (token[0] != '-' || p - token < 2)
      continue;
    unsigned char letter = token[1] | 0x20;
    if (letter == 'h') {
      host.assign((const char *)token + 2, (size_t)(p - token - 2));
      if (host.size() > HOST_FIELD_SIZE - 1)
        host.resize(HOST_FIELD_SIZE - 1);
      proxy = 1;
    } else if (letter == 'l') {
      log = 1;
    } else if (letter == 'p') {
      port = model_atoi(token + 2);
    }
  }
  FUZZ_CHECK(host == launch_options.host);
  FUZZ_CHECK(port == launch_options.port);
  FUZZ_CHECK(proxy == launch_options.proxy_mode);
  FUZZ_CHECK(log == launch_options.log_exchange);
  return 0;
}
