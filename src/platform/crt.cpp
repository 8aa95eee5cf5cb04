// The Windows CRT names of crt.h over POSIX.
#include "crt.h"

#include <cstring>
#include <fcntl.h>
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

FILE *_fsopen(const char *path, const char *mode, int) {
  if (!path || !mode || strcmp(mode, "wb") != 0)
    return nullptr;
  int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0)
    return nullptr;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return nullptr;
  }
  int flags = fcntl(fd, F_GETFL);
  FILE *file = flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0
                   ? nullptr
                   : fdopen(fd, mode);
  if (!file)
    close(fd);
  return file;
}
