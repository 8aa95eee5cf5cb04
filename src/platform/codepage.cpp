// Code page 932 beside UTF-8, through glibc's iconv "CP932".
#include "codepage.h"

#include <cerrno>
#include <iconv.h>

namespace {

constexpr char CODE_PAGE_NAME[] = "CP932";
constexpr char UTF8_NAME[] = "UTF-8";
constexpr char REPLACEMENT_CHARACTER_UTF8[] = "\xEF\xBF\xBD"; // U+FFFD
constexpr size_t MAX_CP932_CHARACTER = 2;
constexpr size_t MAX_UTF8_CHARACTER = 4;

// One conversion of a whole text; false when iconv stops anywhere.
bool convert(const char *to, const char *from, const std::string &in, std::string &out) {
  out.clear();
  if (in.empty())
    return true;
  iconv_t cd = iconv_open(to, from);
  if (cd == (iconv_t)-1)
    return false;
  std::string buffer(in.size() * MAX_UTF8_CHARACTER + MAX_UTF8_CHARACTER, '\0');
  char *in_ptr = const_cast<char *>(in.data());
  size_t in_left = in.size();
  char *out_ptr = buffer.data();
  size_t out_left = buffer.size();
  size_t done = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
  bool ok = done != (size_t)-1 && in_left == 0;
  // Flush any shift state (none for these encodings, but iconv asks for it).
  if (ok && iconv(cd, nullptr, nullptr, &out_ptr, &out_left) == (size_t)-1)
    ok = false;
  iconv_close(cd);
  if (ok)
    out.assign(buffer.data(), buffer.size() - out_left);
  return ok;
}

size_t utf8_sequence_length(unsigned char lead) {
  if (lead < 0x80)
    return 1;
  if (lead >= 0xC2 && lead <= 0xDF)
    return 2;
  if (lead >= 0xE0 && lead <= 0xEF)
    return 3;
  if (lead >= 0xF0 && lead <= 0xF4)
    return 4;
  return 0;
}

} // namespace

bool cp932_is_lead_byte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

bool utf8_to_cp932(const std::string &utf8, std::string &out) {
  if (convert(CODE_PAGE_NAME, UTF8_NAME, utf8, out))
    return true;
  out.clear();
  return false;
}

std::string utf8_to_cp932_replacing(const std::string &utf8, char replacement) {
  std::string result;
  for (const std::string &character : utf8_characters(utf8)) {
    std::string converted;
    if (utf8_to_cp932(character, converted))
      result += converted;
    else
      result += replacement;
  }
  return result;
}

std::string cp932_to_utf8(const std::string &cp932) {
  std::string result;
  std::string converted;
  if (convert(UTF8_NAME, CODE_PAGE_NAME, cp932, converted))
    return converted;
  // Some byte does not convert: go character by character.
  for (size_t i = 0; i < cp932.size();) {
    size_t length = 1;
    if (cp932_is_lead_byte((unsigned char)cp932[i]))
      length = i + 1 < cp932.size() ? MAX_CP932_CHARACTER : 1;
    if (convert(UTF8_NAME, CODE_PAGE_NAME, cp932.substr(i, length), converted))
      result += converted;
    else
      result += REPLACEMENT_CHARACTER_UTF8;
    i += length;
  }
  return result;
}

size_t cp932_fit(const char *text, size_t length, size_t limit) {
  size_t end = 0;
  while (end < length) {
    size_t step = cp932_is_lead_byte((unsigned char)text[end]) && end + 1 < length
                      ? MAX_CP932_CHARACTER
                      : 1;
    if (end + step > limit)
      break;
    end += step;
  }
  return end;
}

size_t cp932_character_count(const std::string &text) {
  size_t count = 0;
  for (size_t i = 0; i < text.size(); count++)
    i += cp932_is_lead_byte((unsigned char)text[i]) && i + 1 < text.size()
             ? MAX_CP932_CHARACTER
             : 1;
  return count;
}

size_t cp932_offset_of(const std::string &text, size_t index) {
  size_t offset = 0;
  for (size_t n = 0; n < index && offset < text.size(); n++)
    offset += cp932_is_lead_byte((unsigned char)text[offset]) && offset + 1 < text.size()
                  ? MAX_CP932_CHARACTER
                  : 1;
  return offset;
}

std::vector<std::string> utf8_characters(const std::string &utf8) {
  std::vector<std::string> pieces;
  for (size_t i = 0; i < utf8.size();) {
    size_t length = utf8_sequence_length((unsigned char)utf8[i]);
    bool whole = length != 0 && i + length <= utf8.size();
    for (size_t k = 1; whole && k < length; k++)
      whole = ((unsigned char)utf8[i + k] & 0xC0) == 0x80;
    if (!whole)
      length = 1;
    pieces.push_back(utf8.substr(i, length));
    i += length;
  }
  return pieces;
}
