#include "faults/fault_support.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr const char SKIP_PREFIX[] = "skipped: ";
constexpr unsigned NOBODY_UID = 65534;
constexpr unsigned NOGROUP_GID = 65534;
constexpr size_t FILLER_BLOCK = 4096;

constexpr uid_t UNCHANGED = (uid_t)-1;
uid_t original_uid = UNCHANGED;
gid_t original_gid;

void write_all(int fd, const std::string &text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n <= 0)
      return;
    done += (size_t)n;
  }
}

} // namespace

std::string in_child(const std::function<void(Findings &)> &body, int timeout_s) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0)
    return "pipe failed";
  fflush(nullptr);
  pid_t pid = fork();
  if (pid < 0)
    return "fork failed";
  if (pid == 0) {
    close(pipe_fds[0]);
    Findings findings;
    body(findings);
    write_all(pipe_fds[1], findings.text());
    close(pipe_fds[1]);
    _exit(0);
  }
  close(pipe_fds[1]);
  std::string text;
  char chunk[512];
  bool hung = false;
  for (;;) {
    struct pollfd p = {pipe_fds[0], POLLIN, 0};
    int ready = poll(&p, 1, timeout_s * 1000);
    if (ready == 0) {
      hung = true;
      kill(pid, SIGKILL);
      break;
    }
    if (ready < 0 && errno == EINTR)
      continue;
    ssize_t n = read(pipe_fds[0], chunk, sizeof(chunk));
    if (n <= 0)
      break;
    text.append(chunk, (size_t)n);
  }
  close(pipe_fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (hung)
    return "hung: the child was stopped after " + std::to_string(timeout_s) + " s";
  if (WIFSIGNALED(status))
    return text + "crashed with signal " + std::to_string(WTERMSIG(status));
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return text + "child exited with " + std::to_string(WEXITSTATUS(status));
  return text;
}

bool is_skipped(const std::string &findings) {
  return findings.rfind(SKIP_PREFIX, 0) == 0;
}

bool mount_small_tmpfs(const std::string &dir, int size_kb) {
  if (unshare(CLONE_NEWNS) != 0)
    return false;
  // Mounts made here must not reach the parent's namespace.
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
    return false;
  std::string options = "size=" + std::to_string(size_kb) + "k,mode=0777";
  if (mount("tmpfs", dir.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0)
    return false;
  return chdir(dir.c_str()) == 0;
}

bool remount_read_only(const std::string &dir) {
  return mount(nullptr, dir.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

void fill_up_folder() {
  static const char block[FILLER_BLOCK] = {0};
  for (int i = 0;; i++) {
    std::string name = "filler-" + std::to_string(i);
    int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
      return;
    bool full = false;
    for (;;) {
      ssize_t n = write(fd, block, sizeof(block));
      if (n < (ssize_t)sizeof(block)) {
        full = true;
        break;
      }
    }
    close(fd);
    if (full) {
      // A last file of single bytes takes up what a whole block no longer
      // fits into.
      fd = open("filler-tail", O_WRONLY | O_CREAT | O_APPEND, 0644);
      if (fd >= 0) {
        while (write(fd, block, 1) == 1) {
        }
        close(fd);
      }
      return;
    }
  }
}

bool act_as_unprivileged_user() {
  original_uid = geteuid();
  original_gid = getegid();
  if (original_uid != 0)
    return true;
  // The real and effective ids change (access() asks with the real ones);
  // the saved ones stay root's, so that act_as_original_user can come back.
  return setresgid(NOGROUP_GID, NOGROUP_GID, (gid_t)-1) == 0 &&
         setresuid(NOBODY_UID, NOBODY_UID, (uid_t)-1) == 0;
}

bool act_as_original_user() {
  if (original_uid == UNCHANGED || geteuid() == original_uid)
    return true;
  return setresuid(original_uid, original_uid, (uid_t)-1) == 0 &&
         setresgid(original_gid, original_gid, (gid_t)-1) == 0;
}

unsigned unprivileged_uid() {
  return geteuid() == 0 ? NOBODY_UID : geteuid();
}

FileSnapshot snapshot(const std::string &name) {
  FileSnapshot s;
  struct stat st;
  if (lstat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
    return s;
  s.present = true;
  s.bytes = read_file(name);
  s.modified = st.st_mtim;
  return s;
}

bool same_file(const FileSnapshot &a, const FileSnapshot &b) {
  return a.present == b.present && a.bytes == b.bytes &&
         a.modified.tv_sec == b.modified.tv_sec &&
         a.modified.tv_nsec == b.modified.tv_nsec;
}

std::string entry_kind(const std::string &name) {
  struct stat st;
  if (lstat(name.c_str(), &st) != 0)
    return "is missing";
  if (S_ISDIR(st.st_mode))
    return "is a directory";
  if (S_ISLNK(st.st_mode))
    return "is a symbolic link";
  if (S_ISFIFO(st.st_mode))
    return "is a named pipe";
  return "is a file";
}
