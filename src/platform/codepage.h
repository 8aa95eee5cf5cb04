// Code page 932 (Japanese Shift-JIS as Windows has it) beside UTF-8.
//
// Texts inside the program are code page 932 bytes, as on Windows; the
// toolkit and the resource data speak UTF-8. Conversion happens only at
// those edges, through glibc's iconv "CP932" (not "SHIFT_JIS", which reads
// 0x5C as a yen sign).
//
// Implemented:
//  [X] UTF-8 -> CP932, refusing a text that CP932 cannot hold
//  [X] UTF-8 -> CP932 character by character, replacing what it cannot hold
//  [X] CP932 -> UTF-8, a broken byte shown as U+FFFD
//  [X] lead-byte test, cutting at a character boundary, character counts
// Left out: other code pages, the user-defined area beyond what iconv maps.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// A byte that starts a double-byte character: 0x81-0x9F and 0xE0-0xFC.
bool cp932_is_lead_byte(unsigned char byte);

// Converts UTF-8 text to CP932. False (and out left empty) when the text is
// not valid UTF-8 or holds a character that CP932 cannot hold.
bool utf8_to_cp932(const std::string &utf8, std::string &out);

// Converts UTF-8 text to CP932 one character at a time; a character that
// CP932 cannot hold, and every byte of broken UTF-8, becomes replacement.
std::string utf8_to_cp932_replacing(const std::string &utf8, char replacement);

// Converts CP932 text to UTF-8. A lead byte without its trail byte, or a
// pair that CP932 does not map, becomes U+FFFD.
std::string cp932_to_utf8(const std::string &cp932);

// The number of leading bytes of text (length bytes) that holds whole
// characters only and is at most limit bytes long.
size_t cp932_fit(const char *text, size_t length, size_t limit);

// The number of characters in text; a double-byte character counts one.
size_t cp932_character_count(const std::string &text);

// The byte offset of character position index (clamped to the end).
size_t cp932_offset_of(const std::string &text, size_t index);

// Splits UTF-8 text into its characters (each a string of 1-4 bytes; a
// broken byte stands alone).
std::vector<std::string> utf8_characters(const std::string &utf8);
