// Look-ups in the program's resource data (src/res), and the font that
// stands in for a template's font on this system.
#include "resources.h"

#include <cstring>

namespace {

struct FontSubstitute {
  const char *template_face;
  const char *face;
};

// fontconfig would map the Windows faces to a Latin font; name the
// Japanese proportional face whose metrics match (7 x 13 pixel base units at
// 9 points and 96 dpi) explicitly.
const FontSubstitute font_substitutes[] = {
    {"ＭＳ Ｐゴシック", "IPAPGothic"},
    {"MS PGothic", "IPAPGothic"},
    {"ＭＳ ゴシック", "IPAGothic"},
    {"MS Gothic", "IPAGothic"},
};

} // namespace

const DialogTemplate *find_dialog_template(int id) {
  for (size_t i = 0; i < dialog_template_count; i++)
    if (dialog_templates[i].id == id)
      return &dialog_templates[i];
  return nullptr;
}

const char *find_string_table_text(UINT id) {
  for (size_t i = 0; i < string_table_count; i++)
    if (string_table[i].id == id)
      return string_table[i].text;
  return nullptr;
}

const IconGroup *find_icon_group(const char *name) {
  for (size_t i = 0; i < icon_group_count; i++)
    if (strcmp(icon_groups[i].name, name) == 0)
      return &icon_groups[i];
  return nullptr;
}

const char *substitute_font_face(const char *template_face) {
  for (const FontSubstitute &substitute : font_substitutes)
    if (strcmp(substitute.template_face, template_face) == 0)
      return substitute.face;
  return nullptr;
}
