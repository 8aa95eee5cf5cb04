// The USER32 and KERNEL32 functions of win32_dialog.h, over the dialog
// manager (dialog_manager.h) and the resources (resources.h).
//
// Implemented:
//  [X] DialogBoxParamA (integer template names), EndDialog, GetDlgItem
//  [X] ShowWindow (SW_HIDE hides, every other command shows), SetWindowTextA,
//      SetDlgItemTextA, GetWindowTextA (never ends on half a double-byte
//      character), EnableWindow, SetFocus
//  [X] SendDlgItemMessageA: EM_LIMITTEXT (bytes; 0 for the largest limit),
//      EM_SETSEL (-1 as start drops the selection, an end that is negative
//      or past the text stands for its end)
//  [X] LoadCursorA(NULL, IDC_ARROW / IDC_WAIT / IDC_IBEAM), SetCursor
//  [X] LoadStringA, GetModuleHandleA(NULL)
//  [X] wvsprintfA: flags "-", "0", "#", width, precision, sizes "h" and "l"
//      (both 32 bits and less, as on Windows), conversions c C d i u x X s S
//      and "%%"; at most 1024 bytes and a NUL
//  [X] MessageBoxA: the OK button; the result is IDOK
// Left out: named templates and modules, other messages, other message box
// buttons, 64-bit sizes in wvsprintfA.
#include "codepage.h"
#include "dialog_manager.h"
#include "resources.h"
#include "win32_dialog.h"

#include <cstring>

namespace {

// The program's one module: the handle GetModuleHandleA(NULL) gives.
struct Module {
  int unused;
};
Module program_module;

constexpr WORD CURSOR_ARROW_ID = 32512;
constexpr WORD CURSOR_IBEAM_ID = 32513;
constexpr WORD CURSOR_WAIT_ID = 32514;

constexpr int FORMAT_OUTPUT_LIMIT = 1024; // bytes wvsprintfA writes before its NUL
constexpr char NULL_STRING_TEXT[] = "(null)";
constexpr char DEFAULT_MESSAGE_CAPTION[] = "Error";

DialogManager &manager() {
  return dialog_manager();
}

Control *control_of(HWND handle) {
  Window *window = manager().from_handle(handle);
  if (!window || window->kind != Window::Kind::control)
    return nullptr;
  return static_cast<Control *>(window);
}

Dialog *dialog_of(HWND handle) {
  Window *window = manager().from_handle(handle);
  if (!window || window->kind != Window::Kind::dialog)
    return nullptr;
  return static_cast<Dialog *>(window);
}

// Output of wvsprintfA, cut at FORMAT_OUTPUT_LIMIT bytes.
struct FormatOutput {
  char *buffer;
  int length;
  void put(char c) {
    if (length < FORMAT_OUTPUT_LIMIT)
      buffer[length++] = c;
  }
  void put(const char *text, int count) {
    for (int i = 0; i < count; i++)
      put(text[i]);
  }
  void pad(char c, int count) {
    for (int i = 0; i < count; i++)
      put(c);
  }
};

struct FormatSpec {
  bool left = false;
  bool zero = false;
  bool alternate = false;
  int width = 0;
  int precision = -1;
  char size = 0; // 'h', 'l' or 0
};

// One field: prefix (sign or "0x"), body, padded to the width.
void put_field(FormatOutput &out, const FormatSpec &spec, const char *prefix,
               const char *body, int body_length, int zeros) {
  int prefix_length = (int)strlen(prefix);
  int total = prefix_length + zeros + body_length;
  int padding = spec.width > total ? spec.width - total : 0;
  if (!spec.left && !spec.zero)
    out.pad(' ', padding);
  out.put(prefix, prefix_length);
  if (!spec.left && spec.zero)
    out.pad('0', padding);
  out.pad('0', zeros);
  out.put(body, body_length);
  if (spec.left)
    out.pad(' ', padding);
}

void put_integer(FormatOutput &out, const FormatSpec &spec, char type,
                 va_list &arguments) {
  constexpr int MAX_DIGITS = 10; // 4294967295
  int raw = va_arg(arguments, int);
  bool is_signed = type == 'd' || type == 'i';
  uint32_t magnitude;
  bool negative = false;
  if (is_signed) {
    int32_t value = spec.size == 'h' ? (int32_t)(int16_t)raw : (int32_t)raw;
    negative = value < 0;
    magnitude = negative ? 0u - (uint32_t)value : (uint32_t)value;
  } else {
    magnitude = spec.size == 'h' ? (uint32_t)(uint16_t)raw : (uint32_t)raw;
  }
  unsigned base = (type == 'x' || type == 'X') ? 16 : 10;
  const char *digits = type == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
  char text[MAX_DIGITS + 1];
  int length = 0;
  do {
    text[MAX_DIGITS - length++] = digits[magnitude % base];
    magnitude /= base;
  } while (magnitude);
  // A precision of 0 prints nothing for the value 0.
  if (spec.precision == 0 && length == 1 && text[MAX_DIGITS] == '0')
    length = 0;
  int zeros = spec.precision > length ? spec.precision - length : 0;
  const char *prefix = "";
  if (negative)
    prefix = "-";
  else if (spec.alternate && base == 16 && length > 0)
    prefix = type == 'X' ? "0X" : "0x";
  FormatSpec field = spec;
  if (spec.precision >= 0)
    field.zero = false;
  put_field(out, field, prefix, text + MAX_DIGITS + 1 - length, length, zeros);
}

} // namespace

INT_PTR WINAPI DialogBoxParamA(HINSTANCE, LPCSTR template_name, HWND, DLGPROC dialog_proc,
                               LPARAM init_param) {
  if (!IS_INTRESOURCE(template_name))
    return -1;
  const DialogTemplate *source = find_dialog_template((int)(uintptr_t)template_name);
  if (!source)
    return -1;
  return manager().run_modal(*source, dialog_proc, init_param);
}

BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
  Dialog *target = dialog_of(dialog);
  if (!target)
    return FALSE;
  manager().end_dialog(*target, result);
  return TRUE;
}

HWND WINAPI GetDlgItem(HWND dialog, int id) {
  Dialog *target = dialog_of(dialog);
  return target ? DialogManager::handle_of(target->find(id)) : nullptr;
}

BOOL WINAPI ShowWindow(HWND window, int command) {
  Window *target = manager().from_handle(window);
  if (!target)
    return FALSE;
  BOOL was_visible = target->visible ? TRUE : FALSE;
  manager().set_visible(*target, command != SW_HIDE);
  return was_visible;
}

BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text) {
  Window *target = manager().from_handle(window);
  if (!target)
    return FALSE;
  manager().set_text(*target, text ? text : "");
  return TRUE;
}

BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
  return SetWindowTextA(GetDlgItem(dialog, id), text);
}

int WINAPI GetWindowTextA(HWND window, LPSTR buffer, int count) {
  Window *target = manager().from_handle(window);
  if (!buffer || count <= 0)
    return 0;
  if (!target) {
    buffer[0] = '\0';
    return 0;
  }
  size_t length = cp932_fit(target->text.data(), target->text.size(), (size_t)count - 1);
  memcpy(buffer, target->text.data(), length);
  buffer[length] = '\0';
  return (int)length;
}

LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wparam,
                                   LPARAM lparam) {
  Control *control = control_of(GetDlgItem(dialog, id));
  if (!control || control->control_class != ControlClass::edit)
    return 0;
  switch (message) {
  case EM_LIMITTEXT:
    manager().set_limit(*control, (size_t)(uint32_t)wparam);
    return 0;
  case EM_SETSEL:
    manager().set_selection(*control, (int32_t)wparam, (int32_t)lparam);
    return 0;
  default:
    return 0;
  }
}

HWND WINAPI SetFocus(HWND window) {
  Window *target = manager().from_handle(window);
  Dialog *dialog = target ? target->dialog : manager().active_dialog();
  if (!dialog)
    return nullptr;
  Control *control = target && target->kind == Window::Kind::control
                         ? static_cast<Control *>(target)
                         : nullptr;
  return DialogManager::handle_of(manager().set_focus(*dialog, control));
}

BOOL WINAPI EnableWindow(HWND window, BOOL enable) {
  Window *target = manager().from_handle(window);
  if (!target)
    return FALSE;
  BOOL was_disabled = target->enabled ? FALSE : TRUE;
  manager().set_enabled(*target, enable != FALSE);
  return was_disabled;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR cursor_name) {
  if (instance || !IS_INTRESOURCE(cursor_name))
    return nullptr;
  switch ((WORD)(uintptr_t)cursor_name) {
  case CURSOR_ARROW_ID:
    return system_cursor(CursorShape::arrow);
  case CURSOR_IBEAM_ID:
    return system_cursor(CursorShape::ibeam);
  case CURSOR_WAIT_ID:
    return system_cursor(CursorShape::wait);
  default:
    return nullptr;
  }
}

HCURSOR WINAPI SetCursor(HCURSOR cursor) {
  return manager().set_cursor(cursor);
}

HMODULE WINAPI GetModuleHandleA(LPCSTR module_name) {
  if (module_name)
    return nullptr;
  return reinterpret_cast<HMODULE>(&program_module);
}

int WINAPI LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int size) {
  if (instance && instance != GetModuleHandleA(nullptr))
    return 0;
  if (!buffer || size <= 0)
    return 0;
  const char *text = find_string_table_text(id);
  if (!text) {
    buffer[0] = '\0';
    return 0;
  }
  std::string converted = utf8_to_cp932_replacing(text, '?');
  size_t length = cp932_fit(converted.data(), converted.size(), (size_t)size - 1);
  memcpy(buffer, converted.data(), length);
  buffer[length] = '\0';
  return (int)length;
}

int WINAPI wvsprintfA(LPSTR buffer, LPCSTR format, va_list arguments) {
  va_list list;
  va_copy(list, arguments);
  FormatOutput out = {buffer, 0};
  const char *p = format ? format : "";
  while (*p) {
    if (*p != '%') {
      out.put(*p++);
      continue;
    }
    p++;
    FormatSpec spec;
    for (;; p++) {
      if (*p == '-')
        spec.left = true;
      else if (*p == '0')
        spec.zero = true;
      else if (*p == '#')
        spec.alternate = true;
      else
        break;
    }
    for (; *p >= '0' && *p <= '9'; p++)
      spec.width = spec.width * 10 + (*p - '0');
    if (*p == '.') {
      spec.precision = 0;
      for (p++; *p >= '0' && *p <= '9'; p++)
        spec.precision = spec.precision * 10 + (*p - '0');
    }
    if (*p == 'h' || *p == 'l')
      spec.size = *p++;
    char type = *p;
    if (!type)
      break;
    p++;
    switch (type) {
    case 'd':
    case 'i':
    case 'u':
    case 'x':
    case 'X':
      put_integer(out, spec, type, list);
      break;
    case 'c':
    case 'C': {
      char c = (char)va_arg(list, int);
      put_field(out, spec, "", &c, 1, 0);
      break;
    }
    case 's':
    case 'S': {
      const char *text = va_arg(list, const char *);
      if (!text)
        text = NULL_STRING_TEXT;
      int length = (int)strlen(text);
      if (spec.precision >= 0 && spec.precision < length)
        length = spec.precision;
      FormatSpec field = spec;
      field.zero = false;
      put_field(out, field, "", text, length, 0);
      break;
    }
    default:
      // "%%" and any unknown conversion put the character itself.
      out.put(type);
      break;
    }
  }
  va_end(list);
  buffer[out.length] = '\0';
  return out.length;
}

int WINAPI MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
  return manager().run_message_box(text ? text : "",
                                   caption ? caption : DEFAULT_MESSAGE_CAPTION, type);
}
