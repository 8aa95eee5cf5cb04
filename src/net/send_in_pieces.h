// Sending a request in pieces of at most SEND_PIECE_SIZE bytes.
#pragma once

#include "platform/winsock.h"

#include <cstdint>

// Sends length bytes of data in order, in pieces of at most 1024 bytes.
void send_in_pieces(SOCKET s, const char *data, int32_t length);
