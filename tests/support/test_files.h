// Helpers shared by the tests: a scratch working directory, files made from
// bytes, and a good record file built by code.
#pragma once

#include <string>
#include <vector>

// Changes into a new empty directory for the life of the object and back
// (removing the directory) afterwards.
class ScratchDirectory {
public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory &) = delete;
  ScratchDirectory &operator=(const ScratchDirectory &) = delete;
  const std::string &path() const { return path_; }

private:
  std::string previous_;
  std::string path_;
};

typedef std::vector<unsigned char> Bytes;

void write_file(const std::string &name, const Bytes &bytes);
void write_file(const std::string &name, const std::string &text);
// The file's bytes; empty when it cannot be read.
Bytes read_file(const std::string &name);
bool file_exists(const std::string &name);

void put_word(Bytes &bytes, int offset, unsigned value);
void put_dword(Bytes &bytes, int offset, unsigned long value);

// An 844-byte record file that the program accepts: the magic number, the
// check words, record values 1000, 2000 and 3000 with detail bytes 0x10+i
// (slot 0), 0x20+i, 0x30+i, and the stamp of 1998-11-03 14:05:09.250,
// number 42.
Bytes good_record_file();
