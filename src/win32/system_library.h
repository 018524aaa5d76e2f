#pragma once

#include "win32/windows_api.h"

namespace vestrel::win32 {

// LoadLibraryExW, or a stand-in for it.
using LoadLibraryExFunction = HMODULE(WINAPI*)(LPCWSTR name, HANDLE file, DWORD flags);

// Loads a library of the system folder: searched there alone where the loader
// takes LOAD_LIBRARY_SEARCH_SYSTEM32, else (Windows 7 without its loader
// update refuses the flag) by its full path in the system folder. Null when
// neither loads it. Libraries only some runs need are loaded this way when
// first needed, not imported: each import is loaded, with everything it
// imports, before the program's first line runs.
HMODULE LoadSystemLibrary(const wchar_t* name, LoadLibraryExFunction load = LoadLibraryExW);

// Sets function to the module's export of that name; null when the module is
// null or lacks it.
template <class Function>
void FindFunction(HMODULE module, const char* name, Function& function) {
  function =
      module != nullptr
          ? reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)))
          : nullptr;
}

}  // namespace vestrel::win32
