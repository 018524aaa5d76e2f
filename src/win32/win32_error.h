#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/app_error.h"

namespace vestrel::win32 {

// The calling thread's last Win32 error as an AppError with the runtime's file
// error numbers (70 permission denied, 76 path not found, 53 file not found,
// 61 disk full, else 75) and the system's message as its description.
AppError LastError(const char* source = "");

// A system message with its insert "%1" (left in place when the message was
// read) filled with value, such as the file a load failed on.
inline std::string FillInsert(std::string message, std::string_view value) {
  for (std::size_t at = message.find("%1"); at != std::string::npos;
       at = message.find("%1", at + value.size())) {
    message.replace(at, 2, value);
  }
  return message;
}

[[noreturn]] inline void RaiseLastError(const char* source = "") { throw LastError(source); }

}  // namespace vestrel::win32
