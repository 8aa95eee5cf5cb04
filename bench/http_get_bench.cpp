// Measures one or more HTTP exchanges of the program against a running
// peer: wall time, throughput and the process's peak memory.
//
//   http_get_bench HOST PORT TARGET RUNS [proxy]
//
// Prints one line: "bytes=N seconds=S mbps=M maxrss_kb=K".
#include "app/launch_options.h"
#include "net/http_exchange.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>

int main(int argc, char **argv) {
  if (argc < 5) {
    fprintf(stderr, "usage: %s HOST PORT TARGET RUNS [proxy]\n", argv[0]);
    return 2;
  }
  launch_options.proxy_mode = argc > 5 && strcmp(argv[5], "proxy") == 0;
  static char reply[12288];
  int runs = atoi(argv[4]);
  long long total = 0;
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < runs; i++) {
    reply[0] = '\0';
    total += http_get(reply, sizeof(reply), argv[1], atoi(argv[2]), argv[3]);
  }
  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  printf("bytes=%lld seconds=%.6f mbps=%.1f maxrss_kb=%ld\n", total, seconds,
         total / seconds / 1e6, usage.ru_maxrss);
  return total > 0 ? 0 : 1;
}
