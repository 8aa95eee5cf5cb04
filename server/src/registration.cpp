// The ranking CGI's reader of the percent-encoded block.
#include "registration.h"

#include <cstdio>
#include <cstring>

namespace {

// Which kind of digit "%02d%1x%02d%02d%02d%02d%03x%05x" prints at each of
// the stamp's 19 places: 'd' decimal, 'x' lower-case hexadecimal.
constexpr char STAMP_DIGIT_KINDS[] = "ddxddddddddxxxxxxxx";
static_assert(sizeof(STAMP_DIGIT_KINDS) - 1 == BLOCK_STAMP_LENGTH);

constexpr int STAMP_END_OFFSET = BLOCK_STAMP_OFFSET + BLOCK_STAMP_LENGTH; // byte 19

int hex_value(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  return -1;
}

bool is_stamp_digit(char kind, unsigned char c) {
  if (c >= '0' && c <= '9')
    return true;
  return kind == 'x' && c >= 'a' && c <= 'f';
}

uint32_t read_le32(const unsigned char *p) {
  return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 |
         (uint32_t)p[3] << 24;
}

Verdict refuse(const char *format, int a = 0, int b = 0) {
  char line[128];
  snprintf(line, sizeof(line), format, a, b);
  return {false, line};
}

// Reads a NUL-terminated text of at most max_length bytes from a field of
// field_size bytes whose bytes after the NUL must all be zero.
Verdict read_text_field(const unsigned char *field, int field_size, const char *what,
                        int min_length, int max_length, std::string &text) {
  const void *nul = memchr(field, 0, (size_t)field_size);
  if (!nul)
    return refuse(what[0] == 'n' ? "name has no NUL in its %d bytes"
                                 : "comment has no NUL in its %d bytes",
                  field_size);
  int length = (int)((const unsigned char *)nul - field);
  if (length < min_length || length > max_length) {
    char format[80];
    snprintf(format, sizeof(format), "%s is %%d bytes, not %d to %d", what, min_length,
             max_length);
    return refuse(format, length);
  }
  for (int i = length + 1; i < field_size; i++)
    if (field[i] != 0) {
      char format[80];
      snprintf(format, sizeof(format), "%s field byte %%d after the NUL is not 0", what);
      return refuse(format, i);
    }
  text.assign((const char *)field, (size_t)length);
  return {true, ""};
}

} // namespace

Verdict decode_registration_query(std::string_view query, RankingBlockBytes &block) {
  if (query.substr(0, REGISTRATION_QUERY_PREFIX.size()) != REGISTRATION_QUERY_PREFIX)
    return refuse("query does not begin with name=zq&data=");
  std::string_view data = query.substr(REGISTRATION_QUERY_PREFIX.size());
  if (data.size() != (size_t)ENCODED_BLOCK_LENGTH)
    return refuse("data is %d characters, not %d", (int)data.size(),
                  ENCODED_BLOCK_LENGTH);
  for (int i = 0; i < RANKING_BLOCK_SIZE; i++) {
    const char *at = data.data() + 3 * i;
    int high = hex_value(at[1]);
    int low = hex_value(at[2]);
    if (at[0] != '%' || high < 0 || low < 0)
      return refuse("block byte %d is not %% and two hexadecimal digits", i);
    block[(size_t)i] = (unsigned char)(high << 4 | low);
  }
  return {true, ""};
}

Verdict check_ranking_block(const RankingBlockBytes &block, Registration &registration) {
  const unsigned char *b = block.data();
  for (int i = 0; i < BLOCK_STAMP_LENGTH; i++)
    if (!is_stamp_digit(STAMP_DIGIT_KINDS[i], b[BLOCK_STAMP_OFFSET + i]))
      return refuse(STAMP_DIGIT_KINDS[i] == 'd'
                        ? "stamp character %d is not a decimal digit"
                        : "stamp character %d is not a lower-case hexadecimal digit",
                    i);
  if (b[STAMP_END_OFFSET] != 0)
    return refuse("block byte %d after the stamp is not 0", STAMP_END_OFFSET);

  Registration r;
  Verdict v = read_text_field(b + BLOCK_NAME_OFFSET, BLOCK_NAME_SIZE, "name",
                              BLOCK_NAME_MIN_LENGTH, BLOCK_NAME_MAX_LENGTH, r.name);
  if (!v.ok)
    return v;
  v = read_text_field(b + BLOCK_COMMENT_OFFSET, BLOCK_COMMENT_SIZE, "comment", 0,
                      BLOCK_COMMENT_MAX_LENGTH, r.comment);
  if (!v.ok)
    return v;

  uint32_t sum = 0;
  for (int slot = 0; slot < RECORD_SLOT_COUNT; slot++) {
    r.records[(size_t)slot] =
        read_le32(b + BLOCK_VALUES_OFFSET + slot * RECORD_VALUE_SIZE);
    sum += r.records[(size_t)slot];
  }
  if (sum == 0)
    return refuse("the records sum to 0");

  r.stamp.assign((const char *)b + BLOCK_STAMP_OFFSET, BLOCK_STAMP_LENGTH);
  memcpy(r.details.data(), b + BLOCK_DETAILS_OFFSET, r.details.size());
  r.block = block;
  registration = std::move(r);
  return {true, ""};
}

Verdict read_registration(std::string_view query, Registration &registration) {
  RankingBlockBytes block{};
  Verdict v = decode_registration_query(query, block);
  if (!v.ok)
    return v;
  return check_ranking_block(block, registration);
}

std::string stamp_display(std::string_view stamp) {
  // YY M DD hh mm ss: places 0-1, 2 (hexadecimal), 3-4, 5-6, 7-8, 9-10.
  int month = hex_value(stamp[2]);
  char text[32];
  snprintf(text, sizeof(text), "%.2s/%02d/%.2s %.2s:%.2s:%.2s", stamp.data(), month,
           stamp.data() + 3, stamp.data() + 5, stamp.data() + 7, stamp.data() + 9);
  return text;
}
