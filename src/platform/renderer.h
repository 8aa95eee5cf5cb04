// The contract between the dialog manager and a renderer.
//
// The dialog manager (dialog_manager.h) owns every dialog's state and the
// message flow; a renderer shows that state with some toolkit, or with
// none, and hands the user's input back to the manager. The manager calls
// the renderer only through this interface, so no toolkit type reaches the
// manager or the core.
//
// Implemented:
//  [X] building, showing and destroying a dialog's view
//  [X] change notices for one window: text, visibility, enabled state,
//      focus, selection, caption
//  [X] the mouse cursor (one for the whole program, as SetCursor has it)
//  [X] message boxes without owner, each answered by the user
//  [X] local event loops that run until a condition turns true
// Left out: painting by the program, timers, other windows.
#pragma once

struct Window;
struct Dialog;
struct MessageBoxState;

enum class CursorShape { arrow, wait, ibeam };

// What changed about one window.
enum class WindowChange { text, visible, enabled, focus, selection };

class Renderer {
public:
  virtual ~Renderer() = default;

  // The dialog and its controls exist; build their view, not yet shown.
  virtual void dialog_created(Dialog &dialog) = 0;
  // Show the dialog (after WM_INITDIALOG).
  virtual void dialog_shown(Dialog &dialog) = 0;
  // The dialog has ended; take its view away. The state goes next.
  virtual void dialog_destroyed(Dialog &dialog) = 0;
  // One property of a window changed; the view shows the manager's state.
  virtual void window_changed(Window &window, WindowChange change) = 0;
  // The cursor to show, at once, over the dialogs.
  virtual void cursor_changed(CursorShape shape) = 0;

  virtual void message_box_opened(MessageBoxState &box) = 0;
  virtual void message_box_closed(MessageBoxState &box) = 0;

  // Runs a local loop that handles the user's input until done is true.
  // Loops nest: a message box's loop runs inside the dialog's. Returns
  // false when the loop had to give up with done still false (the headless
  // renderer out of script, say).
  virtual bool run_until(const bool &done) = 0;
  // A condition that a loop waits for may have turned true.
  virtual void wake() = 0;
};
