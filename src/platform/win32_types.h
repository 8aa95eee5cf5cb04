// Win32 base types and macros that the core is written against.
//
// Implemented: the integer widths of 32-bit Windows (BOOL, DWORD, LONG and
// UINT stay 32 bits on 64-bit Linux), opaque handles, WORD/DWORD helpers and
// the message, command and style constants that the dialog and the
// registration sequence use.
// Left out: everything else of the Windows headers.
#pragma once

#include <cstdint>

typedef int BOOL;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef unsigned int UINT;
typedef char CHAR;
typedef char *LPSTR;
typedef const char *LPCSTR;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;

static_assert(sizeof(BOOL) == 4, "BOOL is 32 bits");
static_assert(sizeof(DWORD) == 4, "DWORD is 32 bits");
static_assert(sizeof(LONG) == 4, "LONG is 32 bits");
static_assert(sizeof(UINT) == 4, "UINT is 32 bits");
static_assert(sizeof(WORD) == 2, "WORD is 16 bits");

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Calling conventions mean nothing on this platform.
#define WINAPI
#define CALLBACK
#define APIENTRY

// Handles are opaque: the platform layer owns what they point at.
typedef struct HWND__ *HWND;
typedef struct HINSTANCE__ *HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct HCURSOR__ *HCURSOR;
typedef struct HICON__ *HICON;

typedef INT_PTR(CALLBACK *DLGPROC)(HWND, UINT, WPARAM, LPARAM);

#define LOWORD(l) ((WORD)(((uintptr_t)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((uintptr_t)(l)) >> 16) & 0xffff))
#define MAKEWPARAM(lo, hi) ((WPARAM)(((DWORD)(WORD)(lo)) | (((DWORD)(WORD)(hi)) << 16)))

// A resource named by a number instead of a text.
#define MAKEINTRESOURCEA(i) ((LPCSTR)(uintptr_t)(WORD)(i))
#define IS_INTRESOURCE(p) ((((uintptr_t)(p)) >> 16) == 0)

// Messages.
#define WM_SETCURSOR 0x0020
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define EM_SETSEL 0x00B1
#define EM_LIMITTEXT 0x00C5

// Command ids and notification codes.
#define IDOK 1
#define IDCANCEL 2
#define BN_CLICKED 0
#define EN_CHANGE 0x0300
#define EN_SETFOCUS 0x0100
#define EN_KILLFOCUS 0x0200

// ShowWindow commands.
#define SW_HIDE 0
#define SW_SHOW 5

// MessageBox types and results.
#define MB_OK 0x00000000
#define MB_ICONEXCLAMATION 0x00000030

// System cursors.
#define IDC_ARROW MAKEINTRESOURCEA(32512)
#define IDC_WAIT MAKEINTRESOURCEA(32514)

// Window and dialog styles, as the dialog template stores them.
#define WS_POPUP 0x80000000u
#define WS_CHILD 0x40000000u
#define WS_VISIBLE 0x10000000u
#define WS_DISABLED 0x08000000u
#define WS_CAPTION 0x00C00000u
#define WS_BORDER 0x00800000u
#define WS_SYSMENU 0x00080000u
#define WS_GROUP 0x00020000u
#define WS_TABSTOP 0x00010000u
#define WS_EX_APPWINDOW 0x00040000u
#define DS_SETFONT 0x40u
#define DS_MODALFRAME 0x80u
#define BS_PUSHBUTTON 0x0u
#define BS_DEFPUSHBUTTON 0x1u
#define SS_LEFT 0x0u
#define SS_CENTER 0x1u
#define ES_LEFT 0x0u
#define ES_AUTOHSCROLL 0x80u
#define DEFAULT_CHARSET 1
