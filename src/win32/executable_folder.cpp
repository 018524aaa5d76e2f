#include "win32/executable_folder.h"

#include "win32/win32_error.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {

std::wstring ExecutableFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) {
      RaiseLastError();
    }
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  const std::size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) {
    return {};
  }
  // A drive root keeps its separator ("C:\").
  return path.substr(0, slash == 2 && path[1] == L':' ? slash + 1 : slash);
}

}  // namespace vestrel::win32
