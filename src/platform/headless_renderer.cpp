// The headless renderer: scripted input, no drawing.
#include "headless_renderer.h"

#include "codepage.h"
#include "winsock.h"

namespace {

HeadlessRenderer *active_renderer = nullptr;

} // namespace

HeadlessRenderer::HeadlessRenderer() {
  active_renderer = this;
  previous_hook_ = socket_wait_hook;
  socket_wait_hook = &HeadlessRenderer::socket_wait;
  dialog_manager().set_renderer(this);
}

HeadlessRenderer::~HeadlessRenderer() {
  if (dialog_manager().renderer() == this)
    dialog_manager().set_renderer(nullptr);
  socket_wait_hook = previous_hook_;
  if (active_renderer == this)
    active_renderer = nullptr;
}

void HeadlessRenderer::socket_wait() {
  HeadlessRenderer *self = active_renderer;
  if (!self || self->steps_.empty() || self->steps_.front().loop != Loop::socket_wait)
    return;
  Step step = std::move(self->steps_.front().step);
  self->steps_.pop_front();
  step();
}

bool HeadlessRenderer::run_until(const bool &done) {
  return run_loop(box_depth_ > 0 ? Loop::message_box : Loop::dialog, done);
}

bool HeadlessRenderer::run_loop(Loop loop, const bool &done) {
  while (!done) {
    if (steps_.empty() || steps_.front().loop != loop) {
      stalled_ = true;
      return false;
    }
    Step step = std::move(steps_.front().step);
    steps_.pop_front();
    step();
  }
  return true;
}

Dialog *HeadlessRenderer::dialog() const {
  return dialog_manager().active_dialog();
}

bool HeadlessRenderer::press(int id) {
  Dialog *target = dialog();
  Control *button = target ? target->find(id) : nullptr;
  return button && dialog_manager().press_button(*button);
}

void HeadlessRenderer::press_enter() {
  if (Dialog *target = dialog())
    dialog_manager().press_enter(*target);
}

void HeadlessRenderer::press_escape() {
  if (Dialog *target = dialog())
    dialog_manager().press_escape(*target);
}

void HeadlessRenderer::press_close_box() {
  if (Dialog *target = dialog())
    dialog_manager().press_close_box(*target);
}

void HeadlessRenderer::move_mouse_over(int id) {
  Dialog *target = dialog();
  if (!target)
    return;
  Window *window = id == 0 ? static_cast<Window *>(target) : target->find(id);
  if (window)
    dialog_manager().mouse_moved(*window);
}

bool HeadlessRenderer::click_into(int id) {
  Dialog *target = dialog();
  Control *control = target ? target->find(id) : nullptr;
  if (!control || !control->visible || !control->enabled)
    return false;
  dialog_manager().user_focused(*target, control);
  return true;
}

bool HeadlessRenderer::insert(const std::string &cp932_piece) {
  Dialog *target = dialog();
  Control *edit = target ? target->focus : nullptr;
  if (!edit || edit->control_class != ControlClass::edit || cp932_piece.empty())
    return false;
  size_t start = cp932_offset_of(edit->text, edit->selection_start);
  size_t end = cp932_offset_of(edit->text, edit->selection_end);
  std::string text = edit->text.substr(0, start) + cp932_piece + edit->text.substr(end);
  size_t caret = edit->selection_start + cp932_character_count(cp932_piece);
  dialog_manager().user_edited(*edit, text, caret, caret);
  return true;
}

// The room that input has in the focused edit: the limit less the bytes
// that stay outside the selection.
static size_t room_in(const Control &edit) {
  size_t start = cp932_offset_of(edit.text, edit.selection_start);
  size_t end = cp932_offset_of(edit.text, edit.selection_end);
  size_t kept = edit.text.size() - (end - start);
  return kept >= edit.limit ? 0 : edit.limit - kept;
}

bool HeadlessRenderer::type(const std::string &utf8) {
  bool all = true;
  for (const std::string &character : utf8_characters(utf8)) {
    Dialog *target = dialog();
    Control *edit = target ? target->focus : nullptr;
    if (!edit || edit->control_class != ControlClass::edit)
      return false;
    std::string admitted = admit_edit_input(character, room_in(*edit));
    if (admitted.empty() || !insert(admitted))
      all = false;
  }
  return all;
}

bool HeadlessRenderer::paste(const std::string &utf8) {
  Dialog *target = dialog();
  Control *edit = target ? target->focus : nullptr;
  if (!edit || edit->control_class != ControlClass::edit)
    return false;
  std::string admitted = admit_edit_input(utf8, room_in(*edit));
  return insert(admitted);
}

bool HeadlessRenderer::answer_message_box() {
  const auto &boxes = dialog_manager().message_boxes();
  if (boxes.empty())
    return false;
  dialog_manager().answer_message_box(*boxes.back(), IDOK);
  return true;
}

void HeadlessRenderer::dialog_created(Dialog &) {
  shown_ = false;
}
void HeadlessRenderer::dialog_shown(Dialog &) {
  shown_ = true;
}
void HeadlessRenderer::dialog_destroyed(Dialog &) {
  shown_ = false;
}
void HeadlessRenderer::window_changed(Window &, WindowChange) {}
void HeadlessRenderer::cursor_changed(CursorShape shape) {
  cursor_ = shape;
}

void HeadlessRenderer::message_box_opened(MessageBoxState &box) {
  boxes_opened_++;
  box_depth_++;
  last_box_text_ = box.text;
  last_box_caption_ = box.caption;
}

void HeadlessRenderer::message_box_closed(MessageBoxState &) {
  box_depth_--;
}
