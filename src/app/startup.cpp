// The program's entry: launch options, the stored identity, then the
// registration dialog, which is the whole user interface.
#include "app/dialog.h"
#include "app/launch_options.h"
#include "files/identity.h"
#include "platform/platform.h"
#include "res/ranking_host.h"
#include "res/resource_ids.h"

#include <cstring>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
  dialog_mode = MODE_INPUT;
  strcpy(launch_options.host, RANKING_HOST);
  parse_command_line(command_line);
  load_identity();
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_REGISTRATION), nullptr, dialog_proc, 0);
  return 0;
}
