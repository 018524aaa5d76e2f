#pragma once

// Scratch folders and files of the Win32 test programs.
#include <fstream>
#include <iterator>
#include <string>

#include "win32/windows_api.h"

namespace vestrel::win32 {

// <temp>\vestrel-<this process's ID>-<name>, made if it is not there.
inline std::wstring ScratchFolder(const std::wstring& name) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring folder =
      std::wstring(temp) + L"vestrel-" + std::to_wstring(GetCurrentProcessId()) + L"-" + name;
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

inline std::string FileBytes(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace vestrel::win32
