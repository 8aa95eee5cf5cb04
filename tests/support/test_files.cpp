#include "support/test_files.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

ScratchDirectory::ScratchDirectory() {
  char here[4096];
  previous_ = getcwd(here, sizeof(here)) ? here : "/";
  char pattern[] = "/tmp/zq-test-XXXXXX";
  const char *made = mkdtemp(pattern);
  path_ = made ? made : "/tmp";
  if (chdir(path_.c_str()) != 0)
    abort();
}

ScratchDirectory::~ScratchDirectory() {
  if (chdir(previous_.c_str()) != 0)
    abort();
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void write_file(const std::string &name, const Bytes &bytes) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write((const char *)bytes.data(), (std::streamsize)bytes.size());
}

void write_file(const std::string &name, const std::string &text) {
  write_file(name, Bytes(text.begin(), text.end()));
}

Bytes read_file(const std::string &name) {
  std::ifstream in(name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool file_exists(const std::string &name) {
  return access(name.c_str(), F_OK) == 0;
}

void put_word(Bytes &bytes, int offset, unsigned value) {
  bytes[offset] = (unsigned char)(value & 0xff);
  bytes[offset + 1] = (unsigned char)((value >> 8) & 0xff);
}

void put_dword(Bytes &bytes, int offset, unsigned long value) {
  put_word(bytes, offset, (unsigned)(value & 0xffff));
  put_word(bytes, offset + 2, (unsigned)((value >> 16) & 0xffff));
}

Bytes good_record_file() {
  Bytes b(844, 0);
  put_dword(b, 0, 0x31415926);
  const unsigned long values[3] = {1000, 2000, 3000};
  for (int slot = 0; slot < 3; slot++) {
    int at = 8 + 204 * slot;
    put_dword(b, at, values[slot]);
    for (int i = 0; i < 16; i++)
      b[at + 4 + i] = (unsigned char)(0x10 * (slot + 1) + i);
  }
  put_dword(b, 820, 42);
  const unsigned time[8] = {1998, 11, 2, 3, 14, 5, 9, 250};
  for (int i = 0; i < 8; i++)
    put_word(b, 824 + 2 * i, time[i]);
  put_word(b, 840, 3415);
  put_word(b, 842, 3526);
  return b;
}
