// Ids of the program's resources: dialog template 102, its controls, and
// the string table's entries.
#pragma once

constexpr int IDD_REGISTRATION = 102;

// Controls of template 102 (IDOK and IDCANCEL are the two buttons).
constexpr int IDC_NAME_EDIT = 1000;
constexpr int IDC_NAME_LABEL = 1001;
constexpr int IDC_STATUS = 1003;
constexpr int IDC_FINISHED_TEXT = 1004;
constexpr int IDC_NOTHING_TEXT = 1008;
constexpr int IDC_COMMENT_LABEL = 1020;
constexpr int IDC_COMMENT_EDIT = 1021;
constexpr int IDC_FIXED_TEXT = -1;

// String table entries.
constexpr int IDS_CAPTION = 1100;
constexpr int IDS_SENDING = 1105;
constexpr int IDS_INSTRUCTIONS = 1120;
constexpr int IDS_CHECKING = 1121;
constexpr int IDS_FAILED = 1122;
constexpr int IDS_PREPARING = 1123;
constexpr int IDS_DONE = 1124;
constexpr int IDS_FINISH_BUTTON = 1131;

// The icon group that serves as the program's icon.
constexpr const char SETUP_ICON_NAME[] = "SETUP_ICON";
