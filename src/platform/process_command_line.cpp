// The process's command line, rebuilt from argv, and start-up's rule for
// taking the program's name off it.
#include "process_command_line.h"

#include "codepage.h"
#include "win32_dialog.h"

namespace {

std::string command_line;

bool needs_quotes(const std::string &argument) {
  return argument.empty() || argument.find_first_of(" \t") != std::string::npos;
}

} // namespace

void set_process_arguments(int argc, const char *const *argv) {
  command_line.clear();
  for (int i = 0; i < argc; i++) {
    std::string argument = utf8_to_cp932_replacing(argv[i] ? argv[i] : "", '?');
    if (i > 0)
      command_line += ' ';
    if (needs_quotes(argument))
      command_line += '"' + argument + '"';
    else
      command_line += argument;
  }
}

const char *process_command_line() {
  return command_line.c_str();
}

LPSTR WINAPI GetCommandLineA(void) {
  return command_line.data();
}

const char *command_line_after_program_name(const char *line) {
  const unsigned char *p = (const unsigned char *)line;
  if (*p == '"') {
    p++;
    while (*p && *p != '"') {
      if (cp932_is_lead_byte(*p) && p[1])
        p++;
      p++;
    }
    if (*p == '"')
      p++;
  } else {
    while (*p > 0x20)
      p++;
  }
  while (*p >= 0x01 && *p <= 0x20)
    p++;
  return (const char *)p;
}
