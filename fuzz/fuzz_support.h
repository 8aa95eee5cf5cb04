// Shared by the fuzz targets: FUZZ_CHECK for invariants, and for the targets
// that touch files a scratch directory of their own, made once per process on
// /dev/shm when there is one (the many small writes then cost little) and
// removed again at exit.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fuzz_scratch {

inline std::string &directory() {
  static std::string path;
  return path;
}

inline void remove_directory() {
  std::error_code ignored;
  std::filesystem::remove_all(directory(), ignored);
}

// Changes into the process's scratch directory, making it on first use.
inline void enter() {
  if (!directory().empty())
    return;
  char pattern_shm[] = "/dev/shm/zq-fuzz-XXXXXX";
  char pattern_tmp[] = "/tmp/zq-fuzz-XXXXXX";
  const char *made = mkdtemp(pattern_shm);
  if (!made)
    made = mkdtemp(pattern_tmp);
  if (!made || chdir(made) != 0) {
    perror("scratch directory");
    abort();
  }
  directory() = made;
  atexit(remove_directory);
}

// Replaces the named file with size bytes of data.
inline void write_whole_file(const char *name, const unsigned char *data, size_t size) {
  FILE *f = fopen(name, "wb");
  if (!f || (size && fwrite(data, 1, size, f) != size) || fclose(f) != 0) {
    perror(name);
    abort();
  }
}

} // namespace fuzz_scratch

// Stops the run with a message when an invariant fails; libFuzzer keeps
// the input that made it fail.
#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #condition);  \
      abort();                                                                           \
    }                                                                                    \
  } while (0)
