// The Qt 6 Widgets renderer.
#include "qt_renderer.h"

#include "codepage.h"
#include "dialog_manager.h"
#include "resources.h"
#include "winsock.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFontMetrics>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QValidator>
#include <QWidget>

#include <algorithm>
#include <climits>
#include <unordered_map>
#include <vector>

namespace {

// Fonts are sized as Windows sizes them at 96 dpi: 9 points are 12 pixels.
constexpr int REFERENCE_DPI = 96;
constexpr int POINTS_PER_INCH = 72;
// Windows' average character width: the extent of these 52 letters.
constexpr char BASE_UNIT_ALPHABET[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int BASE_UNIT_ALPHABET_HALF = 26;
// Inner margins of an edit between its border and the text, in pixels.
constexpr int EDIT_TEXT_MARGIN = 1;

QtRenderer *active_renderer = nullptr;

QString to_qt(const std::string &cp932) {
  return QString::fromStdString(cp932_to_utf8(cp932));
}

// The text of the widget in CP932; what the code page cannot hold (only a
// broken byte shown as U+FFFD can get there) is left out.
std::string from_qt(const QString &text) {
  return admit_edit_input(text.toStdString(), SIZE_MAX);
}

QFont template_font(const DialogTemplate &source) {
  const char *face = substitute_font_face(source.face);
  QFont font(QString::fromUtf8(face ? face : source.face));
  font.setPixelSize(mul_div(source.point_size, REFERENCE_DPI, POINTS_PER_INCH));
  if (source.weight >= 700)
    font.setBold(true);
  font.setItalic(source.italic != 0);
  return font;
}

QIcon program_icon() {
  QIcon icon;
  if (const IconGroup *group = find_icon_group("SETUP_ICON"))
    for (size_t i = 0; i < group->image_count; i++)
      icon.addPixmap(QPixmap(group->images[i].xpm));
  return icon;
}

// Checks what the user puts into an edit against its byte limit and the
// code page: characters that CP932 cannot hold are refused, and of an
// insertion only as many whole characters as fit are taken. Deleting is
// always allowed, also when the program set a text over the limit.
class EditValidator : public QValidator {
public:
  EditValidator(Control &control, QObject *parent)
      : QValidator(parent), control_(control) {}

  State validate(QString &input, int &position) const override {
    if (program_change)
      return Acceptable;
    const QString &old = accepted_text;
    int common = (int)std::min(old.size(), input.size());
    int prefix = 0;
    while (prefix < common && old[prefix] == input[prefix])
      prefix++;
    int suffix = 0;
    while (suffix < common - prefix &&
           old[old.size() - 1 - suffix] == input[input.size() - 1 - suffix])
      suffix++;
    QString inserted = input.mid(prefix, input.size() - prefix - suffix);
    if (inserted.isEmpty())
      return Acceptable;
    size_t kept = from_qt(old.left(prefix) + old.right(suffix)).size();
    size_t room = kept >= control_.limit ? 0 : control_.limit - kept;
    std::string admitted = admit_edit_input(inserted.toStdString(), room);
    if (admitted.empty())
      return Invalid;
    QString shown = to_qt(admitted);
    if (shown != inserted) {
      input = input.left(prefix) + shown + input.right(suffix);
      position = prefix + (int)shown.size();
    }
    return Acceptable;
  }

  QString accepted_text;
  bool program_change = false;

private:
  Control &control_;
};

struct EditView {
  QLineEdit *edit;
  EditValidator *validator;
};

} // namespace

// Routes the dialog's keys and mouse moves to the manager.
class DialogEventFilter : public QObject {
public:
  DialogEventFilter(QtRenderer::Impl &impl) : impl_(impl) {}
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  QtRenderer::Impl &impl_;
  // A mouse move that is offered to a parent after a child ignored it is
  // the same move: one WM_SETCURSOR per move.
  const QEvent *last_move_ = nullptr;
  quint64 last_move_time_ = 0;
  QPointF last_move_position_;
};

// The dialog's window: closing it is the close box, which the dialog
// procedure answers (IDCANCEL); the window itself never closes on its own.
class DialogWindow : public QWidget {
public:
  DialogWindow(Dialog &dialog) : dialog_(dialog) {}

protected:
  void closeEvent(QCloseEvent *event) override {
    event->ignore();
    dialog_manager().press_close_box(dialog_);
  }

private:
  Dialog &dialog_;
};

struct QtRenderer::Impl {
  QtRenderer &owner;
  DialogEventFilter filter{*this};
  std::unordered_map<QObject *, Window *> windows; // widget -> window
  std::unordered_map<Control *, EditView> edits;
  std::vector<std::pair<QEventLoop *, const bool *>> loops;
  std::vector<QMessageBox *> boxes;
  QMetaObject::Connection focus_connection;
  void (*previous_hook)(void) = nullptr;
  CursorShape cursor = CursorShape::arrow;
  int base_x = 0;
  int base_y = 0;

  explicit Impl(QtRenderer &o) : owner(o) {}

  Window *window_of(QObject *object) const {
    auto found = windows.find(object);
    return found == windows.end() ? nullptr : found->second;
  }

  void apply_cursor(Dialog &dialog) {
    auto *window = static_cast<QWidget *>(dialog.view);
    if (!window)
      return;
    if (cursor == CursorShape::wait) {
      window->setCursor(Qt::WaitCursor);
      for (const auto &control : dialog.controls)
        static_cast<QWidget *>(control->view)->setCursor(Qt::WaitCursor);
      return;
    }
    window->unsetCursor();
    for (const auto &control : dialog.controls) {
      auto *widget = static_cast<QWidget *>(control->view);
      if (control->control_class == ControlClass::edit)
        widget->setCursor(Qt::IBeamCursor);
      else
        widget->unsetCursor();
    }
  }

  void show_text(Window &window) {
    QString text = to_qt(window.text);
    if (window.kind == Window::Kind::dialog) {
      static_cast<QWidget *>(window.view)->setWindowTitle(text);
      return;
    }
    Control &control = static_cast<Control &>(window);
    switch (control.control_class) {
    case ControlClass::button:
      static_cast<QPushButton *>(control.view)->setText(text);
      break;
    case ControlClass::static_text:
      static_cast<QLabel *>(control.view)->setText(text);
      break;
    case ControlClass::edit: {
      EditView &view = edits.at(&control);
      view.validator->program_change = true;
      view.edit->setText(text);
      view.validator->program_change = false;
      show_selection(control);
      break;
    }
    }
  }

  void show_selection(Control &control) {
    EditView &view = edits.at(&control);
    int start = (int)control.selection_start;
    int end = (int)control.selection_end;
    if (end > start)
      view.edit->setSelection(start, end - start);
    else
      view.edit->setCursorPosition(start);
  }

  void report_selection(Control &control) {
    QLineEdit *edit = edits.at(&control).edit;
    if (!edit->hasFocus())
      return; // a Qt edit drops its selection when it loses the focus
    size_t caret = (size_t)edit->cursorPosition();
    if (edit->hasSelectedText()) {
      size_t start = (size_t)edit->selectionStart();
      size_t end = start + (size_t)edit->selectedText().size();
      dialog_manager().user_selected(control, start, end);
    } else {
      dialog_manager().user_selected(control, caret, caret);
    }
  }

  QWidget *make_control(Control &control, QWidget *parent, const QFont &font) {
    const ControlTemplate &item = *control.source;
    PixelRect rect =
        dialog_units_to_pixels(item.x, item.y, item.cx, item.cy, base_x, base_y);
    QWidget *widget = nullptr;
    switch (control.control_class) {
    case ControlClass::button: {
      auto *button = new QPushButton(parent);
      button->setDefault(control.is_default_button());
      button->setAutoDefault(false);
      QObject::connect(button, &QPushButton::clicked,
                       [&control] { dialog_manager().press_button(control); });
      widget = button;
      break;
    }
    case ControlClass::edit: {
      auto *edit = new QLineEdit(parent);
      auto *validator = new EditValidator(control, edit);
      edit->setValidator(validator);
      edit->setTextMargins(EDIT_TEXT_MARGIN, 0, EDIT_TEXT_MARGIN, 0);
      edit->setFrame((item.style & WS_BORDER) != 0);
      edits[&control] = {edit, validator};
      QObject::connect(edit, &QLineEdit::textChanged, [validator](const QString &text) {
        validator->accepted_text = text;
      });
      QObject::connect(
          edit, &QLineEdit::textEdited, [this, &control, edit](const QString &) {
            size_t caret = (size_t)edit->cursorPosition();
            dialog_manager().user_edited(control, from_qt(edit->text()), caret, caret);
            report_selection(control);
          });
      QObject::connect(edit, &QLineEdit::selectionChanged,
                       [this, &control] { report_selection(control); });
      QObject::connect(edit, &QLineEdit::cursorPositionChanged,
                       [this, &control](int, int) { report_selection(control); });
      widget = edit;
      break;
    }
    case ControlClass::static_text: {
      auto *label = new QLabel(parent);
      label->setTextFormat(Qt::PlainText);
      label->setWordWrap(true);
      label->setContentsMargins(0, 0, 0, 0);
      label->setIndent(0);
      label->setMargin(0);
      Qt::Alignment horizontal =
          (item.style & 0x3) == SS_CENTER ? Qt::AlignHCenter : Qt::AlignLeft;
      label->setAlignment(horizontal | Qt::AlignTop);
      // Statics paint their background, as on Windows, so that a text
      // shown over others (the finished texts over the labels) reads clean.
      label->setAutoFillBackground(true);
      widget = label;
      break;
    }
    }
    widget->setFont(font);
    widget->setGeometry(rect.x, rect.y, rect.width, rect.height);
    widget->setFocusPolicy(control.is_tab_stop() ||
                                   control.control_class != ControlClass::static_text
                               ? Qt::StrongFocus
                               : Qt::NoFocus);
    widget->setMouseTracking(true);
    widget->installEventFilter(&filter);
    widget->setEnabled(control.enabled);
    widget->setVisible(control.visible);
    control.view = widget;
    windows[widget] = &control;
    show_text(control);
    return widget;
  }

  static void socket_wait() {
    // Let the window repaint and take the user's input while a socket call
    // waits; busy_count in the dialog keeps the buttons from acting.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
};

bool DialogEventFilter::eventFilter(QObject *watched, QEvent *event) {
  Window *window = impl_.window_of(watched);
  if (!window)
    return false;
  Dialog &dialog = *window->dialog;
  if (event->type() == QEvent::KeyPress) {
    auto *key = static_cast<QKeyEvent *>(event);
    Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if (modifiers != Qt::NoModifier)
      return false;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      dialog_manager().press_enter(dialog);
      return true;
    }
    if (key->key() == Qt::Key_Escape) {
      dialog_manager().press_escape(dialog);
      return true;
    }
    return false;
  }
  if (event->type() == QEvent::MouseMove) {
    auto *move = static_cast<QMouseEvent *>(event);
    if (event == last_move_ && move->timestamp() == last_move_time_ &&
        move->globalPosition() == last_move_position_)
      return false;
    last_move_ = event;
    last_move_time_ = move->timestamp();
    last_move_position_ = move->globalPosition();
    // A disabled control passes the move on to the dialog, as Windows
    // hit-tests disabled controls as the dialog.
    auto *widget = static_cast<QWidget *>(watched);
    dialog_manager().mouse_moved(widget->isEnabled() ? *window : dialog);
    return false;
  }
  return false;
}

QtRenderer::QtRenderer() : impl_(std::make_unique<Impl>(*this)) {
  active_renderer = this;
  // The dialogs run their own loops; closing the last window must not end
  // them, the dialog procedure decides.
  QApplication::setQuitOnLastWindowClosed(false);
  impl_->focus_connection = QObject::connect(
      qApp, &QApplication::focusChanged, [this](QWidget *, QWidget *now) {
        Window *window = impl_->window_of(now);
        if (!window)
          return;
        Dialog &dialog = *window->dialog;
        dialog_manager().user_focused(dialog, window->kind == Window::Kind::control
                                                  ? static_cast<Control *>(window)
                                                  : nullptr);
      });
  impl_->previous_hook = socket_wait_hook;
  socket_wait_hook = &Impl::socket_wait;
  dialog_manager().set_renderer(this);
}

QtRenderer::~QtRenderer() {
  if (dialog_manager().renderer() == this)
    dialog_manager().set_renderer(nullptr);
  socket_wait_hook = impl_->previous_hook;
  QObject::disconnect(impl_->focus_connection);
  if (active_renderer == this)
    active_renderer = nullptr;
}

QWidget *QtRenderer::widget_of(const Window &window) const {
  return static_cast<QWidget *>(window.view);
}

QWidget *QtRenderer::top_message_box() const {
  return impl_->boxes.empty() ? nullptr : impl_->boxes.back();
}

int QtRenderer::base_unit_x() const {
  return impl_->base_x;
}
int QtRenderer::base_unit_y() const {
  return impl_->base_y;
}

void QtRenderer::dialog_created(Dialog &dialog) {
  const DialogTemplate &source = *dialog.source;
  QFont font = template_font(source);
  // Base units as Windows takes them from the dialog's font: the average
  // width of the letters, rounded, and the character height.
  QFontMetrics metrics(font);
  int alphabet_width = metrics.horizontalAdvance(QString::fromLatin1(BASE_UNIT_ALPHABET));
  impl_->base_x = (alphabet_width / BASE_UNIT_ALPHABET_HALF + 1) / 2;
  impl_->base_y = metrics.height();

  auto *window = new DialogWindow(dialog);
  window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  window->setFont(font);
  window->setWindowIcon(program_icon());
  window->setMouseTracking(true);
  window->installEventFilter(&impl_->filter);
  PixelRect rect = dialog_units_to_pixels(source.x, source.y, source.cx, source.cy,
                                          impl_->base_x, impl_->base_y);
  window->setFixedSize(rect.width, rect.height);
  window->move(rect.x, rect.y);
  dialog.view = window;
  impl_->windows[window] = &dialog;
  impl_->show_text(dialog);

  QWidget *previous_stop = nullptr;
  for (const auto &control : dialog.controls) {
    QWidget *widget = impl_->make_control(*control, window, font);
    if (control->is_tab_stop()) {
      if (previous_stop)
        QWidget::setTabOrder(previous_stop, widget);
      previous_stop = widget;
    }
  }
  // Later statics lie over earlier ones; edits and buttons over every static.
  for (const auto &control : dialog.controls)
    if (control->control_class != ControlClass::static_text)
      static_cast<QWidget *>(control->view)->raise();
  impl_->apply_cursor(dialog);
}

void QtRenderer::dialog_shown(Dialog &dialog) {
  auto *window = static_cast<QWidget *>(dialog.view);
  window->show();
  window->raise();
  window->activateWindow();
  if (dialog.focus)
    static_cast<QWidget *>(dialog.focus->view)->setFocus(Qt::OtherFocusReason);
}

void QtRenderer::dialog_destroyed(Dialog &dialog) {
  auto *window = static_cast<QWidget *>(dialog.view);
  if (!window)
    return;
  window->hide();
  for (const auto &control : dialog.controls) {
    impl_->windows.erase(static_cast<QObject *>(control->view));
    impl_->edits.erase(control.get());
    control->view = nullptr;
  }
  impl_->windows.erase(window);
  dialog.view = nullptr;
  delete window;
}

void QtRenderer::window_changed(Window &window, WindowChange change) {
  auto *widget = static_cast<QWidget *>(window.view);
  if (!widget)
    return;
  switch (change) {
  case WindowChange::text:
    impl_->show_text(window);
    break;
  case WindowChange::visible:
    if (window.kind == Window::Kind::control)
      widget->setVisible(window.visible);
    break;
  case WindowChange::enabled:
    widget->setEnabled(window.enabled);
    break;
  case WindowChange::focus:
    if (window.kind == Window::Kind::control)
      widget->setFocus(Qt::OtherFocusReason);
    else if (QWidget *focused = widget->focusWidget())
      focused->clearFocus();
    break;
  case WindowChange::selection:
    if (window.kind == Window::Kind::control &&
        static_cast<Control &>(window).control_class == ControlClass::edit)
      impl_->show_selection(static_cast<Control &>(window));
    break;
  }
}

void QtRenderer::cursor_changed(CursorShape shape) {
  impl_->cursor = shape;
  for (const auto &entry : impl_->windows)
    if (entry.second->kind == Window::Kind::dialog)
      impl_->apply_cursor(*static_cast<Dialog *>(entry.second));
}

void QtRenderer::message_box_opened(MessageBoxState &state) {
  auto *box = new QMessageBox();
  box->setWindowTitle(to_qt(state.caption));
  box->setText(to_qt(state.text));
  box->setTextFormat(Qt::PlainText);
  box->setIcon((state.type & MB_ICONEXCLAMATION) == MB_ICONEXCLAMATION
                   ? QMessageBox::Warning
                   : QMessageBox::NoIcon);
  box->setStandardButtons(QMessageBox::Ok);
  box->setEscapeButton(QMessageBox::Ok);
  box->setWindowModality(Qt::NonModal);
  box->setWindowIcon(program_icon());
  QObject::connect(box, &QMessageBox::finished,
                   [&state](int) { dialog_manager().answer_message_box(state, IDOK); });
  state.view = box;
  impl_->boxes.push_back(box);
  box->show();
  box->raise();
  box->activateWindow();
}

void QtRenderer::message_box_closed(MessageBoxState &state) {
  auto *box = static_cast<QMessageBox *>(state.view);
  if (!box)
    return;
  impl_->boxes.erase(std::remove(impl_->boxes.begin(), impl_->boxes.end(), box),
                     impl_->boxes.end());
  box->disconnect();
  box->hide();
  box->deleteLater();
  state.view = nullptr;
}

bool QtRenderer::run_until(const bool &done) {
  if (done)
    return true;
  QEventLoop loop;
  impl_->loops.push_back({&loop, &done});
  loop.exec();
  impl_->loops.pop_back();
  // Only wake() ends the loop while done is false when the application as a
  // whole is quitting; the caller then gives up.
  return done;
}

void QtRenderer::wake() {
  for (const auto &entry : impl_->loops)
    if (*entry.second)
      entry.first->exit();
}
