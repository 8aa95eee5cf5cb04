// A renderer without a toolkit, for tests: it shows nothing, and the user's
// input comes from a script of steps that the test queues.
//
// Each step names the loop that runs it: the dialog's loop, a message box's
// loop, or a socket wait (socket_wait_hook, installed while the renderer
// lives). A loop runs the steps meant for it, in order; a loop that finds
// no step for it gives up (the dialog then ends with -1, the message box
// with IDOK) and the renderer records that it stalled. A socket wait whose
// next step is not a wait step just returns.
//
// Implemented:
//  [X] the renderer contract (renderer.h), counting what it was told
//  [X] input: pressing buttons, Enter, Escape, the close box, the mouse
//      over a control, focus by click, typing and pasting UTF-8 text into
//      the focused edit (code page 932 bytes, byte limit, refused
//      characters), answering the topmost message box
// Left out: drawing, layout, keyboard focus movement by Tab.
#pragma once

#include "dialog_manager.h"
#include "renderer.h"

#include <deque>
#include <functional>
#include <string>

class HeadlessRenderer : public Renderer {
public:
  enum class Loop { dialog, message_box, socket_wait };
  typedef std::function<void()> Step;

  HeadlessRenderer();
  ~HeadlessRenderer() override;
  HeadlessRenderer(const HeadlessRenderer &) = delete;
  HeadlessRenderer &operator=(const HeadlessRenderer &) = delete;

  // Queues a step for a loop of that kind.
  void in_dialog(Step step) { steps_.push_back({Loop::dialog, std::move(step)}); }
  void in_message_box(Step step) {
    steps_.push_back({Loop::message_box, std::move(step)});
  }
  void in_socket_wait(Step step) {
    steps_.push_back({Loop::socket_wait, std::move(step)});
  }
  bool stalled() const { return stalled_; }
  size_t steps_left() const { return steps_.size(); }

  // The user's input to the topmost dialog. Each returns false when the
  // input had no effect on the controls (a disabled button, a refused
  // character).
  Dialog *dialog() const;
  bool press(int id);
  void press_enter();
  void press_escape();
  void press_close_box();
  void move_mouse_over(int id); // 0: over the dialog itself
  bool click_into(int id);      // gives an edit the focus, as a click does
  // Types text (UTF-8) into the focused edit, one character at a time; a
  // character that does not fit or that code page 932 cannot hold is
  // refused. True when every character was taken.
  bool type(const std::string &utf8);
  // Pastes text (UTF-8) over the focused edit's selection: what code page
  // 932 cannot hold is left out, and as much as fits goes in.
  bool paste(const std::string &utf8);
  // Presses OK in the topmost message box.
  bool answer_message_box();

  // What the renderer was told.
  bool shown() const { return shown_; }
  CursorShape cursor() const { return cursor_; }
  int message_boxes_opened() const { return boxes_opened_; }
  const std::string &last_box_text() const { return last_box_text_; }
  const std::string &last_box_caption() const { return last_box_caption_; }

  // Renderer
  void dialog_created(Dialog &dialog) override;
  void dialog_shown(Dialog &dialog) override;
  void dialog_destroyed(Dialog &dialog) override;
  void window_changed(Window &window, WindowChange change) override;
  void cursor_changed(CursorShape shape) override;
  void message_box_opened(MessageBoxState &box) override;
  void message_box_closed(MessageBoxState &box) override;
  bool run_until(const bool &done) override;
  void wake() override {}

private:
  struct QueuedStep {
    Loop loop;
    Step step;
  };
  bool run_loop(Loop loop, const bool &done);
  bool insert(const std::string &cp932_piece);
  static void socket_wait();

  std::deque<QueuedStep> steps_;
  bool stalled_ = false;
  bool shown_ = false;
  CursorShape cursor_ = CursorShape::arrow;
  int boxes_opened_ = 0;
  int box_depth_ = 0;
  std::string last_box_text_;
  std::string last_box_caption_;
  void (*previous_hook_)(void) = nullptr;
};
