// Fuzzes the identity load: the input becomes "zqhi.sav" in a scratch
// directory and load_identity reads it into fields that hold no NUL at all
// beforehand. Afterwards each field is a NUL-terminated text within its 256
// bytes, made of the file's bytes for that field as far as the file reaches.
// A save then writes the loaded fields back, 512 bytes that load again to
// the same texts.
#include "files/identity.h"
#include "fuzz_support.h"

#include <cstdint>
#include <cstring>

namespace {

// Files longer than both fields are read only in their first 512 bytes.
constexpr size_t MAX_FILE = 2048;

// The text of a loaded field from the part of the file that it covers: its
// bytes up to the first NUL, at most 255; a field that the file does not
// reach keeps the filler, which must then have been ended, too.
void check_field(const char *field, const uint8_t *data, size_t size, size_t offset) {
  const char *end = (const char *)memchr(field, 0, IDENTITY_FIELD_SIZE);
  FUZZ_CHECK(end != nullptr);
  size_t length = (size_t)(end - field);
  if (offset >= size)
    return;
  size_t available = size - offset;
  if (available > IDENTITY_FIELD_SIZE)
    available = IDENTITY_FIELD_SIZE;
  const void *nul = memchr(data + offset, 0, available);
  if (nul) {
    FUZZ_CHECK(length == (size_t)((const uint8_t *)nul - (data + offset)));
  } else if (available == IDENTITY_FIELD_SIZE) {
    FUZZ_CHECK(length == IDENTITY_FIELD_SIZE - 1);
  } else {
    FUZZ_CHECK(length >= available);
  }
  FUZZ_CHECK(memcmp(field, data + offset, length < available ? length : available) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > MAX_FILE)
    return 0;
  fuzz_scratch::enter();
  fuzz_scratch::write_whole_file(IDENTITY_FILE_NAME, data, size);

  memset(&player_identity, 0xA5, sizeof(player_identity));
  load_identity();
  check_field(player_identity.name, data, size, 0);
  check_field(player_identity.comment, data, size, IDENTITY_FIELD_SIZE);

  PlayerIdentity loaded = player_identity;
  save_identity();
  FILE *f = fopen(IDENTITY_FILE_NAME, "rb");
  FUZZ_CHECK(f != nullptr);
  unsigned char saved[2 * IDENTITY_FIELD_SIZE + 1];
  size_t got = fread(saved, 1, sizeof(saved), f);
  fclose(f);
  FUZZ_CHECK(got == 2 * IDENTITY_FIELD_SIZE);
  FUZZ_CHECK(memcmp(saved, &loaded, got) == 0);

  memset(&player_identity, 0x5A, sizeof(player_identity));
  load_identity();
  FUZZ_CHECK(strcmp(player_identity.name, loaded.name) == 0);
  FUZZ_CHECK(strcmp(player_identity.comment, loaded.comment) == 0);
  return 0;
}
