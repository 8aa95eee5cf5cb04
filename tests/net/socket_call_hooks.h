// Hooks in the Winsock layer's table of POSIX calls for the exchange tests:
// a bookkeeping layer that every test installs (sockets made and closed,
// reply bytes taken by the client), and room above it for faults.
//
// install_bookkeeping() copies the real calls into socket_calls_below,
// then puts the bookkeeping functions into posix_socket_calls. A fault is
// injected by putting a function into posix_socket_calls that calls
// socket_calls_below for whatever it passes on. All of it is process-wide:
// one exchange at a time.
#pragma once

#include "platform/posix_socket_calls.h"

#include <atomic>
#include <set>

// The calls under any injected fault: the bookkeeping layer.
extern PosixSocketCalls socket_calls_below;

// What the bookkeeping layer has seen since install_bookkeeping().
struct SocketBook {
  std::set<int> open_sockets; // made by sys_socket, not yet closed
  int sockets_made = 0;
  int closes = 0;       // sys_close calls of any descriptor
  int stray_closes = 0; // of descriptors not made by sys_socket, or closed twice
  int name_lookups = 0; // sys_getaddrinfo calls
};
extern SocketBook socket_book;

// Reply bytes that sys_recv has handed to the client; the scripted peer
// reads it to pace its chunks.
extern std::atomic<long> client_bytes_taken;

// Resets the table and the book, then installs the bookkeeping layer.
void install_bookkeeping();
// Puts the real calls back (reset_posix_socket_calls).
void remove_bookkeeping();
