// The process entry: what the Windows start-up code does before WinMain.
//
// Implemented:
//  [X] the process's command line from argv (GetCommandLineA), and WinMain
//      given that line without the program's name
//  [X] the Qt application and renderer that the dialogs are shown with;
//      the program's icon as the application's icon
//  [X] exit code 0 whatever WinMain returns, after the normal exit
//      processing (return from main)
//  [X] a clear line on stderr, and exit code 0, when there is no display
//      to show the dialog on, or one that cannot be reached
//  [X] ZQ_EXIT_AFTER_FIRST_PAINT: ends the process as soon as the dialog has
//      been painted once, so that start-up can be timed from outside
// Left out: the show command (WinMain gets SW_SHOWDEFAULT; the dialog's
// template decides its visibility), a previous instance.
#include "process_command_line.h"
#include "qt_renderer.h"
#include "resources.h"
#include "win32_dialog.h"

#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int SW_SHOWDEFAULT_COMMAND = 10;
constexpr int PROCESS_EXIT_CODE = 0;

bool environment_has(const char *name) {
  const char *value = getenv(name);
  return value && *value;
}

// Qt aborts the process when it finds no platform to show windows on; say
// so in words instead.
bool display_available() {
  return environment_has("DISPLAY") || environment_has("WAYLAND_DISPLAY") ||
         environment_has("QT_QPA_PLATFORM");
}

// Qt ends the process with a fatal message when it cannot start its
// platform, an X display that cannot be reached among them; say so in one
// line and end as the program always ends.
// Qt's warnings of the start are held back until the platform has started,
// so that a failed start says only that one line.
QtMessageHandler default_message_handler = nullptr;
bool platform_started = false;
QList<std::pair<QtMsgType, QString>> held_messages;

void message_handler(QtMsgType type, const QMessageLogContext &context,
                     const QString &message) {
  if (type == QtFatalMsg && !platform_started) {
    const char *display = getenv("DISPLAY");
    fprintf(stderr,
            "zq-register: cannot connect to the display \"%s\" to show the "
            "registration dialog on\n",
            display ? display : "");
    std::_Exit(PROCESS_EXIT_CODE);
  }
  if (!platform_started) {
    held_messages.append({type, message});
    return;
  }
  if (default_message_handler)
    default_message_handler(type, context, message);
}

void platform_has_started() {
  platform_started = true;
  if (default_message_handler)
    for (const auto &held : held_messages)
      default_message_handler(held.first, QMessageLogContext(), held.second);
  held_messages.clear();
}

// Ends the process once a top-level window has been painted and the event
// that painted it has been handled.
class ExitAfterFirstPaint : public QObject {
public:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() == QEvent::Paint && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->isWindow())
      QTimer::singleShot(0, [] { std::_Exit(PROCESS_EXIT_CODE); });
    return false;
  }
};

} // namespace

int main(int argc, char **argv) {
  set_process_arguments(argc, argv);
  if (!display_available()) {
    fprintf(stderr, "zq-register: no display to show the registration dialog on "
                    "(DISPLAY and WAYLAND_DISPLAY are not set); start it from a "
                    "desktop session\n");
    return PROCESS_EXIT_CODE;
  }
  default_message_handler = qInstallMessageHandler(message_handler);

  QApplication application(argc, argv);
  platform_has_started();
  ExitAfterFirstPaint exit_after_first_paint;
  if (environment_has("ZQ_EXIT_AFTER_FIRST_PAINT"))
    application.installEventFilter(&exit_after_first_paint);
  QIcon icon;
  if (const IconGroup *group = find_icon_group("SETUP_ICON"))
    for (size_t i = 0; i < group->image_count; i++)
      icon.addPixmap(QPixmap(group->images[i].xpm));
  QApplication::setWindowIcon(icon);

  QtRenderer renderer;
  WinMain(GetModuleHandleA(nullptr), nullptr,
          const_cast<LPSTR>(command_line_after_program_name(GetCommandLineA())),
          SW_SHOWDEFAULT_COMMAND);
  return PROCESS_EXIT_CODE;
}
