// Everything of the platform that the core is written against: the Win32
// types, the dialog subset, the Winsock subset and the C run-time names.
#pragma once

#include "crt.h"
#include "win32_dialog.h"
#include "win32_types.h"
#include "winsock.h"
