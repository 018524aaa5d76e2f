#pragma once

#include <cstdint>

#include "common/app_error.h"

namespace vestrel::win32 {

// The calling thread's last Win32 error as an AppError with the runtime's file
// error numbers (70 permission denied, 76 path not found, 53 file not found,
// 61 disk full, else 75) and the system's message as its description.
AppError LastError(const char* source = "");

[[noreturn]] inline void RaiseLastError(const char* source = "") { throw LastError(source); }

}  // namespace vestrel::win32
