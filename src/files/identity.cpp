// The identity file "zqhi.sav": the name field, then the comment field.
//
//   OFFSET  SIZE  MEANING
//        0   256  name: NUL-terminated text, the bytes after the NUL unused
//      256   256  comment: the same form
//
// No header, no version, no line ends; texts are raw code-page bytes.
#include "files/identity.h"

#include "platform/crt.h"

#include <cstdio>

PlayerIdentity player_identity;

namespace {

// The new file is written beside the old one and then renamed over it, so
// the identity file is always either the old one or the new one whole.
constexpr const char IDENTITY_NEW_FILE_NAME[] = "zqhi.sav.new";
constexpr int ACCESS_EXISTS = 0;
constexpr int ACCESS_WRITE = 2;

void end_field(char *field) {
  for (int i = 0; i < IDENTITY_FIELD_SIZE; i++)
    if (field[i] == '\0')
      return;
  field[IDENTITY_FIELD_SIZE - 1] = '\0';
}

} // namespace

void load_identity(void) {
  FILE *file = fopen(IDENTITY_FILE_NAME, "rb");
  if (!file) {
    player_identity.name[0] = '\0';
    player_identity.comment[0] = '\0';
    return;
  }
  // A short file fills the fields only as far as it reaches. An entry that
  // opens but cannot be read (a directory opens here) counts as no file.
  fread(player_identity.name, 1, IDENTITY_FIELD_SIZE, file);
  fread(player_identity.comment, 1, IDENTITY_FIELD_SIZE, file);
  bool unreadable = ferror(file) != 0;
  fclose(file);
  if (unreadable) {
    player_identity.name[0] = '\0';
    player_identity.comment[0] = '\0';
    return;
  }
  end_field(player_identity.name);
  end_field(player_identity.comment);
}

void save_identity(void) {
  // A file that may not be written is left alone, as writing it in place
  // would leave it; the rename below would replace it all the same.
  if (_access(IDENTITY_FILE_NAME, ACCESS_EXISTS) == 0 &&
      _access(IDENTITY_FILE_NAME, ACCESS_WRITE) != 0)
    return;
  FILE *file = fopen(IDENTITY_NEW_FILE_NAME, "wb");
  if (!file)
    return;
  bool written =
      fwrite(player_identity.name, 1, IDENTITY_FIELD_SIZE, file) == IDENTITY_FIELD_SIZE &&
      fwrite(player_identity.comment, 1, IDENTITY_FIELD_SIZE, file) ==
          IDENTITY_FIELD_SIZE &&
      fflush(file) == 0 && _commit(_fileno(file)) == 0;
  written = fclose(file) == 0 && written;
  if (!written || rename(IDENTITY_NEW_FILE_NAME, IDENTITY_FILE_NAME) != 0)
    remove(IDENTITY_NEW_FILE_NAME);
}
