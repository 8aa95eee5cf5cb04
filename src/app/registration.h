// The registration sequence that the send button runs.
#pragma once

#include "platform/win32_types.h"

#include <cstdint>

constexpr int RECEIVE_BUFFER_SIZE = 12288;
constexpr int UPLOAD_REPLY_CAPACITY = 1024;
constexpr int TARGET_BUFFER_SIZE = 8192;

// 1 when the last registration sent the records and was answered, 0 when
// there was nothing to send.
extern int32_t sent_flag;

// Runs one whole registration on the dialog's thread: reads and judges the
// name, saves the identity, asks the server whether it takes registrations,
// sends the records, and leaves the dialog finished or back in input mode
// with the failure text. Returns 1 on success, 0 otherwise (unused).
int submit_registration(HWND dialog);
