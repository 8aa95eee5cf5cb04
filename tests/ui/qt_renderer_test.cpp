// The Qt renderer under the offscreen platform: the dialog's geometry in
// dialog units of its font, the keys and the close box, byte limits with
// Japanese input-method text, the parentless message box, the wait cursor
// while an exchange runs, and screenshots of the dialog's arrangements
// (written to ZQ_SCREENSHOT_DIR).
#include "app/dialog.h"
#include "app/launch_options.h"
#include "app/registration.h"
#include "files/identity.h"
#include "loopback_peer.h"
#include "platform/codepage.h"
#include "platform/dialog_manager.h"
#include "platform/qt_renderer.h"
#include "platform/win32_dialog.h"
#include "res/resource_ids.h"
#include "support/test_files.h"

#include <QApplication>
#include <QDir>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace {

// A step of a script: what it does, and when it is ready to run. By
// default a step waits until the step before it has returned; a step meant
// to run inside a nested loop (a message box's, a socket wait's) names the
// condition that shows it is there. A step that is not ready waits for the
// loop's next round.
struct Step {
  std::function<void()> act;
  std::function<bool()> ready;
  template <class F> Step(F f) : act(std::move(f)) {}
  Step(std::function<bool()> r, std::function<void()> a)
      : act(std::move(a)), ready(std::move(r)) {}
};

std::string sjis(const std::string &utf8) {
  std::string out;
  EXPECT_TRUE(utf8_to_cp932(utf8, out));
  return out;
}

// Runs template 102 with procedure, the steps one after another from
// whichever event loop runs. A last step ends a dialog that the steps left
// open.
INT_PTR run_dialog(DLGPROC procedure, std::vector<Step> steps) {
  auto queue = std::make_shared<std::vector<Step>>(std::move(steps));
  queue->push_back([] {
    if (Dialog *left = dialog_manager().active_dialog()) {
      ADD_FAILURE() << "the steps left the dialog open";
      for (MessageBoxState *box : dialog_manager().message_boxes())
        dialog_manager().answer_message_box(*box, IDOK);
      EndDialog(DialogManager::handle_of(left), -99);
    }
  });
  // Steps still scheduled when the dialog has ended belong to no dialog.
  auto alive = std::make_shared<bool>(true);
  auto previous_done = std::make_shared<bool>(true);
  auto next = std::make_shared<std::function<void(size_t)>>();
  std::weak_ptr<std::function<void(size_t)>> weak_next = next;
  *next = [queue, weak_next, alive, previous_done](size_t i) {
    if (!*alive || i >= queue->size())
      return;
    const Step &step = (*queue)[i];
    bool ready = step.ready ? step.ready() : *previous_done;
    QTimer::singleShot(0, [weak_next, i, ready] {
      if (auto run = weak_next.lock())
        (*run)(ready ? i + 1 : i);
    });
    if (ready) {
      *previous_done = false;
      step.act();
      *previous_done = true;
    }
  };
  QTimer::singleShot(0, [next] { (*next)(0); });
  INT_PTR result =
      DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_REGISTRATION),
                      nullptr, procedure, 0);
  *alive = false;
  return result;
}

bool while_busy() {
  return busy_count != 0;
}
bool when_idle() {
  return busy_count == 0;
}
bool message_box_open() {
  return !dialog_manager().message_boxes().empty();
}

std::vector<WPARAM> commands;
std::function<void(HWND, WPARAM)> on_command;

// Shows the edits, focuses the name edit, records commands.
INT_PTR CALLBACK recording_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
  case WM_INITDIALOG:
    for (int id : {IDC_NAME_EDIT, IDC_COMMENT_EDIT, IDC_NAME_LABEL, IDC_COMMENT_LABEL})
      ShowWindow(GetDlgItem(dialog, id), SW_SHOW);
    SetFocus(GetDlgItem(dialog, IDC_NAME_EDIT));
    return FALSE;
  case WM_COMMAND:
    if (HIWORD(wparam) == BN_CLICKED)
      commands.push_back(wparam);
    if (on_command)
      on_command(dialog, wparam);
    return FALSE;
  default:
    return FALSE;
  }
}

class QtRendererTest : public ::testing::Test {
public:
  void SetUp() override {
    commands.clear();
    on_command = nullptr;
    memset(&player_identity, 0, sizeof player_identity);
    dialog_mode = MODE_INPUT;
    busy_count = 0;
    sent_flag = 0;
    memset(&launch_options, 0, sizeof launch_options);
    strcpy(launch_options.host, "127.0.0.1");
    launch_options.port = LoopbackPeer::closed_port();
  }
  Dialog &dialog() const { return *dialog_manager().active_dialog(); }
  QWidget *widget(int id) const {
    Dialog &d = dialog();
    return renderer.widget_of(id ? static_cast<Window &>(*d.find(id)) : d);
  }
  QLineEdit *edit(int id) const { return static_cast<QLineEdit *>(widget(id)); }
  static void commit(QWidget *target, const QString &text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(target, &event);
  }
  void screenshot(const char *name) const {
    QDir().mkpath(ZQ_SCREENSHOT_DIR);
    QPixmap image = widget(0)->grab();
    EXPECT_TRUE(image.save(QString(ZQ_SCREENSHOT_DIR) + "/" + name + ".png")) << name;
  }

  ScratchDirectory scratch;
  QtRenderer renderer;
};

TEST_F(QtRendererTest, LayoutFollowsDialogUnitsOfIPAPGothic) {
  struct Row {
    int id;
    QRect expected;
  } rows[] = {
      {IDOK, {130, 167, 88, 23}},          {IDCANCEL, {224, 167, 88, 23}},
      {IDC_NAME_EDIT, {12, 128, 112, 23}}, {IDC_COMMENT_EDIT, {131, 128, 173, 23}},
      {IDC_STATUS, {12, 39, 303, 65}},     {IDC_FINISHED_TEXT, {12, 81, 303, 49}},
  };
  run_dialog(recording_proc, {[&] {
               EXPECT_EQ(renderer.base_unit_x(), 7);
               EXPECT_EQ(renderer.base_unit_y(), 13);
               QWidget *window = widget(0);
               EXPECT_EQ(window->size(), QSize(327, 205));
               EXPECT_EQ(window->pos(), QPoint(0, 0));
               EXPECT_TRUE(window->isVisible());
               EXPECT_EQ(window->font().family(), "IPAPGothic");
               EXPECT_EQ(window->windowTitle(), "ZQ InternetRanking登録");
               EXPECT_FALSE(window->windowIcon().isNull());
               EXPECT_TRUE(window->windowFlags() & Qt::WindowCloseButtonHint);
               for (const Row &row : rows) {
                 SCOPED_TRACE(row.id);
                 EXPECT_EQ(widget(row.id)->geometry(), row.expected);
               }
               auto *status = static_cast<QLabel *>(widget(IDC_STATUS));
               EXPECT_TRUE(status->alignment() & Qt::AlignHCenter);
               EXPECT_TRUE(status->wordWrap());
               EXPECT_TRUE(static_cast<QPushButton *>(widget(IDOK))->isDefault());
               EndDialog(DialogManager::handle_of(&dialog()), 0);
             }});
}

TEST_F(QtRendererTest, KeysAndTheCloseBoxBecomeCommands) {
  struct Row {
    const char *name;
    std::function<void(QtRendererTest &)> act;
    std::vector<WPARAM> expected;
  } rows[] = {
      {"Enter in the name edit",
       [](QtRendererTest &t) { QTest::keyClick(t.edit(IDC_NAME_EDIT), Qt::Key_Return); },
       {IDOK}},
      {"keypad Enter",
       [](QtRendererTest &t) {
         QTest::keyClick(t.edit(IDC_NAME_EDIT), Qt::Key_Enter, Qt::KeypadModifier);
       },
       {IDOK}},
      {"Escape",
       [](QtRendererTest &t) { QTest::keyClick(t.edit(IDC_NAME_EDIT), Qt::Key_Escape); },
       {IDCANCEL}},
      {"the close box",
       [](QtRendererTest &t) { EXPECT_FALSE(t.widget(0)->close()); },
       {IDCANCEL}},
      {"a click on the send button",
       [](QtRendererTest &t) { QTest::mouseClick(t.widget(IDOK), Qt::LeftButton); },
       {IDOK}},
      {"a click on a disabled button",
       [](QtRendererTest &t) {
         EnableWindow(GetDlgItem(DialogManager::handle_of(&t.dialog()), IDCANCEL), FALSE);
         QTest::mouseClick(t.widget(IDCANCEL), Qt::LeftButton);
       },
       {}},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    commands.clear();
    run_dialog(recording_proc, {[&] { row.act(*this); },
                                [&] {
                                  EXPECT_TRUE(widget(0)->isVisible());
                                  EndDialog(DialogManager::handle_of(&dialog()), 0);
                                }});
    EXPECT_EQ(commands, row.expected);
  }
}

TEST_F(QtRendererTest, InputMethodTextIsBoundByTheByteLimit) {
  struct Row {
    const char *name;
    int limit;
    const char *program_text;
    std::vector<QString> commits;
    const char *expected;
  } rows[] = {
      {"double-byte characters count two",
       15,
       "",
       {"あいうえおかきく"},
       "あいうえおかき"},
      {"one more single byte fits, then nothing",
       15,
       "",
       {"あいうえおかき", "x", "y", "ア"},
       "あいうえおかきx"},
      {"characters without a code point are refused",
       31,
       "",
       {"a", "😀", "한", "b"},
       "ab"},
      {"a commit is cut to whole characters", 5, "", {"abあい"}, "abあ"},
      {"the program's longer text stays",
       15,
       "とても長い登録名をここに",
       {"x"},
       "とても長い登録名をここに"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    run_dialog(
        recording_proc, {[&] {
          HWND d = DialogManager::handle_of(&dialog());
          SendDlgItemMessageA(d, IDC_NAME_EDIT, EM_LIMITTEXT, (WPARAM)row.limit, 0);
          SetDlgItemTextA(d, IDC_NAME_EDIT, sjis(row.program_text).c_str());
          SendDlgItemMessageA(d, IDC_NAME_EDIT, EM_SETSEL, SELECT_TO_END, SELECT_TO_END);
          for (const QString &text : row.commits)
            commit(edit(IDC_NAME_EDIT), text);
          char buffer[64];
          GetWindowTextA(GetDlgItem(d, IDC_NAME_EDIT), buffer, sizeof buffer);
          EXPECT_EQ(std::string(buffer), sjis(row.expected));
          EXPECT_EQ(edit(IDC_NAME_EDIT)->text(), QString::fromUtf8(row.expected));
          EndDialog(d, 0);
        }});
  }
}

TEST_F(QtRendererTest, TheProgramsLongerTextCanStillBeShortened) {
  run_dialog(recording_proc, {[&] {
               HWND d = DialogManager::handle_of(&dialog());
               SendDlgItemMessageA(d, IDC_NAME_EDIT, EM_LIMITTEXT, 4, 0);
               SetDlgItemTextA(d, IDC_NAME_EDIT, sjis("長い名前").c_str());
               edit(IDC_NAME_EDIT)->setCursorPosition(4);
               QTest::keyClick(edit(IDC_NAME_EDIT), Qt::Key_Backspace);
               EXPECT_EQ(dialog().find(IDC_NAME_EDIT)->text, sjis("長い名"));
               EndDialog(d, 0);
             }});
}

TEST_F(QtRendererTest, MessageBoxLeavesTheDialogUsable) {
  int box_result = 0;
  on_command = [&](HWND, WPARAM wparam) {
    if (wparam == IDOK)
      box_result =
          MessageBoxA(nullptr, sjis("名前を入力して下さい").c_str(), "ZQ", MB_OK);
  };
  run_dialog(recording_proc,
             {[&] { QTest::mouseClick(widget(IDOK), Qt::LeftButton); },
              Step(message_box_open,
                   [&] {
                     // Inside the message box's loop.
                     QWidget *box = renderer.top_message_box();
                     ASSERT_NE(box, nullptr);
                     EXPECT_TRUE(box->isVisible());
                     EXPECT_EQ(box->windowTitle(), "ZQ");
                     EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
                     EXPECT_TRUE(widget(0)->isEnabled());
                     commit(edit(IDC_NAME_EDIT), "まだ打てる");
                     EXPECT_EQ(dialog().find(IDC_NAME_EDIT)->text, sjis("まだ打てる"));
                     QTest::keyClick(edit(IDC_NAME_EDIT), Qt::Key_Escape);
                     on_command = nullptr;
                     auto *message_box = static_cast<QMessageBox *>(box);
                     QTest::mouseClick(message_box->button(QMessageBox::Ok),
                                       Qt::LeftButton);
                   }),
              [&] {
                EXPECT_EQ(renderer.top_message_box(), nullptr);
                EndDialog(DialogManager::handle_of(&dialog()), 0);
              }});
  EXPECT_EQ(box_result, IDOK);
  EXPECT_EQ(commands, (std::vector<WPARAM>{IDOK, IDCANCEL}));
}

// The real dialog procedure through its arrangements, with screenshots.
TEST_F(QtRendererTest, ArrangementsOfARegistration) {
  write_file("zq.sav", good_record_file());
  LoopbackPeer peer({"*zq*00\n", "OK"});
  peer.hold();
  launch_options.port = peer.port();
  strcpy(player_identity.name, sjis("ゆうき").c_str());
  strcpy(player_identity.comment, sjis("よろしく").c_str());
  INT_PTR result = run_dialog(
      dialog_proc,
      {[&] {
         EXPECT_EQ(edit(IDC_COMMENT_EDIT)->selectedText(), "よろしく");
         EXPECT_EQ(widget(0)->focusWidget(), edit(IDC_COMMENT_EDIT));
         screenshot("input");
         QTest::mouseClick(widget(IDOK), Qt::LeftButton);
       },
       Step(while_busy,
            [&] {
              // Inside the socket wait of the acceptance check.
              EXPECT_EQ(busy_count, 1);
              EXPECT_FALSE(widget(IDOK)->isEnabled());
              EXPECT_FALSE(widget(IDCANCEL)->isEnabled());
              EXPECT_EQ(widget(0)->cursor().shape(), Qt::WaitCursor);
              EXPECT_EQ(static_cast<QLabel *>(widget(IDC_STATUS))->text(),
                        QString::fromUtf8(find_string_table_text(IDS_CHECKING)));
              QTest::mouseMove(widget(IDC_NAME_EDIT));
              EXPECT_EQ(widget(IDC_NAME_EDIT)->cursor().shape(), Qt::WaitCursor);
              EXPECT_FALSE(widget(0)->close()); // ignored while busy
              screenshot("busy");
              peer.release();
            }),
       Step(when_idle, [&] {
         EXPECT_EQ(dialog_mode, MODE_FINISHED);
         EXPECT_TRUE(widget(IDC_FINISHED_TEXT)->isVisible());
         EXPECT_EQ(static_cast<QPushButton *>(widget(IDOK))->text(), "完了");
         QTest::mouseMove(widget(IDOK));
         EXPECT_EQ(widget(0)->cursor().shape(), Qt::ArrowCursor);
         screenshot("finished");
         QTest::mouseClick(widget(IDOK), Qt::LeftButton);
       })});
  EXPECT_EQ(result, 0);
  EXPECT_EQ(peer.requests().size(), 2u);
}

TEST_F(QtRendererTest, ArrangementAfterAFailure) {
  LoopbackPeer peer({"*zq*01\n"});
  launch_options.port = peer.port();
  INT_PTR result = run_dialog(
      dialog_proc, {[&] {
                      commit(edit(IDC_NAME_EDIT), "テスト");
                      commit(edit(IDC_COMMENT_EDIT), "こんにちは");
                      QTest::keyClick(edit(IDC_COMMENT_EDIT), Qt::Key_Return);
                    },
                    Step(when_idle, [&] {
                      EXPECT_EQ(busy_count, 0);
                      EXPECT_TRUE(widget(IDOK)->isEnabled());
                      EXPECT_TRUE(widget(IDCANCEL)->isEnabled());
                      EXPECT_EQ(widget(0)->focusWidget(), edit(IDC_COMMENT_EDIT));
                      screenshot("failed");
                      QTest::keyClick(edit(IDC_COMMENT_EDIT), Qt::Key_Escape);
                    })});
  EXPECT_EQ(result, -1);
}

} // namespace

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
