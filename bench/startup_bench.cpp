// Times two programs from exec to exit, alternating, and reports each one's
// mean wall time and peak memory (the child's maximum resident set).
//
//   startup_bench ROUNDS -- PROGRAM_A [ARGS] -- PROGRAM_B [ARGS]
//
// Both programs are expected to end by themselves right after their first
// paint. Prints "A: ms kB" and "B: ms kB" lines and the ratios A/B.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Run {
  double seconds;
  long maxrss_kb;
};

Run run(const std::vector<char *> &command) {
  auto start = std::chrono::steady_clock::now();
  pid_t child = fork();
  if (child == 0) {
    execv(command[0], command.data());
    _exit(127);
  }
  int status = 0;
  struct rusage usage;
  wait4(child, &status, 0, &usage);
  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    fprintf(stderr, "%s did not end cleanly\n", command[0]);
    exit(1);
  }
  return {seconds, usage.ru_maxrss};
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 5 || strcmp(argv[2], "--") != 0) {
    fprintf(stderr, "usage: %s ROUNDS -- PROGRAM_A [ARGS] -- PROGRAM_B [ARGS]\n",
            argv[0]);
    return 2;
  }
  int rounds = atoi(argv[1]);
  std::vector<char *> a, b;
  int i = 3;
  for (; i < argc && strcmp(argv[i], "--") != 0; i++)
    a.push_back(argv[i]);
  for (i++; i < argc; i++)
    b.push_back(argv[i]);
  a.push_back(nullptr);
  b.push_back(nullptr);
  if (a.size() < 2 || b.size() < 2)
    return 2;

  run(a); // warm the caches for both
  run(b);
  double time_a = 0, time_b = 0;
  long rss_a = 0, rss_b = 0;
  for (int r = 0; r < rounds; r++) {
    Run ra = run(a), rb = run(b);
    time_a += ra.seconds;
    time_b += rb.seconds;
    rss_a = ra.maxrss_kb > rss_a ? ra.maxrss_kb : rss_a;
    rss_b = rb.maxrss_kb > rss_b ? rb.maxrss_kb : rss_b;
  }
  printf("A: %.1f ms, peak %ld kB\nB: %.1f ms, peak %ld kB\n", 1000 * time_a / rounds,
         rss_a, 1000 * time_b / rounds, rss_b);
  printf("time ratio %.3f, memory difference %ld kB\n", time_a / time_b, rss_a - rss_b);
  return 0;
}
