// The dialog manager: dialog state and message flow, without a toolkit.
#include "dialog_manager.h"

#include "codepage.h"

#include <algorithm>

namespace {

struct SystemCursor {
  CursorShape shape;
};
SystemCursor arrow_cursor = {CursorShape::arrow};
SystemCursor wait_cursor = {CursorShape::wait};
SystemCursor ibeam_cursor = {CursorShape::ibeam};

std::vector<Window *> live_windows;

// A control's own cursor: what the platform shows when the dialog
// procedure leaves WM_SETCURSOR to it.
CursorShape own_cursor(const Window &window) {
  if (window.kind == Window::Kind::control &&
      static_cast<const Control &>(window).control_class == ControlClass::edit)
    return CursorShape::ibeam;
  return CursorShape::arrow;
}

} // namespace

Control *Dialog::find(int id) const {
  for (const auto &control : controls)
    if (control->id == id)
      return control.get();
  return nullptr;
}

std::string admit_edit_input(const std::string &utf8, size_t room) {
  std::string admitted;
  for (const std::string &character : utf8_characters(utf8)) {
    std::string converted;
    if (!utf8_to_cp932(character, converted))
      continue; // refused: the code page cannot hold it
    if (admitted.size() + converted.size() > room)
      break;
    admitted += converted;
  }
  return admitted;
}

int mul_div(int value, int numerator, int denominator) {
  long long product = (long long)value * numerator;
  long long half = denominator / 2;
  bool negative = (product < 0) != (denominator < 0);
  long long magnitude = (product < 0 ? -product : product);
  long long divisor = denominator < 0 ? -(long long)denominator : denominator;
  long long quotient = (magnitude + (half < 0 ? -half : half)) / divisor;
  return (int)(negative ? -quotient : quotient);
}

PixelRect dialog_units_to_pixels(int x, int y, int cx, int cy, int base_x, int base_y) {
  constexpr int HORIZONTAL_UNITS_PER_BASE = 4;
  constexpr int VERTICAL_UNITS_PER_BASE = 8;
  return {mul_div(x, base_x, HORIZONTAL_UNITS_PER_BASE),
          mul_div(y, base_y, VERTICAL_UNITS_PER_BASE),
          mul_div(cx, base_x, HORIZONTAL_UNITS_PER_BASE),
          mul_div(cy, base_y, VERTICAL_UNITS_PER_BASE)};
}

DialogManager &dialog_manager() {
  static DialogManager manager;
  return manager;
}

HCURSOR system_cursor(CursorShape shape) {
  switch (shape) {
  case CursorShape::wait:
    return reinterpret_cast<HCURSOR>(&wait_cursor);
  case CursorShape::ibeam:
    return reinterpret_cast<HCURSOR>(&ibeam_cursor);
  case CursorShape::arrow:
    break;
  }
  return reinterpret_cast<HCURSOR>(&arrow_cursor);
}

bool cursor_shape_of(HCURSOR cursor, CursorShape &shape) {
  for (SystemCursor *known : {&arrow_cursor, &wait_cursor, &ibeam_cursor})
    if (reinterpret_cast<HCURSOR>(known) == cursor) {
      shape = known->shape;
      return true;
    }
  return false;
}

Window *DialogManager::from_handle(HWND handle) const {
  Window *window = reinterpret_cast<Window *>(handle);
  if (!window)
    return nullptr;
  auto found = std::find(live_windows.begin(), live_windows.end(), window);
  return found == live_windows.end() ? nullptr : window;
}

INT_PTR DialogManager::send_message(Dialog &dialog, UINT message, WPARAM wparam,
                                    LPARAM lparam) {
  if (!dialog.procedure)
    return FALSE;
  return dialog.procedure(handle_of(&dialog), message, wparam, lparam);
}

Dialog *DialogManager::create_dialog(const DialogTemplate &source, DLGPROC procedure,
                                     LPARAM init_param) {
  if (!renderer_ || !procedure)
    return nullptr;
  Dialog *dialog = new Dialog;
  dialog->dialog = dialog;
  dialog->source = &source;
  dialog->procedure = procedure;
  dialog->text = utf8_to_cp932_replacing(source.caption, '?');
  for (size_t i = 0; i < source.control_count; i++) {
    const ControlTemplate &item = source.controls[i];
    auto control = std::make_unique<Control>();
    control->dialog = dialog;
    control->source = &item;
    control->id = item.id;
    control->control_class = item.control_class;
    control->style = item.style;
    control->text = utf8_to_cp932_replacing(item.text, '?');
    control->visible = (item.style & WS_VISIBLE) != 0;
    control->enabled = (item.style & WS_DISABLED) == 0;
    live_windows.push_back(control.get());
    dialog->controls.push_back(std::move(control));
  }
  live_windows.push_back(dialog);
  dialogs_.push_back(dialog);
  renderer_->dialog_created(*dialog);

  // wParam names the control that would get the focus: the first visible,
  // enabled tab stop. TRUE from the procedure gives it the focus.
  Control *first = nullptr;
  for (const auto &control : dialog->controls)
    if (control->is_tab_stop() && control->visible && control->enabled) {
      first = control.get();
      break;
    }
  if (send_message(*dialog, WM_INITDIALOG, (WPARAM)handle_of(first), init_param) &&
      first && !dialog->ended)
    set_focus(*dialog, first);
  return dialog;
}

void DialogManager::show_dialog(Dialog &dialog) {
  dialog.visible = true;
  if (renderer_)
    renderer_->dialog_shown(dialog);
}

void DialogManager::destroy_dialog(Dialog *dialog) {
  if (!dialog)
    return;
  if (renderer_)
    renderer_->dialog_destroyed(*dialog);
  auto forget = [](Window *window) {
    live_windows.erase(std::remove(live_windows.begin(), live_windows.end(), window),
                       live_windows.end());
  };
  for (const auto &control : dialog->controls)
    forget(control.get());
  forget(dialog);
  dialogs_.erase(std::remove(dialogs_.begin(), dialogs_.end(), dialog), dialogs_.end());
  delete dialog;
}

INT_PTR DialogManager::run_modal(const DialogTemplate &source, DLGPROC procedure,
                                 LPARAM init_param) {
  Dialog *dialog = create_dialog(source, procedure, init_param);
  if (!dialog)
    return -1;
  if (!dialog->ended && (source.style & WS_VISIBLE))
    show_dialog(*dialog);
  if (!dialog->ended && !renderer_->run_until(dialog->ended))
    end_dialog(*dialog, -1); // the loop gave up
  INT_PTR result = dialog->result;
  destroy_dialog(dialog);
  return result;
}

int DialogManager::run_message_box(const std::string &text, const std::string &caption,
                                   UINT type) {
  if (!renderer_)
    return 0;
  MessageBoxState box;
  box.text = text;
  box.caption = caption;
  box.type = type;
  boxes_.push_back(&box);
  renderer_->message_box_opened(box);
  renderer_->run_until(box.answered);
  renderer_->message_box_closed(box);
  boxes_.erase(std::remove(boxes_.begin(), boxes_.end(), &box), boxes_.end());
  return box.answered ? box.result : IDOK;
}

void DialogManager::end_dialog(Dialog &dialog, INT_PTR result) {
  dialog.ended = true;
  dialog.result = result;
  if (renderer_)
    renderer_->wake();
}

void DialogManager::set_text(Window &window, const std::string &text) {
  window.text = text;
  if (window.kind == Window::Kind::control) {
    Control &control = static_cast<Control &>(window);
    size_t length = cp932_character_count(text);
    control.selection_start = std::min(control.selection_start, length);
    control.selection_end = std::min(control.selection_end, length);
    if (control.control_class == ControlClass::edit) {
      // A new text leaves the caret at its start.
      control.selection_start = control.selection_end = 0;
    }
  }
  if (renderer_)
    renderer_->window_changed(window, WindowChange::text);
  if (window.kind == Window::Kind::control &&
      static_cast<Control &>(window).control_class == ControlClass::edit)
    send_command(*window.dialog, static_cast<Control &>(window).id, EN_CHANGE, &window);
}

void DialogManager::set_visible(Window &window, bool visible) {
  if (window.visible == visible)
    return;
  window.visible = visible;
  if (renderer_)
    renderer_->window_changed(window, WindowChange::visible);
}

void DialogManager::set_enabled(Window &window, bool enabled) {
  if (window.enabled == enabled)
    return;
  window.enabled = enabled;
  if (renderer_)
    renderer_->window_changed(window, WindowChange::enabled);
  // A disabled window cannot keep the keyboard focus.
  if (!enabled && window.kind == Window::Kind::control && window.dialog->focus == &window)
    set_focus(*window.dialog, nullptr);
}

void DialogManager::set_selection(Control &edit, long long start, long long end) {
  long long length = (long long)cp932_character_count(edit.text);
  if (start < 0) {
    // -1 as the start takes the selection away and leaves the caret.
    edit.selection_start = edit.selection_end;
  } else {
    if (end < 0 || end > length)
      end = length;
    if (start > length)
      start = length;
    edit.selection_start = (size_t)std::min(start, end);
    edit.selection_end = (size_t)std::max(start, end);
  }
  if (renderer_)
    renderer_->window_changed(edit, WindowChange::selection);
}

void DialogManager::set_limit(Control &edit, size_t limit) {
  edit.limit = limit == 0 ? DEFAULT_EDIT_LIMIT : limit;
}

Control *DialogManager::set_focus(Dialog &dialog, Control *control) {
  Control *previous = dialog.focus;
  change_focus(dialog, control, true);
  return previous;
}

void DialogManager::change_focus(Dialog &dialog, Control *control, bool tell_renderer) {
  Control *previous = dialog.focus;
  if (previous == control)
    return;
  dialog.focus = control;
  if (tell_renderer && renderer_)
    renderer_->window_changed(control ? static_cast<Window &>(*control) : dialog,
                              WindowChange::focus);
  if (previous && previous->control_class == ControlClass::edit)
    send_command(dialog, previous->id, EN_KILLFOCUS, previous);
  if (control && control->control_class == ControlClass::edit)
    send_command(dialog, control->id, EN_SETFOCUS, control);
}

HCURSOR DialogManager::set_cursor(HCURSOR cursor) {
  HCURSOR previous = cursor_;
  cursor_ = cursor;
  CursorShape shape;
  if (renderer_ && cursor_shape_of(cursor, shape))
    renderer_->cursor_changed(shape);
  return previous;
}

void DialogManager::send_command(Dialog &dialog, int id, WORD code, Window *from) {
  if (dialog.ended)
    return;
  send_message(dialog, WM_COMMAND, MAKEWPARAM(id, code), (LPARAM)handle_of(from));
}

bool DialogManager::press_button(Control &button) {
  if (button.control_class != ControlClass::button || !button.visible ||
      !button.enabled || button.dialog->ended)
    return false;
  // A pressed button takes the focus, as a click gives it.
  change_focus(*button.dialog, &button, true);
  send_command(*button.dialog, button.id, BN_CLICKED, &button);
  return true;
}

void DialogManager::press_enter(Dialog &dialog) {
  // A focused push button answers Enter itself; else the default button.
  Control *target = dialog.focus;
  if (!target || target->control_class != ControlClass::button) {
    target = nullptr;
    for (const auto &control : dialog.controls)
      if (control->is_default_button()) {
        target = control.get();
        break;
      }
  }
  if (!target) {
    send_command(dialog, IDOK, BN_CLICKED, dialog.find(IDOK));
    return;
  }
  if (target->enabled)
    send_command(dialog, target->id, BN_CLICKED, target);
}

void DialogManager::press_escape(Dialog &dialog) {
  send_command(dialog, IDCANCEL, BN_CLICKED, dialog.find(IDCANCEL));
}

void DialogManager::press_close_box(Dialog &dialog) {
  send_command(dialog, IDCANCEL, BN_CLICKED, dialog.find(IDCANCEL));
}

void DialogManager::mouse_moved(Window &window) {
  Dialog &dialog = *window.dialog;
  if (dialog.ended)
    return;
  LPARAM where = (LPARAM)MAKEWPARAM(HIT_CLIENT, MOUSE_MOVE_MESSAGE);
  if (!send_message(dialog, WM_SETCURSOR, (WPARAM)handle_of(&window), where))
    set_cursor(system_cursor(own_cursor(window)));
}

void DialogManager::user_edited(Control &edit, const std::string &text,
                                size_t selection_start, size_t selection_end) {
  bool changed = edit.text != text;
  edit.text = text;
  size_t length = cp932_character_count(text);
  edit.selection_start = std::min(selection_start, length);
  edit.selection_end = std::min(std::max(selection_start, selection_end), length);
  if (changed)
    send_command(*edit.dialog, edit.id, EN_CHANGE, &edit);
}

void DialogManager::user_selected(Control &edit, size_t start, size_t end) {
  size_t length = cp932_character_count(edit.text);
  edit.selection_start = std::min(std::min(start, end), length);
  edit.selection_end = std::min(std::max(start, end), length);
}

void DialogManager::user_focused(Dialog &dialog, Control *control) {
  change_focus(dialog, control, false);
}

void DialogManager::answer_message_box(MessageBoxState &box, int result) {
  box.answered = true;
  box.result = result;
  if (renderer_)
    renderer_->wake();
}
