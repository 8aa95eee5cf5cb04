// The record file "zq.sav", as far as this program reads it.
//
//   OFFSET  SIZE  MEANING
//        0     4  magic, 0x31415926 (bytes 26 59 41 31)
//        4     4  not read
//        8   612  three record slots of 204 bytes, at 8, 212 and 416:
//                   +0   4  record value
//                   +4  16  record detail
//                  +20 184  not read
//      620   200  not read
//      820     4  stamp number (low 20 bits used)
//      824    16  stamp time: year, month, day of week, day, hour, minute,
//                 second, milliseconds; 16-bit words
//      840     2  check word A = 840 * (byte 0 >> 3) + 55
//      842     2  check word B = A xor 145
//
// All integers little-endian. Bytes past 844 are never read.
#include "files/record_file.h"

#include <cstdio>

RecordFileImage record_file_image;

namespace {

constexpr unsigned CHECK_A_FACTOR = 840;
constexpr unsigned CHECK_A_SHIFT = 3;
constexpr unsigned CHECK_A_ADDEND = 55;
constexpr unsigned CHECK_B_MASK = 145;

} // namespace

uint16_t image_word(const unsigned char *image, int offset) {
  return (uint16_t)(image[offset] | (image[offset + 1] << 8));
}

uint32_t image_dword(const unsigned char *image, int offset) {
  return (uint32_t)image[offset] | ((uint32_t)image[offset + 1] << 8) |
         ((uint32_t)image[offset + 2] << 16) | ((uint32_t)image[offset + 3] << 24);
}

int check_record_file(const unsigned char *image) {
  unsigned check_a = CHECK_A_FACTOR * (image[0] >> CHECK_A_SHIFT) + CHECK_A_ADDEND;
  unsigned check_b = check_a ^ CHECK_B_MASK;
  if (image_word(image, RECORD_CHECK_A_OFFSET) != (uint16_t)check_a)
    return 0;
  return image_word(image, RECORD_CHECK_B_OFFSET) == (uint16_t)check_b ? 1 : 0;
}

int load_record_file(const char *file_name) {
  FILE *file = fopen(file_name, "rb");
  if (!file)
    return 0;
  size_t got = fread(record_file_image.bytes, 1, RECORD_FILE_SIZE, file);
  fclose(file);
  // A short file is refused outright: the image's tail would still hold an
  // earlier load's bytes.
  if (got != (size_t)RECORD_FILE_SIZE)
    return 0;
  if (image_dword(record_file_image.bytes, RECORD_MAGIC_OFFSET) != RECORD_FILE_MAGIC)
    return 0;
  return check_record_file(record_file_image.bytes);
}
