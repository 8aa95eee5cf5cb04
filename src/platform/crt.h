// C run-time names of the Windows CRT that the core uses beyond standard C.
//
// Implemented:
//  [X] _access(path, mode): mode 0 or 4 asks whether an entry of that name
//      exists (on Windows every file can be read, so 4 never says more);
//      mode 2 and 6 ask for write permission as well
//  [X] _fileno, _commit: flush a stream's file to the disk
//  [X] _fsopen(path, "wb", _SH_DENYNO): a new or emptied file for writing,
//      without any sharing restriction. It opens regular files only and
//      never waits: a named pipe or a device under that name (or a link to
//      one) gives null, where fopen would wait for a reader or write to the
//      device
// Left out: the rest of io.h.
#pragma once

#include <cstdio>

int _access(const char *path, int mode);
int _fileno(FILE *stream);
int _commit(int fd);

#define _SH_DENYNO 0x40
FILE *_fsopen(const char *path, const char *mode, int share_flag);
