// Reading the ranking page back in tests: whether it is well-formed, and the
// rows of each record's table.
#pragma once

#include <string>
#include <vector>

// "" when every tag is closed in order (void elements aside), every "<" in
// text opens a tag, every "&" opens a character reference and the page ends
// with </html>; else what is wrong.
std::string html_structure_error(const std::string &page);

struct PageRow {
  int rank;
  std::string name; // as written in the page, escaped
  unsigned long value;
  std::string stamp; // the raw stamp (title attribute)
  std::string shown_stamp;
  std::string comment; // as written in the page, escaped
};

// The rows of the table for record 1, 2 or 3, in page order.
std::vector<PageRow> page_rows(const std::string &page, int record);
