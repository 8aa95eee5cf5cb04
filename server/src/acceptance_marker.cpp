// Reading and switching the acceptance marker.
#include "acceptance_marker.h"

#include "ranking_page.h"

#include <cstdio>
#include <cstring>

namespace {
constexpr size_t MARKER_PREFIX_LENGTH = 6; // "*zq*00"
}

bool registrations_open(const std::string &score_dir) {
  FILE *f = fopen((score_dir + "/" + MARKER_FILE_NAME).c_str(), "rb");
  if (!f)
    return false;
  char start[MARKER_PREFIX_LENGTH];
  size_t n = fread(start, 1, sizeof(start), f);
  fclose(f);
  return n == sizeof(start) && memcmp(start, MARKER_OPEN_TEXT, sizeof(start)) == 0;
}

bool set_registrations_open(const std::string &score_dir, bool open, std::string &error) {
  return replace_file(score_dir + "/" + MARKER_FILE_NAME,
                      open ? MARKER_OPEN_TEXT : MARKER_CLOSED_TEXT, error);
}
