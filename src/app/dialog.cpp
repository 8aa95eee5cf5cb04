// The registration dialog: its procedure and the operations that arrange it.
//
// Two arrangements: input (edits, labels and instructions) and finished
// (the "done" text over the status area and the send button turned into
// the button that closes the dialog). While a registration runs,
// busy_count keeps the send and cancel commands from acting.
#include "app/dialog.h"

#include "app/registration.h"
#include "files/identity.h"
#include "platform/platform.h"
#include "res/resource_ids.h"

#include <cstdarg>

int32_t dialog_mode = MODE_INPUT;
int32_t busy_count = 0;

namespace {

char table_text_buffer[TABLE_TEXT_SIZE];

// The longest text that set_status is given is the failure text: 194 bytes
// plus the host name, which the build keeps within 255 bytes.
constexpr int FAILURE_TEXT_FIXED_LENGTH = 194;
static_assert(FAILURE_TEXT_FIXED_LENGTH + sizeof(ZQ_RANKING_HOST) - 1 < STATUS_TEXT_SIZE,
              "the failure text fits a status text");

constexpr int SHOW_KEY_INPUT_FULL = MODE_INPUT;
constexpr int SHOW_KEY_INPUT_FOCUS = MODE_INPUT + 100;
constexpr int SHOW_KEY_FINISHED_FULL = MODE_FINISHED;

// The edit that takes the focus: the comment once there is a name.
int target_edit() {
  return player_identity.name[0] != '\0' ? IDC_COMMENT_EDIT : IDC_NAME_EDIT;
}

void arrange_input(HWND dialog) {
  ShowWindow(GetDlgItem(dialog, IDC_NAME_EDIT), SW_SHOW);
  ShowWindow(GetDlgItem(dialog, IDC_COMMENT_EDIT), SW_SHOW);
  ShowWindow(GetDlgItem(dialog, IDC_NAME_LABEL), SW_SHOW);
  ShowWindow(GetDlgItem(dialog, IDC_COMMENT_LABEL), SW_SHOW);
  set_status(dialog, table_text(IDS_INSTRUCTIONS));
  SetWindowTextA(dialog, table_text(IDS_CAPTION));
  SendDlgItemMessageA(dialog, IDC_NAME_EDIT, EM_LIMITTEXT, NAME_EDIT_LIMIT, 0);
  SendDlgItemMessageA(dialog, IDC_COMMENT_EDIT, EM_LIMITTEXT, COMMENT_EDIT_LIMIT, 0);
  SetDlgItemTextA(dialog, IDC_NAME_EDIT, player_identity.name);
  SetDlgItemTextA(dialog, IDC_COMMENT_EDIT, player_identity.comment);
  SendDlgItemMessageA(dialog, target_edit(), EM_SETSEL, 0, SELECT_TO_END);
}

void arrange_finished(HWND dialog) {
  ShowWindow(GetDlgItem(dialog, sent_flag ? IDC_FINISHED_TEXT : IDC_NOTHING_TEXT),
             SW_SHOW);
  SetWindowTextA(GetDlgItem(dialog, IDOK), table_text(IDS_FINISH_BUTTON));
  EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
}

} // namespace

INT_PTR CALLBACK dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
  case WM_SETCURSOR:
    if (busy_count != 0) {
      SetCursor(LoadCursorA(nullptr, IDC_WAIT));
      return TRUE;
    }
    return FALSE;
  case WM_INITDIALOG:
    busy_count = 0;
    show_mode(dialog, dialog_mode, 1);
    return FALSE;
  case WM_COMMAND:
    // The whole of wparam: a command acts only with notification code 0.
    if (wparam == IDOK) {
      if (busy_count == 0) {
        if (dialog_mode == MODE_INPUT)
          submit_registration(dialog);
        else if (dialog_mode == MODE_FINISHED)
          EndDialog(dialog, 0);
      }
    } else if (wparam == IDCANCEL) {
      if (busy_count == 0)
        EndDialog(dialog, -1);
    }
    return FALSE;
  default:
    return FALSE;
  }
}

void show_mode(HWND dialog, int32_t mode, int full) {
  dialog_mode = mode;
  int key = full ? mode : mode + 100;
  if (key == SHOW_KEY_INPUT_FULL) {
    arrange_input(dialog);
    SetFocus(GetDlgItem(dialog, target_edit()));
  } else if (key == SHOW_KEY_INPUT_FOCUS) {
    SetFocus(GetDlgItem(dialog, target_edit()));
  } else if (key == SHOW_KEY_FINISHED_FULL) {
    arrange_finished(dialog);
  }
}

void set_status(HWND dialog, const char *format, ...) {
  char text[STATUS_TEXT_SIZE];
  va_list arguments;
  va_start(arguments, format);
  wvsprintfA(text, format, arguments);
  va_end(arguments);
  SetDlgItemTextA(dialog, IDC_STATUS, text);
}

void lock_controls(HWND dialog, int on) {
  EnableWindow(GetDlgItem(dialog, IDOK), on ? FALSE : TRUE);
  EnableWindow(GetDlgItem(dialog, IDCANCEL), on ? FALSE : TRUE);
  if (on)
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
}

const char *table_text(int id) {
  LoadStringA(GetModuleHandleA(nullptr), (UINT)id, table_text_buffer, TABLE_TEXT_SIZE);
  return table_text_buffer;
}
