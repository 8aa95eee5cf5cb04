// The Qt 6 Widgets renderer: shows the dialog manager's dialogs and message
// boxes as Qt windows and hands the user's input to the manager.
//
// Implemented:
//  [X] a top-level window per dialog (own taskbar entry, title bar with a
//      close box, fixed size, placed at the template's position), laid out
//      in dialog units of the template's font (IPAPGothic standing in for
//      the Windows face, base units measured as Windows measures them)
//  [X] push buttons (the default one drawn as such), edits (byte limit and
//      code page 932 checked at input, through a validator), statics (plain
//      text, wrapped at the control's width, left or centred)
//  [X] Enter, Escape and the close box as the manager's input; mouse moves
//      as WM_SETCURSOR; focus and selection changes reported back
//  [X] the wait cursor over the dialog, shown at once
//  [X] message boxes without owner: a separate window with an OK button
//  [X] local event loops (QEventLoop) for the dialog and each message box;
//      the application itself is never quit
//  [X] socket_wait_hook: pending events are handled while a socket call
//      waits, so the window repaints
// Left out: QDialog::exec (it would make the dialog application-modal and
// block the message box), other message box buttons and icons.
//
// Needs a QApplication before it is made.
#pragma once

#include "renderer.h"

#include <memory>

class QWidget;
struct Window;

class QtRenderer : public Renderer {
public:
  QtRenderer();
  ~QtRenderer() override;
  QtRenderer(const QtRenderer &) = delete;
  QtRenderer &operator=(const QtRenderer &) = delete;

  // The widget that shows a window (the dialog or a control); null if none.
  QWidget *widget_of(const Window &window) const;
  // The topmost open message box, or null.
  QWidget *top_message_box() const;
  // The base units (pixels) that the last dialog was laid out with.
  int base_unit_x() const;
  int base_unit_y() const;

  void dialog_created(Dialog &dialog) override;
  void dialog_shown(Dialog &dialog) override;
  void dialog_destroyed(Dialog &dialog) override;
  void window_changed(Window &window, WindowChange change) override;
  void cursor_changed(CursorShape shape) override;
  void message_box_opened(MessageBoxState &box) override;
  void message_box_closed(MessageBoxState &box) override;
  bool run_until(const bool &done) override;
  void wake() override;

  struct Impl;

private:
  std::unique_ptr<Impl> impl_;
};
