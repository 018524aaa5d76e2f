#include "win32/win32_error.h"

#include <string>

#include "win32/text_encoding.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {
namespace {

std::int32_t RuntimeNumber(DWORD code) {
  switch (code) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return 70;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return 76;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_MOD_NOT_FOUND:
      return 53;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return 61;
    default:
      return 75;
  }
}

}  // namespace

AppError LastError(const char* source) {
  const DWORD code = GetLastError();
  wchar_t* message = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
  std::string description = length != 0 ? WideToUtf8(std::wstring_view(message, length))
                                        : "System error " + std::to_string(code);
  if (message != nullptr) {
    LocalFree(message);
  }
  while (!description.empty() && (description.back() == '\n' || description.back() == '\r' ||
                                  description.back() == ' ' || description.back() == '.')) {
    description.pop_back();
  }
  return {RuntimeNumber(code), source, description};
}

}  // namespace vestrel::win32
