// The Win32 dialog subset on the headless renderer, with a recording
// dialog procedure: message flow, edit limits in bytes, reading texts,
// selections, the string table, wvsprintfA and the start-up rules for the
// command line.
#include "platform/codepage.h"
#include "platform/dialog_manager.h"
#include "platform/headless_renderer.h"
#include "platform/process_command_line.h"
#include "platform/win32_dialog.h"
#include "res/ranking_host.h"
#include "res/resource_ids.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

// CP932 bytes of a UTF-8 text (the tests' texts all convert).
std::string sjis(const std::string &utf8) {
  std::string out;
  EXPECT_TRUE(utf8_to_cp932(utf8, out)) << utf8;
  return out;
}

struct Message {
  UINT message;
  WPARAM wparam;
};

// A dialog procedure that records what it gets and does what the test asks.
struct Recorder {
  std::vector<Message> messages;
  bool shown_at_init = true;
  INT_PTR init_result = FALSE;
  INT_PTR setcursor_result = FALSE;
  std::function<void(HWND)> on_init;
  std::function<void(HWND, WPARAM)> on_command;
} recorder;

INT_PTR CALLBACK recording_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_SETCURSOR || message == WM_INITDIALOG || message == WM_COMMAND)
    recorder.messages.push_back({message, wparam});
  switch (message) {
  case WM_INITDIALOG:
    if (recorder.on_init)
      recorder.on_init(dialog);
    return recorder.init_result;
  case WM_COMMAND:
    if (recorder.on_command)
      recorder.on_command(dialog, wparam);
    return FALSE;
  case WM_SETCURSOR:
    if (recorder.setcursor_result)
      SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    return recorder.setcursor_result;
  default:
    return FALSE;
  }
}

class Win32Layer : public ::testing::Test {
protected:
  void SetUp() override { recorder = Recorder(); }
  void TearDown() override {
    if (dialog)
      dialog_manager().destroy_dialog(dialog);
  }
  // Template 102 made and initialised, without a loop: the test drives it.
  HWND open() {
    dialog = dialog_manager().create_dialog(*find_dialog_template(IDD_REGISTRATION),
                                            recording_proc, 0);
    return DialogManager::handle_of(dialog);
  }
  std::vector<WPARAM> commands() const {
    std::vector<WPARAM> seen;
    for (const Message &m : recorder.messages)
      if (m.message == WM_COMMAND)
        seen.push_back(m.wparam);
    return seen;
  }
  std::string text_of(int id) const {
    char buffer[1024];
    GetWindowTextA(GetDlgItem(DialogManager::handle_of(dialog), id), buffer,
                   sizeof buffer);
    return buffer;
  }

  HeadlessRenderer renderer;
  Dialog *dialog = nullptr;
};

TEST_F(Win32Layer, DialogBoxRunsInitBeforeShowingAndReturnsTheEndDialogValue) {
  recorder.on_init = [this](HWND) { recorder.shown_at_init = renderer.shown(); };
  bool alive_after_end = false;
  recorder.on_command = [&](HWND dialog, WPARAM wparam) {
    if (wparam == MAKEWPARAM(IDCANCEL, BN_CLICKED)) {
      EndDialog(dialog, 1234);
      // The dialog closes only once the procedure has returned.
      alive_after_end = GetDlgItem(dialog, IDC_STATUS) != nullptr;
    }
  };
  bool shown_in_loop = false;
  renderer.in_dialog([&] {
    shown_in_loop = renderer.shown();
    renderer.press(IDCANCEL);
  });
  INT_PTR result =
      DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_REGISTRATION),
                      nullptr, recording_proc, 0);
  EXPECT_EQ(result, 1234);
  EXPECT_FALSE(recorder.shown_at_init);
  EXPECT_TRUE(shown_in_loop);
  EXPECT_TRUE(alive_after_end);
  EXPECT_FALSE(renderer.stalled());
  ASSERT_FALSE(recorder.messages.empty());
  EXPECT_EQ(recorder.messages.front().message, (UINT)WM_INITDIALOG);
  EXPECT_EQ(dialog_manager().active_dialog(), nullptr);
}

TEST_F(Win32Layer, UnknownTemplateIsRefused) {
  EXPECT_EQ(DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(999), nullptr,
                            recording_proc, 0),
            -1);
  EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(Win32Layer, ControlsComeFromTheTemplate) {
  HWND d = open();
  struct Row {
    int id;
    const char *text;
    bool visible;
  } rows[] = {
      {IDOK, "送信", true},
      {IDCANCEL, "ｷｬﾝｾﾙ", true},
      {IDC_FIXED_TEXT, "★☆ ミルカダ InternetRanking ☆★", true},
      {IDC_NAME_EDIT, "", false},
      {IDC_COMMENT_EDIT, "", false},
      {IDC_NAME_LABEL, "登録名", false},
      {IDC_COMMENT_LABEL, "コメント", false},
      {IDC_STATUS, "", true},
      {IDC_FINISHED_TEXT,
       "登録は終了しました。現在の記録は次の URL "
       "で見るこ\nとが出来ます。\n" RANKING_PAGE_TEXT "\n",
       false},
      {IDC_NOTHING_TEXT,
       "登録する記録データがありませんでした。現在の記録は\n次の URL "
       "で見ることが出来ます。\n" RANKING_PAGE_TEXT "\n",
       false},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.id);
    HWND control = GetDlgItem(d, row.id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(text_of(row.id), sjis(row.text));
    // ShowWindow answers whether the control was visible before.
    EXPECT_EQ(ShowWindow(control, SW_SHOW) != 0, row.visible);
  }
  char caption[64];
  GetWindowTextA(d, caption, sizeof caption);
  EXPECT_EQ(std::string(caption), sjis("ZQ InternetRanking登録"));
  EXPECT_EQ(GetDlgItem(d, 4242), nullptr);
}

TEST_F(Win32Layer, InitDialogFocusFollowsItsResult) {
  struct Row {
    const char *name;
    INT_PTR init_result;
    int focus_in_init; // 0: the procedure places no focus
    int expected_focus;
  } rows[] = {
      {"TRUE: the first visible, enabled tab stop", TRUE, 0, IDOK},
      {"FALSE: the procedure's own choice", FALSE, IDC_NAME_EDIT, IDC_NAME_EDIT},
      {"FALSE without a choice: no focus", FALSE, 0, 0},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    recorder = Recorder();
    recorder.init_result = row.init_result;
    int focus_in_init = row.focus_in_init;
    recorder.on_init = [focus_in_init](HWND d) {
      if (focus_in_init) {
        ShowWindow(GetDlgItem(d, focus_in_init), SW_SHOW);
        SetFocus(GetDlgItem(d, focus_in_init));
      }
    };
    open();
    EXPECT_EQ(dialog->focus ? dialog->focus->id : 0, row.expected_focus);
    dialog_manager().destroy_dialog(dialog);
    dialog = nullptr;
  }
}

TEST_F(Win32Layer, UserInputBecomesCommands) {
  struct Row {
    const char *name;
    std::function<void(HeadlessRenderer &, HWND)> act;
    std::vector<WPARAM> expected;
  } rows[] = {
      {"send button",
       [](HeadlessRenderer &r, HWND) { r.press(IDOK); },
       {MAKEWPARAM(IDOK, BN_CLICKED)}},
      {"cancel button",
       [](HeadlessRenderer &r, HWND) { r.press(IDCANCEL); },
       {MAKEWPARAM(IDCANCEL, BN_CLICKED)}},
      {"disabled button",
       [](HeadlessRenderer &r, HWND d) {
         EnableWindow(GetDlgItem(d, IDOK), FALSE);
         r.press(IDOK);
       },
       {}},
      {"hidden button",
       [](HeadlessRenderer &r, HWND d) {
         ShowWindow(GetDlgItem(d, IDOK), SW_HIDE);
         r.press(IDOK);
       },
       {}},
      {"Enter in an edit: the default button",
       [](HeadlessRenderer &r, HWND) {
         r.click_into(IDC_NAME_EDIT);
         r.press_enter();
       },
       {MAKEWPARAM(IDC_NAME_EDIT, EN_SETFOCUS), MAKEWPARAM(IDOK, BN_CLICKED)}},
      {"Enter with the cancel button focused",
       [](HeadlessRenderer &r, HWND d) {
         SetFocus(GetDlgItem(d, IDCANCEL));
         r.press_enter();
       },
       {MAKEWPARAM(IDCANCEL, BN_CLICKED)}},
      {"Enter with the default button disabled",
       [](HeadlessRenderer &r, HWND d) {
         EnableWindow(GetDlgItem(d, IDOK), FALSE);
         r.press_enter();
       },
       {}},
      {"Escape",
       [](HeadlessRenderer &r, HWND) { r.press_escape(); },
       {MAKEWPARAM(IDCANCEL, BN_CLICKED)}},
      {"Escape with the cancel button disabled",
       [](HeadlessRenderer &r, HWND d) {
         EnableWindow(GetDlgItem(d, IDCANCEL), FALSE);
         r.press_escape();
       },
       {MAKEWPARAM(IDCANCEL, BN_CLICKED)}},
      {"close box",
       [](HeadlessRenderer &r, HWND) { r.press_close_box(); },
       {MAKEWPARAM(IDCANCEL, BN_CLICKED)}},
      {"typing into an edit",
       [](HeadlessRenderer &r, HWND) {
         r.click_into(IDC_COMMENT_EDIT);
         r.type("ab");
       },
       {MAKEWPARAM(IDC_COMMENT_EDIT, EN_SETFOCUS),
        MAKEWPARAM(IDC_COMMENT_EDIT, EN_CHANGE),
        MAKEWPARAM(IDC_COMMENT_EDIT, EN_CHANGE)}},
      {"the program setting an edit's text",
       [](HeadlessRenderer &, HWND d) { SetDlgItemTextA(d, IDC_NAME_EDIT, "x"); },
       {MAKEWPARAM(IDC_NAME_EDIT, EN_CHANGE)}},
      {"focus moving between edits",
       [](HeadlessRenderer &r, HWND d) {
         SetFocus(GetDlgItem(d, IDC_NAME_EDIT));
         r.click_into(IDC_COMMENT_EDIT);
       },
       {MAKEWPARAM(IDC_NAME_EDIT, EN_SETFOCUS), MAKEWPARAM(IDC_NAME_EDIT, EN_KILLFOCUS),
        MAKEWPARAM(IDC_COMMENT_EDIT, EN_SETFOCUS)}},
      {"the program setting a static's text",
       [](HeadlessRenderer &, HWND d) { SetDlgItemTextA(d, IDC_STATUS, "x"); },
       {}},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    recorder = Recorder();
    recorder.on_init = [](HWND d) {
      ShowWindow(GetDlgItem(d, IDC_NAME_EDIT), SW_SHOW);
      ShowWindow(GetDlgItem(d, IDC_COMMENT_EDIT), SW_SHOW);
    };
    HWND d = open();
    recorder.messages.clear();
    row.act(renderer, d);
    EXPECT_EQ(commands(), row.expected);
    dialog_manager().destroy_dialog(dialog);
    dialog = nullptr;
  }
}

TEST_F(Win32Layer, MouseMovesAskTheProcedureForTheCursor) {
  struct Row {
    const char *name;
    INT_PTR procedure_result;
    int over; // 0: the dialog itself
    CursorShape expected;
  } rows[] = {
      {"FALSE over a button: the arrow", FALSE, IDOK, CursorShape::arrow},
      {"FALSE over the dialog: the arrow", FALSE, 0, CursorShape::arrow},
      {"FALSE over an edit: the edit's I-beam", FALSE, IDC_NAME_EDIT, CursorShape::ibeam},
      {"TRUE: the procedure's wait cursor stays", TRUE, IDOK, CursorShape::wait},
  };
  HWND d = open();
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    SetCursor(LoadCursorA(nullptr, IDC_WAIT)); // a stale cursor, as after a lock
    recorder.messages.clear();
    recorder.setcursor_result = row.procedure_result;
    renderer.move_mouse_over(row.over);
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].message, (UINT)WM_SETCURSOR);
    Window *over = row.over ? static_cast<Window *>(dialog->find(row.over)) : dialog;
    EXPECT_EQ(recorder.messages[0].wparam, (WPARAM)DialogManager::handle_of(over));
    EXPECT_EQ(renderer.cursor(), row.expected);
  }
  (void)d;
}

TEST_F(Win32Layer, SetCursorShowsAtOnceAndAnswersThePreviousCursor) {
  HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
  HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
  ASSERT_NE(arrow, nullptr);
  ASSERT_NE(wait, nullptr);
  EXPECT_NE(arrow, wait);
  SetCursor(arrow);
  EXPECT_EQ(SetCursor(wait), arrow);
  EXPECT_EQ(renderer.cursor(), CursorShape::wait);
  EXPECT_EQ(LoadCursorA(GetModuleHandleA(nullptr), IDC_WAIT), nullptr);
}

TEST_F(Win32Layer, EditLimitsCountBytesAndBoundOnlyTheUser) {
  struct Row {
    const char *name;
    WPARAM limit;
    const char *program_text; // set with SetDlgItemTextA, UTF-8
    bool select_all;
    const char *typed; // UTF-8, one key at a time
    const char *pasted;
    const char *expected; // UTF-8
    bool all_taken;
  } rows[] = {
      {"double-byte characters count two", 15, "", false, "あいうえおかきく", nullptr,
       "あいうえおかき", false},
      {"a single byte still fits after seven", 15, "あいうえおかき", false, "xy", nullptr,
       "あいうえおかきx", false},
      {"a double byte does not fit into one byte", 15, "abcdefghijklmn", false, "あ",
       nullptr, "abcdefghijklmn", false},
      {"half-width katakana are single bytes", 15, "", false, "ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀ", nullptr,
       "ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿ", false},
      {"a paste takes the whole characters that fit", 31, "コメント", false, nullptr,
       "とても長いコメントを貼り付けてみるとどうなるか", "コメントとても長いコメントを貼",
       true},
      {"characters without a code point are refused", 31, "", false, "a😀b한c", nullptr,
       "abc", false},
      {"a paste leaves them out", 31, "", false, nullptr, "a😀b한c", "abc", true},
      {"backslash stays a backslash", 31, "", false, "C:\\zq", nullptr, "C:\\zq", true},
      {"the program may set a longer text", 15, "とても長い登録名をここに入れる", false,
       "x", nullptr, "とても長い登録名をここに入れる", false},
      {"typing over a selection frees its bytes", 15, "とても長い登録名をここに入れる",
       true, "名前", nullptr, "名前", true},
      {"a refused character leaves the selection", 15, "名前", true, "😀", nullptr, "名前",
       false},
  };
  recorder.on_init = [](HWND d) { ShowWindow(GetDlgItem(d, IDC_NAME_EDIT), SW_SHOW); };
  HWND d = open();
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    SendDlgItemMessageA(d, IDC_NAME_EDIT, EM_LIMITTEXT, row.limit, 0);
    SetDlgItemTextA(d, IDC_NAME_EDIT, sjis(row.program_text).c_str());
    SendDlgItemMessageA(d, IDC_NAME_EDIT, EM_SETSEL, row.select_all ? 0 : 0x1000100,
                        0x1000100);
    SetFocus(GetDlgItem(d, IDC_NAME_EDIT));
    bool taken = row.typed ? renderer.type(row.typed) : renderer.paste(row.pasted);
    EXPECT_EQ(taken, row.all_taken);
    EXPECT_EQ(text_of(IDC_NAME_EDIT), sjis(row.expected));
  }
}

TEST_F(Win32Layer, GetWindowTextCutsWithoutHalfCharacters) {
  struct Row {
    const char *text; // UTF-8
    int count;
    const char *expected; // UTF-8
  } rows[] = {
      {"あいう", 7, "あいう"},
      {"あいう", 6, "あい"},
      {"あいう", 5, "あい"},
      {"あいう", 4, "あ"},
      {"abあ", 4, "ab"},
      {"abあ", 5, "abあ"},
      {"ab", 1, ""},
      {"ｱｲｳ", 3, "ｱｲ"},
      // A name of sixteen bytes read with a count of 16 (15 bytes): the
      // last character would be cut in half and is dropped.
      {"あいうえおかきく", 16, "あいうえおかき"},
  };
  HWND d = open();
  for (const Row &row : rows) {
    SCOPED_TRACE(std::string(row.text) + " / " + std::to_string(row.count));
    SetDlgItemTextA(d, IDC_STATUS, sjis(row.text).c_str());
    char buffer[64];
    memset(buffer, 'Z', sizeof buffer);
    int length = GetWindowTextA(GetDlgItem(d, IDC_STATUS), buffer, row.count);
    EXPECT_EQ(std::string(buffer), sjis(row.expected));
    EXPECT_EQ(length, (int)strlen(buffer));
  }
  char untouched[4] = "abc";
  EXPECT_EQ(GetWindowTextA(GetDlgItem(d, IDC_STATUS), untouched, 0), 0);
  EXPECT_STREQ(untouched, "abc");
}

TEST_F(Win32Layer, SelectionPositionsAreCharactersClampedToTheText) {
  struct Row {
    long long start, end;
    size_t expected_start, expected_end;
  } rows[] = {
      {0, 0x1000100, 0, 6}, {2, 4, 2, 4},   {4, 2, 2, 4},
      {0, -1, 0, 6},        {10, 20, 6, 6}, {3, 3, 3, 3},
  };
  HWND d = open();
  SetDlgItemTextA(d, IDC_NAME_EDIT, sjis("日本語abc").c_str());
  Control *edit = dialog->find(IDC_NAME_EDIT);
  for (const Row &row : rows) {
    SCOPED_TRACE(std::to_string(row.start) + "," + std::to_string(row.end));
    SendDlgItemMessageA(d, IDC_NAME_EDIT, EM_SETSEL, (WPARAM)row.start, (LPARAM)row.end);
    EXPECT_EQ(edit->selection_start, row.expected_start);
    EXPECT_EQ(edit->selection_end, row.expected_end);
  }
  // -1 as the start takes the selection away.
  SendDlgItemMessageA(d, IDC_NAME_EDIT, EM_SETSEL, 1, 5);
  SendDlgItemMessageA(d, IDC_NAME_EDIT, EM_SETSEL, (WPARAM)-1, 0);
  EXPECT_EQ(edit->selection_start, edit->selection_end);
}

TEST(StringTable, TextsComeInCodePage932WithTheirByteCounts) {
  const int host = (int)strlen(RANKING_HOST);
  struct Row {
    UINT id;
    int bytes;
  } rows[] = {
      {IDS_CAPTION, 22},  {IDS_SENDING, 112},       {IDS_INSTRUCTIONS, 167 + host},
      {IDS_CHECKING, 70}, {IDS_FAILED, 194 + host}, {IDS_PREPARING, 126},
      {IDS_DONE, 8},      {IDS_FINISH_BUTTON, 4},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.id);
    char buffer[1024];
    int length = LoadStringA(GetModuleHandleA(nullptr), row.id, buffer, sizeof buffer);
    EXPECT_EQ(length, row.bytes);
    EXPECT_EQ((int)strlen(buffer), row.bytes);
    EXPECT_EQ(strchr(buffer, '%'), nullptr);
  }
  char done[16];
  LoadStringA(GetModuleHandleA(nullptr), IDS_DONE, done, sizeof done);
  EXPECT_STREQ(done, "\x92\xca\x90\x4d\x8a\xae\x97\xb9"); // 通信完了
  char failed[1024];
  LoadStringA(GetModuleHandleA(nullptr), IDS_FAILED, failed, sizeof failed);
  EXPECT_NE(strstr(failed, "URL " RANKING_PAGE_TEXT " "), nullptr);
  EXPECT_NE(strstr(failed, "      \n"), nullptr);
}

TEST(StringTable, LoadStringCutsToTheBufferAtACharacterBoundary) {
  struct Row {
    UINT id;
    int size;
    const char *expected; // UTF-8
  } rows[] = {
      {IDS_DONE, 9, "通信完了"},
      {IDS_DONE, 8, "通信完"},
      {IDS_DONE, 4, "通"},
      {IDS_DONE, 2, ""},
      {IDS_CAPTION, 20, "ZQ InternetRanking"},
      {IDS_CAPTION, 21, "ZQ InternetRanking登"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(std::to_string(row.id) + "/" + std::to_string(row.size));
    char buffer[64];
    int length = LoadStringA(GetModuleHandleA(nullptr), row.id, buffer, row.size);
    EXPECT_EQ(std::string(buffer), sjis(row.expected));
    EXPECT_EQ(length, (int)strlen(buffer));
  }
  char buffer[8] = "x";
  EXPECT_EQ(LoadStringA(GetModuleHandleA(nullptr), 4242, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
}

std::string format(const char *pattern, ...) {
  char buffer[1100];
  va_list arguments;
  va_start(arguments, pattern);
  int length = wvsprintfA(buffer, pattern, arguments);
  va_end(arguments);
  EXPECT_EQ(length, (int)strlen(buffer));
  return buffer;
}

TEST(Wvsprintf, IntegerConversions) {
  struct Row {
    const char *pattern;
    int value;
    const char *expected;
  } rows[] = {
      {"%d", -42, "-42"},
      {"%i", 7, "7"},
      {"%u", -1, "4294967295"},
      {"%x", 255, "ff"},
      {"%X", 255, "FF"},
      {"%#x", 255, "0xff"},
      {"%05d", -42, "-0042"},
      {"%-5d|", 42, "42   |"},
      {"%5d", 42, "   42"},
      {"%.3d", 7, "007"},
      {"%ld", -2, "-2"},
      {"%hd", 65535, "-1"},
      {"%hu", 65537, "1"},
      {"%02d:%%", 5, "05:%"},
      {"[%c]", 'Q', "[Q]"},
      {"%3c", 'a', "  a"},
      {"%d", INT32_MIN, "-2147483648"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.pattern);
    EXPECT_EQ(format(row.pattern, row.value), row.expected);
  }
}

TEST(Wvsprintf, StringConversions) {
  struct Row {
    const char *pattern;
    const char *value;
    const char *expected;
  } rows[] = {
      {"%s", "abc", "abc"},
      {"<%5s>", "ab", "<   ab>"},
      {"<%-5s>", "ab", "<ab   >"},
      {"%.2s", "abcdef", "ab"},
      {"%s", nullptr, "(null)"},
      {"a%sb", "", "ab"},
      {"%s", "\x92\xca\x90\x4d", "\x92\xca\x90\x4d"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.pattern);
    EXPECT_EQ(format(row.pattern, row.value), row.expected);
  }
  EXPECT_EQ(format("%s=%d, %c", "n", 3, 'z'), "n=3, z");
}

TEST(Wvsprintf, StopsAfter1024Bytes) {
  std::string long_text(2000, 'x');
  std::string out = format("%s%s", long_text.c_str(), "tail");
  EXPECT_EQ(out, std::string(1024, 'x'));
}

TEST(CommandLine, StartUpTakesTheProgramNameOff) {
  struct Row {
    const char *name;
    const char *line;
    const char *expected;
  } rows[] = {
      {"plain name", "zq-register -l -p8080", "-l -p8080"},
      {"blanks and tabs after the name", "zq-register \t  -hproxy", "-hproxy"},
      {"control bytes after the name", "zq\x01\x02\x1f-l", "-l"},
      {"name only", "zq-register", ""},
      {"empty line", "", ""},
      {"line starting with a blank", "  -l", "-l"},
      {"quoted name with blanks", "\"/opt/zq tools/zq-register\" -l", "-l"},
      {"bytes right after the closing quote stay", "\"a b\"c -l", "c -l"},
      {"quote without its end: the whole line", "\"zq-register -l", ""},
      {"a trail byte 0x5C is stepped over", "\"\x95\x5c\" -l", "-l"},
      {"a lead byte before the quote takes it as its trail", "\"\x81\" -l", ""},
      {"a lead byte at the end of the line", "\"\x81", ""},
      {"double-byte name unquoted", "\x83\x5a\x81\x5b\x83\x75 -l", "-l"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_STREQ(command_line_after_program_name(row.line), row.expected);
  }
}

TEST(CommandLine, GetCommandLineRebuildsArgvWithQuotes) {
  struct Row {
    const char *name;
    std::vector<const char *> argv;
    const char *expected;
  } rows[] = {
      {"plain",
       {"/usr/bin/zq-register", "-l", "-p8080"},
       "/usr/bin/zq-register -l -p8080"},
      {"blanks quoted",
       {"/opt/zq tools/zq-register", "-h", "a b"},
       "\"/opt/zq tools/zq-register\" -h \"a b\""},
      {"empty argument quoted", {"zq", ""}, "zq \"\""},
      {"Japanese in code page 932", {"zq", "名前"}, "zq \x96\xbc\x91\x4f"},
      {"what the code page lacks becomes ?", {"zq", "a😀"}, "zq a?"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    set_process_arguments((int)row.argv.size(), row.argv.data());
    EXPECT_STREQ(GetCommandLineA(), row.expected);
  }
  const char *quoted[] = {"/opt/zq tools/zq-register", "-l"};
  set_process_arguments(2, quoted);
  EXPECT_STREQ(command_line_after_program_name(GetCommandLineA()), "-l");
}

TEST(DialogUnits, BaseUnitsOfSevenAndThirteenGiveTheDialogsPixelSize) {
  struct Row {
    int x, y, cx, cy;
    PixelRect expected;
  } rows[] = {
      {0, 0, 187, 126, {0, 0, 327, 205}},
      {74, 103, 50, 14, {130, 167, 88, 23}},
      {7, 24, 173, 40, {12, 39, 303, 65}},
  };
  for (const Row &row : rows) {
    PixelRect r = dialog_units_to_pixels(row.x, row.y, row.cx, row.cy, 7, 13);
    EXPECT_EQ(r.x, row.expected.x);
    EXPECT_EQ(r.y, row.expected.y);
    EXPECT_EQ(r.width, row.expected.width);
    EXPECT_EQ(r.height, row.expected.height);
  }
}

} // namespace
