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
//      to show the dialog on
// Left out: the show command (WinMain gets SW_SHOWDEFAULT; the dialog's
// template decides its visibility), a previous instance.
#include "process_command_line.h"
#include "qt_renderer.h"
#include "resources.h"
#include "win32_dialog.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>

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

} // namespace

int main(int argc, char **argv) {
  set_process_arguments(argc, argv);
  if (!display_available()) {
    fprintf(stderr, "zq-register: no display to show the registration dialog on "
                    "(DISPLAY and WAYLAND_DISPLAY are not set); start it from a "
                    "desktop session\n");
    return PROCESS_EXIT_CODE;
  }

  QApplication application(argc, argv);
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
