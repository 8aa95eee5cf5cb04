// zq-make-record-file: writes a sample record file "zq.sav" as the game
// would, for demonstrations and trials of the ranking service.
//   zq-make-record-file [-o FILE] [-r V1,V2,V3] [-n NUMBER] [-t "YYYY-MM-DD hh:mm:ss"]
// Defaults: zq.sav, records 5432,6789,9876, number 1, the current local time.
//
// The file, 844 bytes, little-endian:
//   OFFSET  SIZE  MEANING
//        0     4  magic 0x31415926
//        8   612  three record slots of 204 bytes at 8, 212, 416:
//                   +0 32-bit record value, +4 16 detail bytes, rest zero
//      820     4  stamp number
//      824    16  stamp time: eight 16-bit words, year, month, day of week,
//                 day, hour, minute, second, milliseconds
//      840     2  check word 0x0D57
//      842     2  check word 0x0DC6
// All other bytes are zero.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace {

constexpr int FILE_SIZE = 844;
constexpr uint32_t MAGIC = 0x31415926;
constexpr int SLOTS_OFFSET = 8;
constexpr int SLOT_SIZE = 204;
constexpr int SLOT_COUNT = 3;
constexpr int DETAIL_OFFSET = 4;
constexpr int DETAIL_SIZE = 16;
constexpr int STAMP_NUMBER_OFFSET = 820;
constexpr int STAMP_TIME_OFFSET = 824;
constexpr int CHECK_A_OFFSET = 840;
constexpr int CHECK_B_OFFSET = 842;
constexpr uint16_t CHECK_A = 0x0D57; // 840 * (0x26 >> 3) + 55, 0x26 being magic's byte 0
constexpr uint16_t CHECK_B = 0x0DC6; // CHECK_A ^ 145

void put16(unsigned char *b, int at, unsigned v) {
  b[at] = (unsigned char)(v & 0xFF);
  b[at + 1] = (unsigned char)(v >> 8 & 0xFF);
}

void put32(unsigned char *b, int at, uint32_t v) {
  put16(b, at, v & 0xFFFF);
  put16(b, at + 2, v >> 16);
}

int usage() {
  fprintf(stderr, "usage: zq-make-record-file [-o FILE] [-r V1,V2,V3] [-n NUMBER] "
                  "[-t \"YYYY-MM-DD hh:mm:ss\"]\n");
  return 2;
}

} // namespace

int main(int argc, char **argv) {
  std::string output = "zq.sav";
  unsigned long records[SLOT_COUNT] = {5432, 6789, 9876};
  unsigned long number = 1;
  time_t now = time(nullptr);
  struct tm when;
  localtime_r(&now, &when);
  int year = when.tm_year + 1900, month = when.tm_mon + 1, day = when.tm_mday;
  int hour = when.tm_hour, minute = when.tm_min, second = when.tm_sec;
  int weekday = when.tm_wday;

  for (int i = 1; i < argc; i++) {
    if (i + 1 >= argc)
      return usage();
    const char *value = argv[++i];
    if (!strcmp(argv[i - 1], "-o"))
      output = value;
    else if (!strcmp(argv[i - 1], "-r")) {
      if (sscanf(value, "%lu,%lu,%lu", &records[0], &records[1], &records[2]) != 3)
        return usage();
    } else if (!strcmp(argv[i - 1], "-n"))
      number = strtoul(value, nullptr, 0);
    else if (!strcmp(argv[i - 1], "-t")) {
      if (sscanf(value, "%d-%d-%d %d:%d:%d", &year, &month, &day, &hour, &minute,
                 &second) != 6)
        return usage();
      weekday = 0; // carried by the file, read by nobody
    } else
      return usage();
  }

  unsigned char b[FILE_SIZE] = {};
  put32(b, 0, MAGIC);
  for (int slot = 0; slot < SLOT_COUNT; slot++) {
    int at = SLOTS_OFFSET + slot * SLOT_SIZE;
    put32(b, at, (uint32_t)records[slot]);
    for (int i = 0; i < DETAIL_SIZE; i++)
      b[at + DETAIL_OFFSET + i] = (unsigned char)(0x10 * (slot + 1) + i);
  }
  put32(b, STAMP_NUMBER_OFFSET, (uint32_t)number);
  const int time_words[8] = {year, month, weekday, day, hour, minute, second, 0};
  for (int i = 0; i < 8; i++)
    put16(b, STAMP_TIME_OFFSET + 2 * i, (unsigned)time_words[i]);
  put16(b, CHECK_A_OFFSET, CHECK_A);
  put16(b, CHECK_B_OFFSET, CHECK_B);

  FILE *f = fopen(output.c_str(), "wb");
  if (!f || fwrite(b, 1, sizeof(b), f) != sizeof(b) || fclose(f) != 0) {
    perror(output.c_str());
    return 1;
  }
  return 0;
}
