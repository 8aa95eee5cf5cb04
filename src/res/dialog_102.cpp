// Dialog template 102: the registration dialog, as a DIALOGEX template
// holds it. Positions and sizes are in dialog units of the template's font;
// texts are UTF-8. The controls are listed in creation order, which is also
// the tab order (send, cancel, name, comment).
#include "platform/resources.h"
#include "res/ranking_host.h"
#include "res/resource_ids.h"

namespace {

constexpr WORD LANGUAGE_ENGLISH_US = 0x0409;
constexpr WORD FONT_POINT_SIZE = 9;
constexpr WORD FONT_WEIGHT_DEFAULT = 0;

constexpr DWORD DIALOG_STYLE =
    WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
static_assert(DIALOG_STYLE == 0x90C800C0u, "the dialog's stored style");

constexpr DWORD BUTTON = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
constexpr DWORD EDIT = WS_CHILD | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT;
constexpr DWORD TEXT = WS_CHILD | WS_GROUP;

const ControlTemplate registration_controls[] = {
    // id, class, text, x, y, cx, cy, style, extended style
    {IDOK, ControlClass::button, "送信", 74, 103, 50, 14, BUTTON | BS_DEFPUSHBUTTON, 0},
    {IDCANCEL, ControlClass::button, "ｷｬﾝｾﾙ", 128, 103, 50, 14, BUTTON | BS_PUSHBUTTON,
     0},
    {IDC_FIXED_TEXT, ControlClass::static_text, "★☆ ミルカダ InternetRanking ☆★", 7, 7,
     173, 8, TEXT | WS_VISIBLE | SS_LEFT, 0},
    {IDC_FIXED_TEXT, ControlClass::static_text, "VelmoProject1998", 7, 105, 60, 8,
     TEXT | WS_VISIBLE | SS_LEFT, 0},
    {IDC_NAME_EDIT, ControlClass::edit, "", 7, 79, 64, 14, EDIT, 0},
    {IDC_COMMENT_EDIT, ControlClass::edit, "", 75, 79, 99, 14, EDIT, 0},
    {IDC_NAME_LABEL, ControlClass::static_text, "登録名", 7, 69, 64, 8, TEXT | SS_LEFT,
     0},
    {IDC_COMMENT_LABEL, ControlClass::static_text, "コメント", 75, 69, 83, 8,
     TEXT | SS_LEFT, 0},
    {IDC_STATUS, ControlClass::static_text, "", 7, 24, 173, 40,
     TEXT | WS_VISIBLE | SS_CENTER, 0},
    {IDC_FINISHED_TEXT, ControlClass::static_text,
     "登録は終了しました。現在の記録は次の URL "
     "で見るこ\nとが出来ます。\n" RANKING_PAGE_TEXT "\n",
     7, 50, 173, 30, TEXT | SS_LEFT, 0},
    {IDC_NOTHING_TEXT, ControlClass::static_text,
     "登録する記録データがありませんでした。現在の記録は\n次の URL "
     "で見ることが出来ます。\n" RANKING_PAGE_TEXT "\n",
     7, 50, 173, 30, TEXT | SS_LEFT, 0},
};

} // namespace

const DialogTemplate dialog_templates[] = {
    {IDD_REGISTRATION, LANGUAGE_ENGLISH_US, DIALOG_STYLE, WS_EX_APPWINDOW, 0, 0, 187, 126,
     "ZQ InternetRanking登録", FONT_POINT_SIZE, FONT_WEIGHT_DEFAULT, 0, DEFAULT_CHARSET,
     "ＭＳ Ｐゴシック", registration_controls,
     sizeof(registration_controls) / sizeof(registration_controls[0])},
};
const size_t dialog_template_count =
    sizeof(dialog_templates) / sizeof(dialog_templates[0]);
