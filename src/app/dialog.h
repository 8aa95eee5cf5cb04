// The registration dialog (template 102): its procedure and the operations
// that the registration sequence drives it with.
#pragma once

#include "platform/win32_types.h"

#include <cstdint>

constexpr int32_t MODE_INPUT = 0;
constexpr int32_t MODE_FINISHED = 1;

constexpr int TABLE_TEXT_SIZE = 1024;  // one string-table text and its NUL
constexpr int STATUS_TEXT_SIZE = 256;  // one status text and its NUL
constexpr int NAME_EDIT_LIMIT = 15;    // bytes the player may type
constexpr int COMMENT_EDIT_LIMIT = 31; // bytes the player may type
// Selects the whole text of an edit: a position past any text's end.
constexpr LPARAM SELECT_TO_END = 0x1000100;

// MODE_INPUT while the player types (and during a registration),
// MODE_FINISHED once a registration has succeeded.
extern int32_t dialog_mode;
// Registration sequences running; non-zero makes the dialog busy.
extern int32_t busy_count;

INT_PTR CALLBACK dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// full non-zero: arrange the controls for mode; 0: in MODE_INPUT only give
// the focus back to the edit it belongs in. Stores mode in dialog_mode.
void show_mode(HWND dialog, int32_t mode, int full);

// Formats format with the arguments (at most 255 bytes) into the status area.
void set_status(HWND dialog, const char *format, ...);

// on non-zero: both buttons disabled, the wait cursor shown at once;
// 0: both buttons enabled.
void lock_controls(HWND dialog, int on);

// The text of a string-table entry, in one shared buffer that the next call
// overwrites.
const char *table_text(int id);
