// The acceptance marker "/score/zq.txt": the program fetches it before it
// uploads, and goes on only when it begins with "*zq*00". The ranking CGI
// reads the same file, so that closing the marker also closes the CGI.
#pragma once

#include <string>

constexpr const char MARKER_FILE_NAME[] = "zq.txt";
constexpr const char MARKER_OPEN_TEXT[] = "*zq*00\n";
constexpr const char MARKER_CLOSED_TEXT[] = "closed\n";

// Whether the marker in score_dir says that registrations are open. A
// missing or unreadable marker means closed.
bool registrations_open(const std::string &score_dir);

// Writes the marker in score_dir for open or closed, replacing it whole.
bool set_registrations_open(const std::string &score_dir, bool open, std::string &error);
