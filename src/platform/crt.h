// C run-time names of the Windows CRT that the core uses beyond standard C.
//
// Implemented:
//  [X] _access(path, mode): mode 0 or 4 asks whether an entry of that name
//      exists (on Windows every file can be read, so 4 never says more);
//      mode 2 and 6 ask for write permission as well
//  [X] _fileno, _commit: flush a stream's file to the disk
// Left out: the rest of io.h.
#pragma once

#include <cstdio>

int _access(const char *path, int mode);
int _fileno(FILE *stream);
int _commit(int fd);
