// The USER32 and KERNEL32 subset that the dialog and the registration
// sequence are written against. The dialog manager (dialog_manager.cpp)
// implements it; a renderer shows its state.
//
// Implemented:
//  [X] modal dialogs from a DIALOGEX template in the program's resources:
//      DialogBoxParamA, EndDialog, GetDlgItem
//  [X] WM_INITDIALOG before the dialog is shown, WM_COMMAND for buttons
//      (IDOK also for Enter, IDCANCEL for Escape and the close box) and for
//      edits (their own ids, non-zero notification codes), WM_SETCURSOR
//  [X] ShowWindow, SetWindowTextA, SetDlgItemTextA, GetWindowTextA,
//      SendDlgItemMessageA with EM_LIMITTEXT and EM_SETSEL, SetFocus,
//      EnableWindow
//  [X] LoadCursorA(NULL, IDC_WAIT / IDC_ARROW), SetCursor
//  [X] LoadStringA (the string table's texts in code page 932), wvsprintfA
//  [X] MessageBoxA with MB_OK, running its own loop
//  [X] GetModuleHandleA(NULL), GetCommandLineA
// Left out: windows other than dialogs, menus, accelerators, other
// messages and controls, the wide-character (W) functions.
#pragma once

#include "win32_types.h"

#include <cstdarg>

INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR template_name, HWND owner,
                               DLGPROC dialog_proc, LPARAM init_param);
BOOL WINAPI EndDialog(HWND dialog, INT_PTR result);
HWND WINAPI GetDlgItem(HWND dialog, int id);
BOOL WINAPI ShowWindow(HWND window, int command);
BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text);
BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text);
int WINAPI GetWindowTextA(HWND window, LPSTR buffer, int count);
LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wparam,
                                   LPARAM lparam);
HWND WINAPI SetFocus(HWND window);
BOOL WINAPI EnableWindow(HWND window, BOOL enable);
HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR cursor_name);
HCURSOR WINAPI SetCursor(HCURSOR cursor);
int WINAPI LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int size);
// Formats into buffer, at most 1024 bytes and a NUL as on Windows.
int WINAPI wvsprintfA(LPSTR buffer, LPCSTR format, va_list arguments);
int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
HMODULE WINAPI GetModuleHandleA(LPCSTR module_name);
// The process's command line, the program's name first.
LPSTR WINAPI GetCommandLineA(void);

// The program's entry, which the platform's start-up code calls.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line,
                   int show_command);
