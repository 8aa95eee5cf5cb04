#include "lookup_hooks.h"

#include <chrono>
#include <netdb.h>
#include <thread>

int slow_getaddrinfo(const char *node, const char *service, const struct addrinfo *hints,
                     struct addrinfo **res) {
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  return getaddrinfo(node, service, hints, res);
}

int hanging_getaddrinfo(const char *, const char *, const struct addrinfo *,
                        struct addrinfo **) {
  std::this_thread::sleep_for(std::chrono::seconds(2));
  return EAI_AGAIN;
}
