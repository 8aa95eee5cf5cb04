#include "desktop_session.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto POLL_STEP = std::chrono::milliseconds(50);
constexpr int STOP_WAIT_SECONDS = 10;
// X key events typed this far apart reach a slow (sanitized) program in order.
constexpr const char TYPE_DELAY_MS[] = "40";

std::string variable_name(const std::string &assignment) {
  return assignment.substr(0, assignment.find('='));
}

// The inherited environment with EXTRA laid over it.
std::vector<std::string> environment_with(const std::vector<std::string> &extra) {
  std::vector<std::string> out;
  for (char **entry = environ; *entry; entry++) {
    std::string name = variable_name(*entry);
    bool replaced = false;
    for (const std::string &e : extra)
      replaced = replaced || variable_name(e) == name;
    if (!replaced)
      out.push_back(*entry);
  }
  out.insert(out.end(), extra.begin(), extra.end());
  return out;
}

std::vector<char *> pointers(std::vector<std::string> &texts) {
  std::vector<char *> out;
  for (std::string &t : texts)
    out.push_back(t.data());
  out.push_back(nullptr);
  return out;
}

} // namespace

bool wait_until(const std::function<bool()> &predicate, int seconds) {
  const auto deadline = Clock::now() + std::chrono::seconds(seconds);
  while (!predicate()) {
    if (Clock::now() >= deadline)
      return predicate();
    std::this_thread::sleep_for(POLL_STEP);
  }
  return true;
}

ChildProcess::ChildProcess(const std::vector<std::string> &argv,
                           const std::vector<std::string> &extra_environment,
                           const std::string &folder, const std::string &output_file,
                           int fd3) {
  // Everything the child needs is made before the fork.
  std::vector<std::string> args = argv;
  std::vector<std::string> env = environment_with(extra_environment);
  std::vector<char *> arg_pointers = pointers(args);
  std::vector<char *> env_pointers = pointers(env);
  const char *output = output_file.empty() ? "/dev/null" : output_file.c_str();

  pid_ = fork();
  if (pid_ != 0)
    return;
  // The child: only async-signal-safe calls from here on.
  int in = open("/dev/null", O_RDONLY);
  int out = open(output, O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (in < 0 || out < 0)
    _exit(127);
  if (dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(out, 2) < 0)
    _exit(127);
  if (in > 2)
    close(in);
  if (out > 2)
    close(out);
  // FD3 was open before the fork, so it is neither IN nor OUT.
  if (fd3 == 3 && fcntl(3, F_SETFD, 0) < 0)
    _exit(127);
  if (fd3 >= 0 && fd3 != 3 && dup2(fd3, 3) < 0)
    _exit(127);
  // A process group of its own, so that stop() reaches what it forks.
  setpgid(0, 0);
  if (!folder.empty() && chdir(folder.c_str()) != 0)
    _exit(127);
  execve(arg_pointers[0], arg_pointers.data(), env_pointers.data());
  // Not a path: look it up on PATH.
  execvpe(arg_pointers[0], arg_pointers.data(), env_pointers.data());
  _exit(127);
}

ChildProcess::~ChildProcess() {
  stop();
}

bool ChildProcess::ended() {
  if (pid_ <= 0 || ended_)
    return true;
  int status = 0;
  pid_t got = waitpid(pid_, &status, WNOHANG);
  if (got == pid_) {
    ended_ = true;
    status_ = status;
  } else if (got < 0 && errno == ECHILD) {
    // Collected elsewhere: ended, with the status unknown.
    ended_ = true;
    status_ = STATUS_UNKNOWN;
  }
  return ended_;
}

bool ChildProcess::wait_for_end(int seconds) {
  return wait_until([this] { return ended(); }, seconds);
}

std::string ChildProcess::describe_end() {
  if (!ended())
    return "still running";
  if (status_ == STATUS_UNKNOWN)
    return "ended, collected by someone else";
  if (WIFEXITED(status_))
    return "exited with " + std::to_string(WEXITSTATUS(status_));
  if (WIFSIGNALED(status_))
    return "killed by signal " + std::to_string(WTERMSIG(status_));
  return "ended with wait status " + std::to_string(status_);
}

void ChildProcess::stop() {
  if (ended())
    return;
  kill(-pid_, SIGTERM);
  kill(pid_, SIGTERM);
  if (!wait_for_end(STOP_WAIT_SECONDS)) {
    kill(-pid_, SIGKILL);
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    ended_ = true;
    status_ = status;
  }
}

int run_tool(const std::vector<std::string> &argv,
             const std::vector<std::string> &extra_environment, std::string *output) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0)
    return -1;
  std::string discard;
  std::string &text = output ? *output : discard;
  text.clear();
  {
    // The pipe's write end becomes the tool's standard output.
    char path[64];
    snprintf(path, sizeof(path), "/proc/self/fd/%d", fds[1]);
    ChildProcess tool(argv, extra_environment, "", path);
    close(fds[1]);
    const auto deadline = Clock::now() + std::chrono::seconds(EFFECT_WAIT_SECONDS);
    while (Clock::now() < deadline) {
      pollfd p = {fds[0], POLLIN, 0};
      if (poll(&p, 1, 100) > 0) {
        char buffer[4096];
        ssize_t n = read(fds[0], buffer, sizeof(buffer));
        if (n <= 0)
          break;
        text.append(buffer, (size_t)n);
      }
    }
    close(fds[0]);
    if (!tool.wait_for_end(STOP_WAIT_SECONDS)) {
      tool.stop();
      return -1;
    }
    return WIFEXITED(tool.status()) ? WEXITSTATUS(tool.status()) : -1;
  }
}

VirtualDisplay::VirtualDisplay() {
  char pattern[] = "/tmp/zq-xvfb-XXXXXX.log";
  int log = mkstemps(pattern, 4);
  if (log >= 0)
    close(log);
  log_file_ = pattern;

  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    problem_ = "no pipe for Xvfb";
    return;
  }
  // The dialog is 327 x 205 pixels; any screen larger than that will do.
  // Without -noreset the server resets each time its last client leaves,
  // and refuses a client that connects meanwhile: the test's xdotool calls
  // come and go while the program starts.
  server_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{"Xvfb", "-displayfd", "3", "-noreset", "-nolisten", "tcp",
                               "-screen", "0", "800x600x24"},
      std::vector<std::string>{}, "", log_file_, fds[1]);
  close(fds[1]);

  // Xvfb writes its display number and a line feed once it takes clients.
  std::string number;
  const auto deadline = Clock::now() + std::chrono::seconds(EFFECT_WAIT_SECONDS);
  while (Clock::now() < deadline && number.find('\n') == std::string::npos) {
    pollfd p = {fds[0], POLLIN, 0};
    if (poll(&p, 1, 100) > 0) {
      char buffer[32];
      ssize_t n = read(fds[0], buffer, sizeof(buffer));
      if (n <= 0)
        break;
      number.append(buffer, (size_t)n);
    }
  }
  close(fds[0]);
  if (number.find('\n') == std::string::npos) {
    problem_ = "Xvfb did not report a display (log in " + log_file_ + ")";
    server_->stop();
    return;
  }
  number.resize(number.find('\n'));
  name_ = std::string(1, ':').append(number);
}

VirtualDisplay::~VirtualDisplay() {
  if (server_)
    server_->stop();
  if (problem_.empty())
    unlink(log_file_.c_str());
}

std::string VirtualDisplay::wait_for_window(const std::string &title) {
  std::string ids;
  wait_until([&] {
    run_tool({"xdotool", "search", "--onlyvisible", "--name", "^" + title + "$"},
             {environment()}, &ids);
    return !ids.empty();
  });
  std::string first = ids.substr(0, ids.find('\n'));
  if (first.empty() || first.find_first_not_of("0123456789") != std::string::npos)
    return "";
  return first;
}

bool VirtualDisplay::has_window(const std::string &title) {
  std::string ids;
  run_tool({"xdotool", "search", "--onlyvisible", "--name", "^" + title + "$"},
           {environment()}, &ids);
  return !ids.empty();
}

bool VirtualDisplay::focus(const std::string &window) {
  return run_tool({"xdotool", "windowfocus", "--sync", window}, {environment()}) == 0;
}

bool VirtualDisplay::press_key(const std::string &window, const std::string &key) {
  return focus(window) && run_tool({"xdotool", "key", key}, {environment()}) == 0;
}

bool VirtualDisplay::type_text(const std::string &window, const std::string &text) {
  return focus(window) && run_tool({"xdotool", "type", "--delay", TYPE_DELAY_MS, text},
                                   {environment()}) == 0;
}
