// The registration sequence: name check, identity save, acceptance check,
// record upload, and the dialog's outcome.
//
// It runs inside the send command on the dialog's thread. Each exchange
// blocks that thread (the socket layer keeps the window painted meanwhile);
// busy_count keeps the dialog from starting a second sequence inside it.
#include "app/registration.h"

#include "app/dialog.h"
#include "app/launch_options.h"
#include "files/identity.h"
#include "files/ranking_block.h"
#include "files/ranking_target.h"
#include "net/http_exchange.h"
#include "platform/platform.h"
#include "res/ranking_host.h"
#include "res/resource_ids.h"

#include <cstring>

int32_t sent_flag = 0;

namespace {

char receive_buffer[RECEIVE_BUFFER_SIZE];
char target_buffer[TARGET_BUFFER_SIZE];

constexpr const char CHECK_TARGET[] = "http://" RANKING_HOST_TEXT "/score/zq.txt";
constexpr const char ACCEPTANCE_MARKER[] = "*zq*00";
constexpr int ACCEPTANCE_MARKER_LENGTH = sizeof(ACCEPTANCE_MARKER) - 1;
// The marker and at least one byte more, a line end as a rule.
constexpr int ACCEPTANCE_MIN_REPLY = ACCEPTANCE_MARKER_LENGTH + 1;
constexpr const char TARGET_SCHEME[] = "http://";
constexpr int TARGET_SCHEME_LENGTH = sizeof(TARGET_SCHEME) - 1;
constexpr int MIN_NAME_LENGTH = 2;
constexpr int NAME_READ_COUNT = NAME_EDIT_LIMIT + 1;
constexpr int COMMENT_READ_COUNT = COMMENT_EDIT_LIMIT + 1;
// "名前は必ず半角で2文字以上、全角で1文字以上必要です。" in code page 932.
constexpr const char NAME_MESSAGE_TEXT[] =
    "\x96\xbc\x91\x4f\x82\xcd\x95\x4b\x82\xb8\x94\xbc\x8a\x70\x82\xc5\x32\x95\xb6\x8e"
    "\x9a\x88\xc8\x8f\xe3\x81\x41\x91\x53\x8a\x70\x82\xc5\x31\x95\xb6\x8e\x9a\x88\xc8"
    "\x8f\xe3\x95\x4b\x97\x76\x82\xc5\x82\xb7\x81\x42";
constexpr const char NAME_MESSAGE_CAPTION[] = "ZQ";

// The scheme, the host, "/", the CGI path and query, the encoded block and
// a NUL (the sizes below count the NULs of the host and of the path).
static_assert(TARGET_SCHEME_LENGTH + sizeof(RANKING_HOST) + sizeof(RANKING_CGI_PATH) +
                      ENCODED_BLOCK_LENGTH <=
                  TARGET_BUFFER_SIZE,
              "the registration target fits its buffer");

// Asks the server whether it takes registrations.
bool registrations_open() {
  int32_t count = http_get(receive_buffer, RECEIVE_BUFFER_SIZE, launch_options.host,
                           launch_options.port, CHECK_TARGET);
  return count >= ACCEPTANCE_MIN_REPLY &&
         memcmp(receive_buffer, ACCEPTANCE_MARKER, ACCEPTANCE_MARKER_LENGTH) == 0;
}

void end_unlocked(HWND dialog) {
  busy_count--;
  lock_controls(dialog, 0);
}

} // namespace

int submit_registration(HWND dialog) {
  busy_count++;
  lock_controls(dialog, 1);

  char typed_name[IDENTITY_FIELD_SIZE];
  typed_name[0] = '\0';
  GetWindowTextA(GetDlgItem(dialog, IDC_NAME_EDIT), typed_name, NAME_READ_COUNT);
  GetWindowTextA(GetDlgItem(dialog, IDC_COMMENT_EDIT), player_identity.comment,
                 COMMENT_READ_COUNT);

  if (strlen(typed_name) < (size_t)MIN_NAME_LENGTH) {
    MessageBoxA(nullptr, NAME_MESSAGE_TEXT, NAME_MESSAGE_CAPTION, MB_OK);
    SetDlgItemTextA(dialog, IDC_NAME_EDIT, player_identity.name);
    end_unlocked(dialog);
    return 0;
  }
  strcpy(player_identity.name, typed_name);
  save_identity();

  set_status(dialog, table_text(IDS_CHECKING));
  if (registrations_open()) {
    set_status(dialog, "");
    set_status(dialog, table_text(IDS_PREPARING));

    strcpy(target_buffer, TARGET_SCHEME);
    sent_flag = 0;
    bool sent = true;
    if (build_ranking_target(target_buffer + TARGET_SCHEME_LENGTH, RANKING_HOST)) {
      set_status(dialog, table_text(IDS_SENDING));
      sent = http_get(receive_buffer, UPLOAD_REPLY_CAPACITY, launch_options.host,
                      launch_options.port, target_buffer) != 0;
      if (sent)
        sent_flag++;
    }
    if (sent) {
      set_status(dialog, table_text(IDS_DONE));
      show_mode(dialog, MODE_FINISHED, 1);
      busy_count--;
      return 1;
    }
  }

  set_status(dialog, table_text(IDS_FAILED));
  show_mode(dialog, MODE_INPUT, 0);
  end_unlocked(dialog);
  return 0;
}
