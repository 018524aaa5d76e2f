#include "win32/environment.h"

#include <iterator>

#include "win32/windows_api.h"

namespace vestrel::win32 {

std::wstring EnvironmentValue(const wchar_t* name) {
  wchar_t buffer[MAX_PATH * 2];
  const DWORD length = GetEnvironmentVariableW(name, buffer, std::size(buffer));
  if (length == 0 || length >= std::size(buffer)) {
    return {};
  }
  return {buffer, length};
}

}  // namespace vestrel::win32
