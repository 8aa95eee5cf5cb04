// Helpers for the fault tests: running a case in a forked child, so that a
// crash is a failed row instead of a lost test run and so that the child
// may change its mounts and user freely; a small tmpfs that can be filled
// or made read-only; an unprivileged user; snapshots of files.
#pragma once

#include "support/test_files.h"

#include <ctime>
#include <functional>
#include <string>

// What a case found: empty when every check passed.
class Findings {
public:
  void check(bool ok, const std::string &what) {
    if (!ok)
      text_ += what + "; ";
  }
  void skip(const std::string &why) { text_ = "skipped: " + why; }
  const std::string &text() const { return text_; }

private:
  std::string text_;
};

// Runs body in a forked child, in the current directory, and returns its
// findings; a child that dies or hangs past timeout_s reports that instead.
std::string in_child(const std::function<void(Findings &)> &body, int timeout_s = 60);

// Whether a findings text says that the case could not run here.
bool is_skipped(const std::string &findings);

// In a child only. Gives the child a mount namespace of its own and mounts
// a tmpfs of size_kb on the folder dir, then changes into it. False when
// the system does not allow it (no privilege for mount namespaces).
bool mount_small_tmpfs(const std::string &dir, int size_kb);
// In a child only, after mount_small_tmpfs: makes that tmpfs read-only.
bool remount_read_only(const std::string &dir);
// Writes filler files in the current folder until the disk is full.
void fill_up_folder();

// In a child only. Acts from now on as the unprivileged user "nobody" (when
// running as root; an unprivileged test run is unprivileged already) and
// back as the original user: root's permission checks never refuse, so
// tests of unreadable files need another user. Both return false on error.
bool act_as_unprivileged_user();
bool act_as_original_user();
// The user id that act_as_unprivileged_user acts as.
unsigned unprivileged_uid();

// A file's bytes and modification time, to show that it was not written.
struct FileSnapshot {
  bool present = false;
  Bytes bytes;
  struct timespec modified = {0, 0};
};
FileSnapshot snapshot(const std::string &name);
bool same_file(const FileSnapshot &a, const FileSnapshot &b);

// "is a directory", "is a symbolic link", "is a file" or "is missing".
std::string entry_kind(const std::string &name);
