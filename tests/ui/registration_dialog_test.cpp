// The core's dialog procedure and registration sequence on the headless
// renderer, against a scripted loopback HTTP peer: what each state of the
// dialog shows, which commands act in which state, and what goes over the
// wire.
#include "app/dialog.h"
#include "app/launch_options.h"
#include "app/registration.h"
#include "files/identity.h"
#include "loopback_peer.h"
#include "platform/codepage.h"
#include "platform/dialog_manager.h"
#include "platform/headless_renderer.h"
#include "platform/win32_dialog.h"
#include "res/ranking_host.h"
#include "res/resource_ids.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string sjis(const std::string &utf8) {
  std::string out;
  EXPECT_TRUE(utf8_to_cp932(utf8, out)) << utf8;
  return out;
}

std::string table_utf8(UINT id) {
  return find_string_table_text(id);
}

constexpr const char CHECK_OPEN[] = "*zq*00\n";
constexpr const char CHECK_CLOSED[] = "*zq*01\n";
constexpr const char UPLOAD_ANSWER[] = "OK";

// What the player sees, read from the dialog's state.
struct Snapshot {
  std::vector<int> visible; // of the controls that the arrangements show
  std::string status;       // UTF-8
  std::string send_text;    // UTF-8
  bool send_enabled;
  bool cancel_enabled;
  int focus; // 0: none
  int32_t mode;
  int32_t busy;
  CursorShape cursor;
  std::string name; // UTF-8
  std::string comment;
};

Snapshot take(Dialog &dialog, const HeadlessRenderer &renderer) {
  Snapshot s;
  for (int id : {IDC_NAME_EDIT, IDC_COMMENT_EDIT, IDC_NAME_LABEL, IDC_COMMENT_LABEL,
                 IDC_FINISHED_TEXT, IDC_NOTHING_TEXT})
    if (dialog.find(id)->visible)
      s.visible.push_back(id);
  s.status = cp932_to_utf8(dialog.find(IDC_STATUS)->text);
  s.send_text = cp932_to_utf8(dialog.find(IDOK)->text);
  s.send_enabled = dialog.find(IDOK)->enabled;
  s.cancel_enabled = dialog.find(IDCANCEL)->enabled;
  s.focus = dialog.focus ? dialog.focus->id : 0;
  s.mode = dialog_mode;
  s.busy = busy_count;
  s.cursor = renderer.cursor();
  s.name = cp932_to_utf8(dialog.find(IDC_NAME_EDIT)->text);
  s.comment = cp932_to_utf8(dialog.find(IDC_COMMENT_EDIT)->text);
  return s;
}

const std::vector<int> INPUT_CONTROLS = {IDC_NAME_EDIT, IDC_COMMENT_EDIT, IDC_NAME_LABEL,
                                         IDC_COMMENT_LABEL};

class RegistrationDialog : public ::testing::Test {
public:
  void SetUp() override {
    memset(&player_identity, 0, sizeof player_identity);
    dialog_mode = MODE_INPUT;
    busy_count = 0;
    sent_flag = 0;
    memset(&launch_options, 0, sizeof launch_options);
    strcpy(launch_options.host, "127.0.0.1");
    launch_options.port = LoopbackPeer::closed_port();
  }
  void TearDown() override {
    if (dialog)
      dialog_manager().destroy_dialog(dialog);
    EXPECT_FALSE(renderer.stalled());
  }

  void serve(std::vector<std::string> replies) {
    peer = std::make_unique<LoopbackPeer>(std::move(replies));
    launch_options.port = peer->port();
  }
  void store_identity(const char *name, const char *comment) {
    strcpy(player_identity.name, sjis(name).c_str());
    strcpy(player_identity.comment, sjis(comment).c_str());
  }
  Dialog &open() {
    dialog = dialog_manager().create_dialog(*find_dialog_template(IDD_REGISTRATION),
                                            dialog_proc, 0);
    return *dialog;
  }
  // Replaces the name edit's text as the player would.
  void type_name(const char *utf8) {
    renderer.click_into(IDC_NAME_EDIT);
    SendDlgItemMessageA(handle(), IDC_NAME_EDIT, EM_SETSEL, 0, SELECT_TO_END);
    if (*utf8)
      renderer.type(utf8);
    else
      renderer.paste("");
  }
  HWND handle() const { return DialogManager::handle_of(dialog); }
  size_t requests() const { return peer ? peer->requests().size() : 0; }

  ScratchDirectory scratch;
  HeadlessRenderer renderer;
  std::unique_ptr<LoopbackPeer> peer;
  Dialog *dialog = nullptr;
};

TEST_F(RegistrationDialog, EachStateShowsItsArrangement) {
  struct Row {
    const char *state;
    std::function<Snapshot(RegistrationDialog &)> reach;
    std::vector<int> visible;
    std::string status;
    const char *send_text;
    bool send_enabled, cancel_enabled;
    int focus;
    int32_t mode, busy;
    CursorShape cursor;
    const char *name, *comment;
    size_t requests;
  } rows[] = {
      {"input, no identity",
       [](RegistrationDialog &t) {
         t.open();
         return take(*t.dialog, t.renderer);
       },
       INPUT_CONTROLS, table_utf8(IDS_INSTRUCTIONS), "送信", true, true, IDC_NAME_EDIT,
       MODE_INPUT, 0, CursorShape::arrow, "", "", 0},
      {"input, stored name and comment",
       [](RegistrationDialog &t) {
         t.store_identity("ゆうき", "よろしく");
         t.open();
         return take(*t.dialog, t.renderer);
       },
       INPUT_CONTROLS, table_utf8(IDS_INSTRUCTIONS), "送信", true, true, IDC_COMMENT_EDIT,
       MODE_INPUT, 0, CursorShape::arrow, "ゆうき", "よろしく", 0},
      {"busy, during the acceptance check",
       [](RegistrationDialog &t) {
         t.serve({CHECK_OPEN});
         t.peer->hold();
         t.open();
         t.type_name("ゆうき");
         Snapshot seen{};
         t.renderer.in_socket_wait([&] {
           t.renderer.move_mouse_over(IDC_NAME_EDIT);
           seen = take(*t.dialog, t.renderer);
           t.peer->release();
         });
         t.renderer.press(IDOK);
         return seen;
       },
       INPUT_CONTROLS, table_utf8(IDS_CHECKING), "送信", false, false, 0, MODE_INPUT, 1,
       CursorShape::wait, "ゆうき", "", 1},
      {"busy, name message box open",
       [](RegistrationDialog &t) {
         t.open();
         Snapshot seen{};
         t.renderer.in_message_box([&] {
           t.renderer.move_mouse_over(0);
           seen = take(*t.dialog, t.renderer);
           t.renderer.answer_message_box();
         });
         t.renderer.press_enter();
         return seen;
       },
       INPUT_CONTROLS, table_utf8(IDS_INSTRUCTIONS), "送信", false, false, IDC_NAME_EDIT,
       MODE_INPUT, 1, CursorShape::wait, "", "", 0},
      {"name refused: the stored name comes back",
       [](RegistrationDialog &t) {
         t.store_identity("保存名", "");
         t.open();
         t.type_name("a");
         t.renderer.in_message_box([&] { t.renderer.answer_message_box(); });
         t.renderer.press_enter();
         t.renderer.move_mouse_over(IDOK);
         return take(*t.dialog, t.renderer);
       },
       INPUT_CONTROLS, table_utf8(IDS_INSTRUCTIONS), "送信", true, true, IDC_NAME_EDIT,
       MODE_INPUT, 0, CursorShape::arrow, "保存名", "", 0},
      {"finished, records sent",
       [](RegistrationDialog &t) {
         write_file("zq.sav", good_record_file());
         t.serve({CHECK_OPEN, UPLOAD_ANSWER});
         t.open();
         t.type_name("テスト");
         t.renderer.press(IDOK);
         return take(*t.dialog, t.renderer);
       },
       {IDC_NAME_EDIT, IDC_COMMENT_EDIT, IDC_NAME_LABEL, IDC_COMMENT_LABEL,
        IDC_FINISHED_TEXT},
       table_utf8(IDS_DONE),
       "完了",
       true,
       false,
       0,
       MODE_FINISHED,
       0,
       CursorShape::wait,
       "テスト",
       "",
       2},
      {"finished, nothing to send",
       [](RegistrationDialog &t) {
         t.serve({CHECK_OPEN});
         t.open();
         t.type_name("テスト");
         t.renderer.press(IDOK);
         return take(*t.dialog, t.renderer);
       },
       {IDC_NAME_EDIT, IDC_COMMENT_EDIT, IDC_NAME_LABEL, IDC_COMMENT_LABEL,
        IDC_NOTHING_TEXT},
       table_utf8(IDS_DONE),
       "完了",
       true,
       false,
       0,
       MODE_FINISHED,
       0,
       CursorShape::wait,
       "テスト",
       "",
       1},
      {"failed, registrations closed",
       [](RegistrationDialog &t) {
         t.serve({CHECK_CLOSED});
         t.open();
         t.type_name("テスト");
         t.renderer.click_into(IDC_COMMENT_EDIT);
         t.renderer.type("こんにちは");
         t.renderer.press(IDOK);
         return take(*t.dialog, t.renderer);
       },
       INPUT_CONTROLS, table_utf8(IDS_FAILED), "送信", true, true, IDC_COMMENT_EDIT,
       MODE_INPUT, 0, CursorShape::wait, "テスト", "こんにちは", 1},
      {"failed, the marker alone is too short",
       [](RegistrationDialog &t) {
         t.serve({"*zq*00"});
         t.open();
         t.type_name("テスト");
         t.renderer.press_enter();
         return take(*t.dialog, t.renderer);
       },
       INPUT_CONTROLS, table_utf8(IDS_FAILED), "送信", true, true, IDC_COMMENT_EDIT,
       MODE_INPUT, 0, CursorShape::wait, "テスト", "", 1},
      {"failed, no server",
       [](RegistrationDialog &t) {
         t.open();
         t.type_name("テスト");
         t.renderer.press(IDOK);
         return take(*t.dialog, t.renderer);
       },
       INPUT_CONTROLS, table_utf8(IDS_FAILED), "送信", true, true, IDC_COMMENT_EDIT,
       MODE_INPUT, 0, CursorShape::wait, "テスト", "", 0},
      {"failed, upload unanswered",
       [](RegistrationDialog &t) {
         write_file("zq.sav", good_record_file());
         t.serve({CHECK_OPEN, ""});
         t.open();
         t.type_name("テスト");
         t.renderer.press(IDOK);
         return take(*t.dialog, t.renderer);
       },
       INPUT_CONTROLS, table_utf8(IDS_FAILED), "送信", true, true, IDC_COMMENT_EDIT,
       MODE_INPUT, 0, CursorShape::wait, "テスト", "", 2},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.state);
    SetUp();
    Snapshot s = row.reach(*this);
    EXPECT_EQ(s.visible, row.visible);
    EXPECT_EQ(s.status, row.status);
    EXPECT_EQ(s.send_text, row.send_text);
    EXPECT_EQ(s.send_enabled, row.send_enabled);
    EXPECT_EQ(s.cancel_enabled, row.cancel_enabled);
    EXPECT_EQ(s.focus, row.focus);
    EXPECT_EQ(s.mode, row.mode);
    EXPECT_EQ(s.busy, row.busy);
    EXPECT_EQ(s.cursor, row.cursor);
    EXPECT_EQ(s.name, row.name);
    EXPECT_EQ(s.comment, row.comment);
    EXPECT_EQ(requests(), row.requests);
    EXPECT_EQ(busy_count, 0);
    EXPECT_EQ(renderer.steps_left(), 0u);
    dialog_manager().destroy_dialog(dialog);
    dialog = nullptr;
    peer.reset();
    remove("zq.sav");
    remove("zqhi.sav");
  }
}

// The commands, by state: whether the dialog ends (and with what), and
// whether a registration started (seen as the name message box, since the
// name is empty).
TEST_F(RegistrationDialog, CommandsActOnlyWhereTheStateAllows) {
  enum class State { input, finished, busy_in_box, busy_in_exchange };
  enum class Command { ok, cancel, ok_notified, cancel_notified, enter, escape, close };
  struct Row {
    State state;
    Command command;
    bool ends;
    INT_PTR result;
    int boxes; // name message boxes opened by the command
  } rows[] = {
      {State::input, Command::ok, false, 0, 1},
      {State::input, Command::enter, false, 0, 1},
      {State::input, Command::cancel, true, -1, 0},
      {State::input, Command::escape, true, -1, 0},
      {State::input, Command::close, true, -1, 0},
      {State::input, Command::ok_notified, false, 0, 0},
      {State::input, Command::cancel_notified, false, 0, 0},
      {State::finished, Command::ok, true, 0, 0},
      {State::finished, Command::enter, true, 0, 0},
      {State::finished, Command::cancel, true, -1, 0},
      {State::finished, Command::close, true, -1, 0},
      {State::finished, Command::ok_notified, false, 0, 0},
      {State::busy_in_box, Command::ok, false, 0, 0},
      {State::busy_in_box, Command::cancel, false, 0, 0},
      {State::busy_in_box, Command::enter, false, 0, 0},
      {State::busy_in_box, Command::escape, false, 0, 0},
      {State::busy_in_box, Command::close, false, 0, 0},
      {State::busy_in_exchange, Command::ok, false, 0, 0},
      {State::busy_in_exchange, Command::cancel, false, 0, 0},
      {State::busy_in_exchange, Command::escape, false, 0, 0},
      {State::busy_in_exchange, Command::close, false, 0, 0},
  };
  auto give = [this](Command command) {
    HWND d = handle();
    switch (command) {
    case Command::ok:
      dialog_manager().send_message(*dialog, WM_COMMAND, IDOK, 0);
      break;
    case Command::cancel:
      dialog_manager().send_message(*dialog, WM_COMMAND, IDCANCEL, 0);
      break;
    case Command::ok_notified:
      dialog_manager().send_message(*dialog, WM_COMMAND, MAKEWPARAM(IDOK, EN_CHANGE), 0);
      break;
    case Command::cancel_notified:
      dialog_manager().send_message(*dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 1), 0);
      break;
    case Command::enter:
      renderer.press_enter();
      break;
    case Command::escape:
      renderer.press_escape();
      break;
    case Command::close:
      renderer.press_close_box();
      break;
    }
    (void)d;
  };
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
    const Row &row = rows[i];
    SCOPED_TRACE("row " + std::to_string(i));
    SetUp();
    int boxes_before = 0;
    switch (row.state) {
    case State::input:
      open();
      boxes_before = renderer.message_boxes_opened();
      if (row.boxes)
        renderer.in_message_box([this] { renderer.answer_message_box(); });
      give(row.command);
      break;
    case State::finished:
      serve({CHECK_OPEN});
      open();
      type_name("テスト");
      renderer.press(IDOK);
      ASSERT_EQ(dialog_mode, MODE_FINISHED);
      boxes_before = renderer.message_boxes_opened();
      give(row.command);
      break;
    case State::busy_in_box:
      open();
      renderer.in_message_box([&] {
        boxes_before = renderer.message_boxes_opened();
        give(row.command);
        EXPECT_EQ(dialog->ended, row.ends);
        renderer.answer_message_box();
      });
      renderer.press(IDOK);
      break;
    case State::busy_in_exchange:
      serve({CHECK_CLOSED});
      peer->hold();
      open();
      type_name("テスト");
      renderer.in_socket_wait([&] {
        boxes_before = renderer.message_boxes_opened();
        give(row.command);
        EXPECT_EQ(dialog->ended, row.ends);
        peer->release();
      });
      renderer.press(IDOK);
      EXPECT_EQ(requests(), 1u); // no second registration inside the first
      break;
    }
    EXPECT_EQ(dialog->ended, row.ends);
    if (row.ends) {
      EXPECT_EQ(dialog->result, row.result);
    }
    EXPECT_EQ(renderer.message_boxes_opened() - boxes_before, row.boxes);
    EXPECT_EQ(renderer.steps_left(), 0u);
    dialog_manager().destroy_dialog(dialog);
    dialog = nullptr;
    peer.reset();
  }
}

TEST_F(RegistrationDialog, NameMessageBoxHasTheNameRuleAndNoFileIsWritten) {
  open();
  renderer.in_message_box([this] { renderer.answer_message_box(); });
  renderer.press(IDOK);
  EXPECT_EQ(renderer.message_boxes_opened(), 1);
  EXPECT_EQ(renderer.last_box_caption(), "ZQ");
  EXPECT_EQ(cp932_to_utf8(renderer.last_box_text()),
            "名前は必ず半角で2文字以上、全角で1文字以上必要です。");
  EXPECT_FALSE(file_exists("zqhi.sav"));
}

TEST_F(RegistrationDialog, NamesOfTwoBytesPassAndOneByteIsRefused) {
  struct Row {
    const char *name;
    bool refused;
  } rows[] = {{"", true}, {"a", true}, {"ｱ", true}, {"ab", false}, {"名", false}};
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    SetUp();
    open();
    type_name(row.name);
    if (row.refused)
      renderer.in_message_box([this] { renderer.answer_message_box(); });
    int before = renderer.message_boxes_opened();
    renderer.press(IDOK);
    EXPECT_EQ(renderer.message_boxes_opened() - before, row.refused ? 1 : 0);
    EXPECT_EQ(file_exists("zqhi.sav"), !row.refused);
    dialog_manager().destroy_dialog(dialog);
    dialog = nullptr;
    remove("zqhi.sav");
  }
}

TEST_F(RegistrationDialog, IdentityIsSavedBeforeTheCheckWithWholeCharacters) {
  // A stored name of 16 bytes: the sequence reads 15, and the half
  // character at the cut is dropped.
  store_identity("あいうえおかきく", "コメント");
  serve({CHECK_CLOSED});
  peer->hold();
  open();
  Bytes saved;
  renderer.in_socket_wait([&] {
    saved = read_file("zqhi.sav");
    peer->release();
  });
  renderer.press(IDOK);
  ASSERT_EQ(saved.size(), 512u);
  EXPECT_EQ(std::string((const char *)saved.data()), sjis("あいうえおかき"));
  EXPECT_EQ(std::string((const char *)saved.data() + 256), sjis("コメント"));
}

TEST_F(RegistrationDialog, RequestsNameTheRankingHostInBothForms) {
  struct Row {
    const char *form;
    int proxy_mode;
    std::vector<std::string> replies;
    const char *line_end;
  } rows[] = {
      {"direct", 0, {CHECK_OPEN, UPLOAD_ANSWER}, "\r\n"},
      {"proxy",
       1,
       {std::string("HTTP/1.0 200 OK\r\n\r\n") + CHECK_OPEN, "HTTP/1.0 200 OK\r\n\r\nOK"},
       " HTTP/1.1\r\n\r\n"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.form);
    SetUp();
    write_file("zq.sav", good_record_file());
    serve(row.replies);
    launch_options.proxy_mode = row.proxy_mode;
    open();
    type_name("テスト");
    renderer.press(IDOK);
    EXPECT_EQ(dialog_mode, MODE_FINISHED);
    EXPECT_EQ(sent_flag, 1);
    std::vector<std::string> seen = peer->requests();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], std::string("GET http://" RANKING_HOST_TEXT "/score/zq.txt") +
                           row.line_end);
    std::string upload_start =
        "GET http://" RANKING_HOST_TEXT "/cgi-bin/rank_zq.cgi?name=zq&data=";
    EXPECT_EQ(seen[1].compare(0, upload_start.size(), upload_start), 0) << seen[1];
    EXPECT_EQ(seen[1].size(), upload_start.size() + 384 + strlen(row.line_end));
    dialog_manager().destroy_dialog(dialog);
    dialog = nullptr;
    peer.reset();
  }
}

TEST_F(RegistrationDialog, FinishedStaysFinishedAfterShowModeWithoutFull) {
  open();
  show_mode(handle(), MODE_FINISHED, 0);
  EXPECT_EQ(dialog_mode, MODE_FINISHED);
  EXPECT_FALSE(dialog->find(IDC_FINISHED_TEXT)->visible);
  EXPECT_FALSE(dialog->find(IDC_NOTHING_TEXT)->visible);
  EXPECT_EQ(cp932_to_utf8(dialog->find(IDOK)->text), "送信");
}

TEST_F(RegistrationDialog, StoredTextsLongerThanTheLimitsAreShownWhole) {
  store_identity("とても長い登録名をここに",
                 "これはとても長いコメントで三十二バイトを超えます");
  open();
  EXPECT_EQ(dialog->find(IDC_NAME_EDIT)->text, player_identity.name);
  EXPECT_EQ(dialog->find(IDC_COMMENT_EDIT)->text, player_identity.comment);
  Control *comment = dialog->find(IDC_COMMENT_EDIT);
  EXPECT_EQ(comment->selection_start, 0u);
  EXPECT_EQ(comment->selection_end, cp932_character_count(comment->text));
  EXPECT_EQ(dialog->find(IDC_NAME_EDIT)->limit, (size_t)NAME_EDIT_LIMIT);
  EXPECT_EQ(comment->limit, (size_t)COMMENT_EDIT_LIMIT);
}

// Whatever the player types is what gets registered: the edits take no
// more bytes than the sequence reads (15 of name, 31 of comment), so no
// typed byte is dropped on the way.
TEST_F(RegistrationDialog, EveryTypedByteIsRegistered) {
  serve({CHECK_CLOSED});
  open();
  type_name("ABCDEFGHIJKLMNOP"); // 16: the last is refused
  renderer.click_into(IDC_COMMENT_EDIT);
  EXPECT_FALSE(renderer.type("あいうえおかきくけこさしすせそたち")) // 34 bytes
      << "the comment edit refuses what does not fit";
  EXPECT_EQ(dialog->find(IDC_NAME_EDIT)->text, "ABCDEFGHIJKLMNO");
  EXPECT_EQ(cp932_to_utf8(dialog->find(IDC_COMMENT_EDIT)->text),
            "あいうえおかきくけこさしすせそ");
  renderer.press(IDOK);
  EXPECT_STREQ(player_identity.name, "ABCDEFGHIJKLMNO");
  EXPECT_EQ(cp932_to_utf8(player_identity.comment), "あいうえおかきくけこさしすせそ");
}

} // namespace
