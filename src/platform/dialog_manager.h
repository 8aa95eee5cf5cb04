// The dialog manager: the state of the dialogs and their controls, and the
// message flow between the user, the dialog procedure and a renderer.
//
// It knows no toolkit. The Win32 functions (user32.cpp) read and change
// its state; a renderer (renderer.h) shows that state and reports the
// user's input through the input functions below, which turn it into the
// messages that a Windows dialog would receive:
//   button pressed         WM_COMMAND (id, BN_CLICKED)
//   Enter                  WM_COMMAND from the focused button, else from the
//                          default push button (IDOK), when it is enabled
//   Escape, the close box  WM_COMMAND (IDCANCEL, BN_CLICKED)
//   edit changed           WM_COMMAND (edit id, EN_CHANGE), also when the
//                          program sets an edit's text
//   edit focus             WM_COMMAND (edit id, EN_SETFOCUS / EN_KILLFOCUS)
//   mouse over the dialog  WM_SETCURSOR; FALSE from the procedure sets the
//                          control's own cursor (the arrow; an I-beam over
//                          edits)
// Texts are held as code page 932 bytes; renderers convert at their edge.
//
// Implemented:
//  [X] modal dialogs from templates, WM_INITDIALOG before showing, EndDialog
//      taking effect once the procedure has returned
//  [X] controls: push buttons, edits (byte limit, selection in characters),
//      statics
//  [X] message boxes without owner, with their own loop
//  [X] one process-wide cursor
// Left out: modeless dialogs, owner windows, keyboard navigation other
// than Enter and Escape (the renderer's toolkit moves the focus and reports
// it), other messages.
#pragma once

#include "renderer.h"
#include "resources.h"
#include "win32_types.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// The limit of an edit that was never given one, in bytes.
constexpr size_t DEFAULT_EDIT_LIMIT = 0x7FFFFFFE;
// WM_SETCURSOR's lParam: hit-test code HTCLIENT and the mouse message.
constexpr WORD HIT_CLIENT = 1;
constexpr WORD MOUSE_MOVE_MESSAGE = 0x0200;

struct Window {
  enum class Kind { dialog, control };
  Kind kind;
  Dialog *dialog;   // the dialog itself, or the dialog that holds the control
  std::string text; // CP932: the caption, or the control's text
  bool visible = false;
  bool enabled = true;
  void *view = nullptr; // the renderer's own record of the window

  explicit Window(Kind k) : kind(k), dialog(nullptr) {}
  virtual ~Window() = default;
};

struct Control : Window {
  const ControlTemplate *source;
  int id;
  ControlClass control_class;
  DWORD style;
  size_t limit = DEFAULT_EDIT_LIMIT; // edits: bytes the user may type
  size_t selection_start = 0;        // edits: character positions
  size_t selection_end = 0;

  Control()
      : Window(Kind::control), source(nullptr), id(0),
        control_class(ControlClass::static_text), style(0) {}
  bool is_default_button() const {
    return control_class == ControlClass::button && (style & 0xF) == BS_DEFPUSHBUTTON;
  }
  bool is_tab_stop() const { return (style & WS_TABSTOP) != 0; }
};

struct Dialog : Window {
  const DialogTemplate *source;
  DLGPROC procedure;
  std::vector<std::unique_ptr<Control>> controls; // template order
  Control *focus = nullptr;
  bool ended = false;
  INT_PTR result = 0;

  Dialog() : Window(Kind::dialog), source(nullptr), procedure(nullptr) {}
  Control *find(int id) const;
};

struct MessageBoxState {
  std::string text;    // CP932
  std::string caption; // CP932
  UINT type = MB_OK;
  bool answered = false;
  int result = 0;
  void *view = nullptr; // the renderer's own record
};

// What the user may add to an edit: the characters of utf8 that code page
// 932 can hold (the others are refused), converted, as many whole
// characters as fit in room bytes.
std::string admit_edit_input(const std::string &utf8, size_t room);

// Windows' MulDiv: value * numerator / denominator, rounded half away from
// zero.
int mul_div(int value, int numerator, int denominator);

struct PixelRect {
  int x, y, width, height;
};
// A rectangle in dialog units in pixels: a horizontal unit is a quarter of
// base_x, a vertical unit an eighth of base_y.
PixelRect dialog_units_to_pixels(int x, int y, int cx, int cy, int base_x, int base_y);

class DialogManager {
public:
  void set_renderer(Renderer *renderer) { renderer_ = renderer; }
  Renderer *renderer() const { return renderer_; }

  // --- the Win32 side (user32.cpp) ---
  // Creates the dialog, sends WM_INITDIALOG, shows it and runs its loop
  // until EndDialog; then destroys it. -1 when it cannot be created.
  INT_PTR run_modal(const DialogTemplate &source, DLGPROC procedure, LPARAM init_param);
  // Creates the dialog and sends WM_INITDIALOG, without showing it or
  // running a loop (tests drive it directly). Null without a renderer.
  Dialog *create_dialog(const DialogTemplate &source, DLGPROC procedure,
                        LPARAM init_param);
  void show_dialog(Dialog &dialog);
  void destroy_dialog(Dialog *dialog);
  int run_message_box(const std::string &text, const std::string &caption, UINT type);

  void end_dialog(Dialog &dialog, INT_PTR result);
  void set_text(Window &window, const std::string &text);
  void set_visible(Window &window, bool visible);
  void set_enabled(Window &window, bool enabled);
  void set_selection(Control &edit, long long start, long long end);
  void set_limit(Control &edit, size_t limit);
  // Returns the control that had the focus; null control: no focus.
  Control *set_focus(Dialog &dialog, Control *control);
  HCURSOR set_cursor(HCURSOR cursor);
  HCURSOR cursor() const { return cursor_; }

  // The window behind a handle, or null when the handle names none.
  Window *from_handle(HWND handle) const;
  static HWND handle_of(Window *window) { return reinterpret_cast<HWND>(window); }
  // The dialog that runs topmost, or null.
  Dialog *active_dialog() const { return dialogs_.empty() ? nullptr : dialogs_.back(); }
  const std::vector<MessageBoxState *> &message_boxes() const { return boxes_; }

  // --- the user's side (renderers) ---
  // A push button pressed; false when it is hidden or disabled.
  bool press_button(Control &button);
  void press_enter(Dialog &dialog);
  void press_escape(Dialog &dialog);
  void press_close_box(Dialog &dialog);
  // The user moved the mouse over window (the dialog or a control).
  void mouse_moved(Window &window);
  // The user's edit left text (CP932) and a selection in the edit.
  void user_edited(Control &edit, const std::string &text, size_t selection_start,
                   size_t selection_end);
  void user_selected(Control &edit, size_t start, size_t end);
  void user_focused(Dialog &dialog, Control *control);
  void answer_message_box(MessageBoxState &box, int result);

  // Sends a message to the dialog's procedure; FALSE once it has none.
  INT_PTR send_message(Dialog &dialog, UINT message, WPARAM wparam, LPARAM lparam);

private:
  void send_command(Dialog &dialog, int id, WORD code, Window *from);
  void change_focus(Dialog &dialog, Control *control, bool tell_renderer);

  Renderer *renderer_ = nullptr;
  std::vector<Dialog *> dialogs_;
  std::vector<MessageBoxState *> boxes_;
  HCURSOR cursor_ = nullptr;
};

// The process's one dialog manager.
DialogManager &dialog_manager();

// The cursor behind a handle that LoadCursorA gave, and the handle of a
// shape.
HCURSOR system_cursor(CursorShape shape);
bool cursor_shape_of(HCURSOR cursor, CursorShape &shape);
