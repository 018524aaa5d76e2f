#include "win32/win32_error.h"

#include <string>

#include "win32/text_encoding.h"
#include "win32/unique_handle.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {
namespace {

std::int32_t RuntimeNumber(DWORD code) {
  switch (code) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return errors::PermissionDenied.Number;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return errors::PathNotFound.Number;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_MOD_NOT_FOUND:
      return errors::FileNotFound.Number;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return errors::DiskFull.Number;
    default:
      return errors::PathFileAccess.Number;
  }
}

}  // namespace

AppError LastError(const char* source) {
  const DWORD code = GetLastError();
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  const UniqueHandle<wchar_t*, LocalFree> message(buffer);
  std::string description = length != 0 ? WideToUtf8(std::wstring_view(message.get(), length))
                                        : "System error " + std::to_string(code);
  while (!description.empty() && (description.back() == '\n' || description.back() == '\r' ||
                                  description.back() == ' ' || description.back() == '.')) {
    description.pop_back();
  }
  return {RuntimeNumber(code), source, description};
}

}  // namespace vestrel::win32
