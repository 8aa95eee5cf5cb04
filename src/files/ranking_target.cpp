// Building the registration target: "http://" (the caller's), the ranking
// host, the CGI path and the block, each byte as "%XX".
#include "files/ranking_target.h"

#include "files/identity.h"
#include "files/ranking_block.h"
#include "files/record_file.h"
#include "platform/crt.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int ACCESS_READ = 4;
constexpr int NAME_CUT = BLOCK_NAME_SIZE - 1;       // 15 bytes of name
constexpr int COMMENT_CUT = BLOCK_COMMENT_SIZE - 1; // 31 bytes of comment
constexpr uint32_t STAMP_MILLISECONDS_MASK = 0xFFF;
constexpr uint32_t STAMP_NUMBER_MASK = 0xFFFFF;
constexpr const char HEX_DIGITS[] = "0123456789ABCDEF";

int stamp_word(int word) {
  return image_word(record_file_image.bytes, RECORD_STAMP_TIME_OFFSET + 2 * word);
}

// Formats the stamp into the block from offset 0. Out-of-range fields make
// the text longer than 19 characters (34 at most, NUL included).
void format_stamp(unsigned char *block) {
  uint32_t number = image_dword(record_file_image.bytes, RECORD_STAMP_NUMBER_OFFSET);
  snprintf((char *)block + BLOCK_STAMP_OFFSET, RANKING_BLOCK_SIZE, STAMP_TEXT,
           stamp_word(STAMP_YEAR) % 100, (unsigned)stamp_word(STAMP_MONTH),
           stamp_word(STAMP_DAY), stamp_word(STAMP_HOUR), stamp_word(STAMP_MINUTE),
           stamp_word(STAMP_SECOND),
           (unsigned)(stamp_word(STAMP_MILLISECONDS) & STAMP_MILLISECONDS_MASK),
           (unsigned)(number & STAMP_NUMBER_MASK));
}

} // namespace

int build_ranking_target(char *target, const char *host) {
  if (_access(RECORD_FILE_NAME, ACCESS_READ) != 0)
    return 0;
  join_path(target, host, RANKING_CGI_PATH);
  return encode_record_file(target, RECORD_FILE_NAME);
}

void join_path(char *destination, const char *base, const char *relative) {
  size_t n = strlen(base);
  memmove(destination, base, n + 1);
  if (n == 0)
    return;
  if (destination[n - 1] != '/')
    destination[n++] = '/';
  strcpy(destination + n, relative);
}

int encode_record_file(char *target, const char *file_name) {
  if (!load_record_file(file_name))
    return 0;

  unsigned char block[RANKING_BLOCK_SIZE];
  memset(block, 0, sizeof(block));

  player_identity.name[NAME_CUT] = '\0';
  player_identity.comment[COMMENT_CUT] = '\0';

  format_stamp(block);
  block[BLOCK_STAMP_OFFSET + BLOCK_STAMP_LENGTH] = 0;
  strcpy((char *)block + BLOCK_NAME_OFFSET, player_identity.name);
  strcpy((char *)block + BLOCK_COMMENT_OFFSET, player_identity.comment);

  uint32_t sum = 0;
  for (int slot = 0; slot < RECORD_SLOT_COUNT; slot++) {
    int at = RECORD_SLOTS_OFFSET + slot * RECORD_SLOT_SIZE;
    memcpy(block + BLOCK_VALUES_OFFSET + slot * RECORD_VALUE_SIZE,
           record_file_image.bytes + at + RECORD_SLOT_VALUE_OFFSET, RECORD_VALUE_SIZE);
    sum += image_dword(record_file_image.bytes, at + RECORD_SLOT_VALUE_OFFSET);
    memcpy(block + BLOCK_DETAILS_OFFSET + slot * RECORD_DETAIL_SIZE,
           record_file_image.bytes + at + RECORD_SLOT_DETAIL_OFFSET, RECORD_DETAIL_SIZE);
  }
  if (sum == 0)
    return 0;

  char *out = target + strlen(target);
  for (int i = 0; i < RANKING_BLOCK_SIZE; i++) {
    *out++ = '%';
    *out++ = HEX_DIGITS[block[i] >> 4];
    *out++ = HEX_DIGITS[block[i] & 0x0F];
  }
  *out = '\0';
  return 1;
}
