// What a whole-program test needs of a desktop: a virtual X server of its
// own (Xvfb), the program started in a folder as a user would start it, and
// keys and text typed into its window through the XTEST extension
// (xdotool). Every wait is bounded; nothing is left running when the
// objects go.
//
// Not a window manager: windows are focused with XSetInputFocus, and
// nothing is moved, raised or decorated.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

// How long any single effect is waited for.
constexpr int EFFECT_WAIT_SECONDS = 30;

// Polls PREDICATE every few milliseconds until it holds or SECONDS pass;
// the result is its last value.
bool wait_until(const std::function<bool()> &predicate,
                int seconds = EFFECT_WAIT_SECONDS);

// A child process with optional extra environment ("NAME=VALUE", replacing
// an inherited NAME) and working folder, standard input from /dev/null and
// its output appended to OUTPUT_FILE (or discarded when empty); FD3, when
// not -1, becomes its descriptor 3. Killed and collected by the destructor
// when still running.
class ChildProcess {
public:
  ChildProcess(const std::vector<std::string> &argv,
               const std::vector<std::string> &extra_environment,
               const std::string &folder, const std::string &output_file, int fd3 = -1);
  ~ChildProcess();
  ChildProcess(const ChildProcess &) = delete;
  ChildProcess &operator=(const ChildProcess &) = delete;

  bool started() const { return pid_ > 0; }
  // Whether the process has ended (collecting it when it has).
  bool ended();
  // Waits up to SECONDS for the end; true when it ended.
  bool wait_for_end(int seconds = EFFECT_WAIT_SECONDS);
  // The wait status once ended(); meaningless before. STATUS_UNKNOWN when
  // another waitpid collected the process.
  static constexpr int STATUS_UNKNOWN = -1;
  int status() const { return status_; }
  // "exited with N" or "killed by signal N" or "still running".
  std::string describe_end();
  // SIGTERM, then SIGKILL when it lingers; always collects the process.
  void stop();

private:
  pid_t pid_ = -1;
  bool ended_ = false;
  int status_ = 0;
};

// Runs a short tool to its end (killed after EFFECT_WAIT_SECONDS) and gives
// its exit status (-1 when it could not run or did not exit), its standard
// output into OUTPUT when given.
int run_tool(const std::vector<std::string> &argv,
             const std::vector<std::string> &extra_environment,
             std::string *output = nullptr);

// An Xvfb server on a display number that it picks itself (-displayfd),
// so that parallel tests never share one. Listens on no TCP port.
class VirtualDisplay {
public:
  VirtualDisplay();
  ~VirtualDisplay();
  VirtualDisplay(const VirtualDisplay &) = delete;
  VirtualDisplay &operator=(const VirtualDisplay &) = delete;

  bool started() const { return !name_.empty(); }
  const std::string &problem() const { return problem_; }
  // ":N", for DISPLAY.
  const std::string &name() const { return name_; }
  std::string environment() const { return "DISPLAY=" + name_; }

  // The id of the visible window titled exactly TITLE, waited for; empty
  // when none appeared.
  std::string wait_for_window(const std::string &title);
  // Whether a visible window titled exactly TITLE exists now.
  bool has_window(const std::string &title);
  // Gives WINDOW the keyboard focus and presses KEY (an X key name such
  // as "Return" or "Escape"), or types ASCII TEXT, as a keyboard would.
  bool press_key(const std::string &window, const std::string &key);
  bool type_text(const std::string &window, const std::string &text);

private:
  bool focus(const std::string &window);
  std::string log_file_;
  std::string name_;
  std::string problem_;
  std::unique_ptr<ChildProcess> server_;
};
