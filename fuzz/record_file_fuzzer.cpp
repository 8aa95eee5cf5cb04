// Fuzzes the record file load, the ranking block and its encoding through
// build_ranking_target.
//
// The input becomes "zq.sav" whole. The loader reads only its first 844
// bytes, so whatever follows them also serves as the identity: up to 256
// bytes of name, then up to 256 bytes of comment (neither needs a NUL).
//
// After the call the target is either the prefix alone (host, "/", the CGI
// path) or the prefix and exactly 384 characters of "%XX" whose decoded
// block carries the name, the comment and the file's record values and
// details where they belong; "zq.sav" still holds the same bytes and
// modification time.
#include "files/identity.h"
#include "files/ranking_block.h"
#include "files/ranking_target.h"
#include "files/record_file.h"
#include "fuzz_support.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <sys/stat.h>

namespace {

constexpr const char HOST[] = "ranking.example";
constexpr const char SCHEME[] = "http://";
constexpr size_t MAX_FILE = RECORD_FILE_SIZE + 2 * IDENTITY_FIELD_SIZE + 64;
constexpr int TARGET_BUFFER_SIZE = 8192;
constexpr char UNTOUCHED = (char)0xEE;

int hex_value(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

uint32_t dword_at(const uint8_t *p) {
  return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) |
         ((uint32_t)p[3] << 24);
}

void fill_identity_field(char *field, const uint8_t *data, size_t size, size_t offset) {
  memset(field, 0, IDENTITY_FIELD_SIZE);
  if (offset < size) {
    size_t n = size - offset;
    memcpy(field, data + offset, n < IDENTITY_FIELD_SIZE ? n : IDENTITY_FIELD_SIZE);
  }
  field[IDENTITY_FIELD_SIZE - 1] = '\0';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > MAX_FILE)
    return 0;
  fuzz_scratch::enter();
  fuzz_scratch::write_whole_file(RECORD_FILE_NAME, data, size);
  struct stat before;
  FUZZ_CHECK(stat(RECORD_FILE_NAME, &before) == 0);

  fill_identity_field(player_identity.name, data, size, RECORD_FILE_SIZE);
  fill_identity_field(player_identity.comment, data, size,
                      RECORD_FILE_SIZE + IDENTITY_FIELD_SIZE);
  std::string name(player_identity.name), comment(player_identity.comment);
  // Each run starts from a zero image, as the process does.
  memset(&record_file_image, 0, sizeof(record_file_image));

  static char target[TARGET_BUFFER_SIZE];
  memset(target, UNTOUCHED, sizeof(target));
  strcpy(target, SCHEME);
  char *place = target + strlen(SCHEME);
  int result = build_ranking_target(place, HOST);

  std::string prefix = std::string(HOST) + "/" + RANKING_CGI_PATH;
  FUZZ_CHECK(result == 0 || result == 1);
  FUZZ_CHECK(memcmp(target, SCHEME, strlen(SCHEME)) == 0);
  FUZZ_CHECK(memcmp(place, prefix.data(), prefix.size()) == 0);
  char *data_start = place + prefix.size();
  if (result == 0) {
    FUZZ_CHECK(*data_start == '\0');
    FUZZ_CHECK(data_start[1] == UNTOUCHED);
  } else {
    FUZZ_CHECK(strlen(data_start) == (size_t)ENCODED_BLOCK_LENGTH);
    FUZZ_CHECK(data_start[ENCODED_BLOCK_LENGTH + 1] == UNTOUCHED);
    unsigned char block[RANKING_BLOCK_SIZE];
    for (int i = 0; i < RANKING_BLOCK_SIZE; i++) {
      const char *e = data_start + 3 * i;
      int high = hex_value(e[1]), low = hex_value(e[2]);
      FUZZ_CHECK(e[0] == '%' && high >= 0 && low >= 0);
      block[i] = (unsigned char)(high << 4 | low);
    }
    // Only an accepted file of at least 844 bytes gets this far.
    FUZZ_CHECK(size >= (size_t)RECORD_FILE_SIZE);
    FUZZ_CHECK(dword_at(data) == RECORD_FILE_MAGIC);
    FUZZ_CHECK(block[BLOCK_STAMP_OFFSET + BLOCK_STAMP_LENGTH] == 0);
    std::string sent_name = name.substr(0, BLOCK_NAME_SIZE - 1);
    FUZZ_CHECK(
        memcmp(block + BLOCK_NAME_OFFSET, sent_name.c_str(), sent_name.size() + 1) == 0);
    unsigned char comment_field[BLOCK_COMMENT_SIZE] = {0};
    memcpy(comment_field, comment.data(),
           comment.size() < BLOCK_COMMENT_SIZE - 1 ? comment.size()
                                                   : BLOCK_COMMENT_SIZE - 1);
    FUZZ_CHECK(memcmp(block + BLOCK_COMMENT_OFFSET, comment_field, BLOCK_COMMENT_SIZE) ==
               0);
    uint32_t sum = 0;
    for (int slot = 0; slot < RECORD_SLOT_COUNT; slot++) {
      const uint8_t *at = data + RECORD_SLOTS_OFFSET + slot * RECORD_SLOT_SIZE;
      FUZZ_CHECK(memcmp(block + BLOCK_VALUES_OFFSET + slot * RECORD_VALUE_SIZE,
                        at + RECORD_SLOT_VALUE_OFFSET, RECORD_VALUE_SIZE) == 0);
      FUZZ_CHECK(memcmp(block + BLOCK_DETAILS_OFFSET + slot * RECORD_DETAIL_SIZE,
                        at + RECORD_SLOT_DETAIL_OFFSET, RECORD_DETAIL_SIZE) == 0);
      sum += dword_at(at + RECORD_SLOT_VALUE_OFFSET);
    }
    FUZZ_CHECK(sum != 0);
  }

  // Read only: the same bytes and the same modification time.
  struct stat after;
  FUZZ_CHECK(stat(RECORD_FILE_NAME, &after) == 0);
  FUZZ_CHECK(after.st_size == (off_t)size);
  FUZZ_CHECK(after.st_mtim.tv_sec == before.st_mtim.tv_sec &&
             after.st_mtim.tv_nsec == before.st_mtim.tv_nsec);
  FILE *f = fopen(RECORD_FILE_NAME, "rb");
  FUZZ_CHECK(f != nullptr);
  static unsigned char again[MAX_FILE + 1];
  size_t got = fread(again, 1, sizeof(again), f);
  fclose(f);
  FUZZ_CHECK(got == size && memcmp(again, data, size) == 0);
  return 0;
}
