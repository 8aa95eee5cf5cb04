// The Windows CRT names of crt.h over POSIX.
#include "crt.h"

#include <sys/stat.h>
#include <unistd.h>

int _access(const char *path, int mode) {
  if (!path)
    return -1;
  struct stat st;
  if (stat(path, &st) != 0)
    return -1;
  if ((mode & 2) && access(path, W_OK) != 0)
    return -1;
  return 0;
}

int _fileno(FILE *stream) {
  return fileno(stream);
}

int _commit(int fd) {
  return fsync(fd);
}
