// The game's record file "zq.sav", read only: its image and its acceptance
// rules.
#pragma once

#include <cstdint>

constexpr int RECORD_FILE_SIZE = 844;
constexpr uint32_t RECORD_FILE_MAGIC = 0x31415926;
constexpr const char RECORD_FILE_NAME[] = "zq.sav";

// Offsets in the file and its image; integers are little-endian.
constexpr int RECORD_MAGIC_OFFSET = 0;
constexpr int RECORD_SLOTS_OFFSET = 8;
constexpr int RECORD_SLOT_SIZE = 204;
constexpr int RECORD_SLOT_VALUE_OFFSET = 0;  // 32-bit record value
constexpr int RECORD_SLOT_DETAIL_OFFSET = 4; // 16 bytes, carried as they are
constexpr int RECORD_STAMP_NUMBER_OFFSET = 820;
constexpr int RECORD_STAMP_TIME_OFFSET = 824; // eight 16-bit words
constexpr int RECORD_CHECK_A_OFFSET = 840;
constexpr int RECORD_CHECK_B_OFFSET = 842;

// The words of the stamp time, in SYSTEMTIME order.
enum StampTimeWord {
  STAMP_YEAR,
  STAMP_MONTH,
  STAMP_DAY_OF_WEEK,
  STAMP_DAY,
  STAMP_HOUR,
  STAMP_MINUTE,
  STAMP_SECOND,
  STAMP_MILLISECONDS
};

struct RecordFileImage {
  unsigned char bytes[RECORD_FILE_SIZE];
};

// The process's one image; zero at start, overwritten by each load.
extern RecordFileImage record_file_image;

// Little-endian reads of the image.
uint16_t image_word(const unsigned char *image, int offset);
uint32_t image_dword(const unsigned char *image, int offset);

// 1 when the check words at 840 and 842 of the 844-byte image hold the
// values that its byte 0 gives, else 0. Changes nothing.
int check_record_file(const unsigned char *image);

// Reads the named record file into record_file_image and judges it:
// 1 when it is 844 bytes or longer and carries the magic number and check
// words, else 0. The file is never written.
int load_record_file(const char *file_name);
