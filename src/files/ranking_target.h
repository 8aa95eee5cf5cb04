// The registration request target: the ranking CGI's address with the
// records, name and comment in a percent-encoded 128-byte block.
#pragma once

// The stamp of a block: year mod 100, month (one hex digit), day, hour,
// minute, second, milliseconds (3 hex digits, low 12 bits) and the stamp
// number (5 hex digits, low 20 bits). 19 characters for in-range values.
constexpr const char STAMP_TEXT[] = "%02d%1x%02d%02d%02d%02d%03x%05x";

// Writes at target: host, "/" unless host ends in one, the CGI path and
// query, and the encoded block of "zq.sav". Returns 1 when the target is
// complete, 0 when there is nothing to send (no "zq.sav", a file that is
// refused, or records that sum to 0). Without "zq.sav" nothing is written.
// target needs room for the host plus 419 bytes.
int build_ranking_target(char *target, const char *host);

// Writes base, "/" unless base ends in one, and relative into destination.
// An empty base gives the empty text.
void join_path(char *destination, const char *base, const char *relative);

// Loads the named record file and, when it is accepted and its records do
// not sum to 0, appends the 384 characters of the encoded block to the text
// in target and returns 1; else returns 0 with target unchanged. The
// identity's name is cut to 15 bytes and its comment to 31 once the file has
// been accepted.
int encode_record_file(char *target, const char *file_name);
