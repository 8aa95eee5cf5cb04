// Rendering and replacing the ranking page.
#include "ranking_page.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <iconv.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr std::string_view REPLACEMENT_CHARACTER = "\xEF\xBF\xBD"; // U+FFFD
constexpr const char *RECORD_TITLES[RECORD_SLOT_COUNT] = {"Record 1", "Record 2",
                                                          "Record 3"};

constexpr const char PAGE_HEAD[] = R"(<!DOCTYPE html>
<html lang="ja">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>ZQ time attack ranking</title>
<style>
body { font-family: sans-serif; margin: 1em 2em; }
table { border-collapse: collapse; margin-bottom: 2em; }
th, td { border: 1px solid #999; padding: 0.2em 0.6em; text-align: left; }
td.rank, td.value { text-align: right; }
</style>
</head>
<body>
<h1>ZQ time attack ranking</h1>
)";

constexpr const char TABLE_HEAD[] = R"(<table>
<thead><tr><th>Rank</th><th>Name</th><th>Time</th><th>Stamp</th><th>Comment</th></tr></thead>
<tbody>
)";

// Control characters (C0 and DEL) have no place in a name or comment.
std::string replace_controls(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (char c : utf8) {
    unsigned char u = (unsigned char)c;
    if (u < 0x20 || u == 0x7F)
      out += REPLACEMENT_CHARACTER;
    else
      out += c;
  }
  return out;
}

} // namespace

std::string cp932_to_utf8(std::string_view bytes) {
  static iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == (iconv_t)-1)
    return replace_controls(bytes); // no converter: the page shows the bytes
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string out;
  char *in = const_cast<char *>(bytes.data());
  size_t in_left = bytes.size();
  char buffer[256];
  while (in_left > 0) {
    char *o = buffer;
    size_t o_left = sizeof(buffer);
    size_t r = iconv(cd, &in, &in_left, &o, &o_left);
    out.append(buffer, (size_t)(o - buffer));
    if (r == (size_t)-1 && errno != E2BIG) {
      // EILSEQ or EINVAL (a lead byte at the end): one byte is lost.
      out += REPLACEMENT_CHARACTER;
      in++;
      in_left--;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  return replace_controls(out);
}

std::string html_escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
    case '&':
      out += "&amp;";
      break;
    case '<':
      out += "&lt;";
      break;
    case '>':
      out += "&gt;";
      break;
    case '"':
      out += "&quot;";
      break;
    case '\'':
      out += "&#39;";
      break;
    default:
      out += c;
    }
  }
  return out;
}

std::string render_ranking_page(const PageSnapshot &snapshot,
                                std::string_view generated_at) {
  std::string page = PAGE_HEAD;
  page += "<p>" + std::to_string(snapshot.registrations) + " registrations from " +
          std::to_string(snapshot.names) +
          " names. Each name's best time per record; lower is better. Updated " +
          html_escape(generated_at) + ".</p>\n";
  for (int slot = 0; slot < RECORD_SLOT_COUNT; slot++) {
    page += "<h2 id=\"record" + std::to_string(slot + 1) + "\">" + RECORD_TITLES[slot] +
            "</h2>\n";
    const std::vector<RankedEntry> &ranking = snapshot.rankings[slot];
    if (ranking.empty()) {
      page += "<p>No times yet.</p>\n";
      continue;
    }
    page += TABLE_HEAD;
    for (const RankedEntry &e : ranking) {
      page += "<tr><td class=\"rank\">" + std::to_string(e.rank) +
              "</td><td class=\"name\">" + html_escape(cp932_to_utf8(e.name)) +
              "</td><td class=\"value\">" + std::to_string(e.value) +
              "</td><td class=\"stamp\" title=\"" + html_escape(e.stamp) + "\">" +
              html_escape(stamp_display(e.stamp)) + "</td><td class=\"comment\">" +
              html_escape(cp932_to_utf8(e.comment)) + "</td></tr>\n";
    }
    page += "</tbody>\n</table>\n";
  }
  page += "</body>\n</html>\n";
  return page;
}

bool replace_file(const std::string &path, std::string_view content, std::string &error) {
  std::string temporary = path + ".new." + std::to_string(getpid());
  FILE *f = fopen(temporary.c_str(), "wb");
  if (!f) {
    error = temporary + ": " + strerror(errno);
    return false;
  }
  bool written = fwrite(content.data(), 1, content.size(), f) == content.size();
  written = fclose(f) == 0 && written;
  if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
    error = path + ": " + strerror(errno);
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

bool refresh_ranking_page(RegistrationStore &store, const std::string &data_dir,
                          const std::string &score_dir, int64_t through,
                          std::string &error) {
  std::string lock_path = data_dir + "/" + PAGE_LOCK_FILE_NAME;
  int lock = open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lock < 0) {
    error = lock_path + ": " + strerror(errno);
    return false;
  }
  // The lock is given back when the descriptor is closed, on every path.
  struct Closer {
    int fd;
    ~Closer() { close(fd); }
  } closer{lock};
  while (flock(lock, LOCK_EX) != 0)
    if (errno != EINTR) {
      error = lock_path + ": " + strerror(errno);
      return false;
    }

  int64_t shown = 0;
  if (!store.page_built_through(shown, error))
    return false;
  if (through > 0 && shown >= through)
    return true;

  PageSnapshot snapshot;
  if (!store.snapshot(snapshot, error))
    return false;
  char now[32];
  time_t t = time(nullptr);
  struct tm utc;
  gmtime_r(&t, &utc);
  strftime(now, sizeof(now), "%Y-%m-%d %H:%M:%S UTC", &utc);
  return replace_file(score_dir + "/" + RANKING_PAGE_FILE_NAME,
                      render_ranking_page(snapshot, now), error) &&
         store.set_page_built_through(snapshot.last_id, error);
}
