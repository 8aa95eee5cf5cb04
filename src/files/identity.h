// The player's identity: the last registration name and comment, kept in
// the identity file "zqhi.sav" of the working directory between runs.
#pragma once

constexpr int IDENTITY_FIELD_SIZE = 256; // one NUL-terminated text
constexpr const char IDENTITY_FILE_NAME[] = "zqhi.sav";

struct PlayerIdentity {
  char name[IDENTITY_FIELD_SIZE];
  char comment[IDENTITY_FIELD_SIZE];
};

// The process's one identity; zero at start.
extern PlayerIdentity player_identity;

// Fills player_identity from the identity file. Without a readable file both
// fields are empty. A field that holds no NUL in its 256 bytes is cut to 255.
void load_identity(void);

// Writes player_identity to the identity file, 512 bytes. The file is
// replaced as a whole: a failure leaves the old file as it was. Failures are
// silent.
void save_identity(void);
