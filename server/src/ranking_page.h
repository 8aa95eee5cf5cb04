// The ranking page "/score/index.html": each name's best registration for
// each of the three records, as UTF-8 HTML, written whole and renamed into
// place so that a reader never sees half a page.
//
// The records are the game's time-attack values: lower is better, and 0
// means no time for that record. They are shown as the numbers the game
// stored; the page does not guess their unit.
#pragma once

#include "registration_store.h"

#include <string>
#include <string_view>

constexpr const char RANKING_PAGE_FILE_NAME[] = "index.html";
constexpr const char PAGE_LOCK_FILE_NAME[] = "page.lock";

// The player's code page 932 bytes as UTF-8. A byte sequence that is not
// code page 932, and every control character, becomes U+FFFD.
std::string cp932_to_utf8(std::string_view bytes);

// UTF-8 text made safe for HTML element content and quoted attributes:
// & < > " ' as character references.
std::string html_escape(std::string_view text);

// The whole page for a snapshot; generated_at is shown as the page's time.
std::string render_ranking_page(const PageSnapshot &snapshot,
                                std::string_view generated_at);

// Writes content to a new file next to path and renames it over path.
bool replace_file(const std::string &path, std::string_view content, std::string &error);

// Brings the page in score_dir up to at least registration `through`:
// waits for the page lock in data_dir; when the page already shows
// `through` (another CGI rebuilt it meanwhile) returns at once, else writes
// it from a fresh snapshot and records what it shows. through = 0 rebuilds
// unconditionally.
bool refresh_ranking_page(RegistrationStore &store, const std::string &data_dir,
                          const std::string &score_dir, int64_t through,
                          std::string &error);
