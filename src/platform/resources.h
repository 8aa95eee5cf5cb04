// The program's resources as the platform layer reads them: dialog
// templates, the string table and the icon group. The data lives in
// src/res; texts are stored as UTF-8 (Unicode, as a Windows resource file
// stores them) and become code page 932 when the program asks for them.
//
// Implemented:
//  [X] DIALOGEX templates: style, extended style, position and size in
//      dialog units, caption, font, controls in creation (and tab) order
//  [X] string table entries by id
//  [X] icon images as 16-colour XPM data
// Left out: menus, accelerators, version information, language variants
// (each table exists in one language only).
#pragma once

#include "win32_types.h"

#include <cstddef>

// The kind of a control: the standard window classes the templates use.
enum class ControlClass { button, edit, static_text };

struct ControlTemplate {
  int id;
  ControlClass control_class;
  const char *text;   // UTF-8
  short x, y, cx, cy; // dialog units
  DWORD style;        // WS_CHILD and WS_VISIBLE included as stored
  DWORD ex_style;
};

struct DialogTemplate {
  int id;
  WORD language;
  DWORD style;
  DWORD ex_style;
  short x, y, cx, cy;  // dialog units
  const char *caption; // UTF-8
  WORD point_size;
  WORD weight;
  BYTE italic;
  BYTE charset;
  const char *face; // UTF-8, as the template names it
  const ControlTemplate *controls;
  size_t control_count;
};

struct StringTableEntry {
  UINT id;
  const char *text; // UTF-8
};

// An icon image: XPM data (16 colours) of one size.
struct IconImage {
  int size; // width and height in pixels
  const char *const *xpm;
};

struct IconGroup {
  const char *name;
  const IconImage *images;
  size_t image_count;
};

// The template with that id, or null.
const DialogTemplate *find_dialog_template(int id);
// The UTF-8 text of string-table entry id, or null.
const char *find_string_table_text(UINT id);
// The icon group of that name, or null.
const IconGroup *find_icon_group(const char *name);

// The resource data itself (src/res).
extern const DialogTemplate dialog_templates[];
extern const size_t dialog_template_count;
extern const StringTableEntry string_table[];
extern const size_t string_table_count;
extern const IconGroup icon_groups[];
extern const size_t icon_group_count;
// The face that stands in for a template's face on this system, or null
// for none (the template's face is then asked for).
const char *substitute_font_face(const char *template_face);
