#include "page_reader.h"

#include <regex>
#include <set>

std::string html_structure_error(const std::string &page) {
  static const std::set<std::string> void_elements = {"meta", "br", "hr", "img", "link"};
  static const std::regex tag(
      R"re(<(/?)([a-z][a-z0-9]*)((?:\s+[a-z-]+="[^"<>]*")*)\s*>)re");
  static const std::regex reference(R"(&(amp|lt|gt|quot|#39);)");
  std::vector<std::string> open;
  size_t at = 0;
  if (page.rfind("<!DOCTYPE html>\n", 0) != 0)
    return "no doctype";
  at = page.find('\n') + 1;
  while (at < page.size()) {
    size_t next = page.find_first_of("<&>", at);
    if (next == std::string::npos)
      break;
    std::smatch m;
    std::string rest = page.substr(next, 256);
    if (page[next] == '>')
      return "bare > at " + std::to_string(next);
    if (page[next] == '&') {
      if (!std::regex_search(rest, m, reference, std::regex_constants::match_continuous))
        return "bare & at " + std::to_string(next);
      at = next + (size_t)m.length(0);
      continue;
    }
    if (!std::regex_search(rest, m, tag, std::regex_constants::match_continuous))
      return "bare < at " + std::to_string(next) + ": " + rest.substr(0, 40);
    std::string name = m[2];
    if (m[1].length() == 0) {
      if (!void_elements.count(name))
        open.push_back(name);
    } else {
      if (open.empty() || open.back() != name)
        return "</" + name + "> closes " + (open.empty() ? "nothing" : open.back());
      open.pop_back();
    }
    at = next + (size_t)m.length(0);
  }
  if (!open.empty())
    return "<" + open.back() + "> is not closed";
  if (page.size() < 8 || page.compare(page.size() - 8, 8, "</html>\n") != 0)
    return "the page does not end with </html>";
  return "";
}

std::vector<PageRow> page_rows(const std::string &page, int record) {
  std::vector<PageRow> rows;
  std::string heading = "<h2 id=\"record" + std::to_string(record) + "\">";
  size_t start = page.find(heading);
  if (start == std::string::npos)
    return rows;
  size_t end = page.find("<h2", start + 1);
  std::string section = page.substr(start, end == std::string::npos ? end : end - start);
  static const std::regex row(
      R"re(<tr><td class="rank">(\d+)</td><td class="name">([^<]*)</td><td class="value">(\d+)</td><td class="stamp" title="([^"]*)">([^<]*)</td><td class="comment">([^<]*)</td></tr>)re");
  for (std::sregex_iterator i(section.begin(), section.end(), row), e; i != e; ++i) {
    const std::smatch &m = *i;
    rows.push_back({std::stoi(m[1]), m[2], std::stoul(m[3]), m[4], m[5], m[6]});
  }
  return rows;
}
