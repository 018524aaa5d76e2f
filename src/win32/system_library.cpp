#include "win32/system_library.h"

#include <string>

namespace vestrel::win32 {

HMODULE LoadSystemLibrary(const wchar_t* name, LoadLibraryExFunction load) {
  if (const HMODULE module = load(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32); module != nullptr) {
    return module;
  }
  wchar_t folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    return nullptr;
  }
  const std::wstring path = std::wstring(folder, length) + L"\\" + name;
  return load(path.c_str(), nullptr, 0);
}

}  // namespace vestrel::win32
