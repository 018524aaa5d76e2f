#include "win32/win32_profile_reader.h"

#include <algorithm>
#include <vector>

#include "win32/text_encoding.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {

std::string Win32ProfileReader::GetPrivateProfileString(const std::string& section,
                                                        const std::string& key,
                                                        const std::string& file, int bufferSize) {
  if (bufferSize <= 0) {
    return {};
  }
  // One character more than offered, all NUL, as the panel has always done.
  std::vector<char> buffer(static_cast<std::size_t>(bufferSize) + 1, '\0');
  const DWORD length = GetPrivateProfileStringA(
      Utf8ToAnsi(section).c_str(), Utf8ToAnsi(key).c_str(), "", buffer.data(),
      static_cast<DWORD>(bufferSize), Utf8ToAnsi(file).c_str());
  return AnsiToUtf8(std::string_view(buffer.data(), length));
}

std::string Win32ProfileReader::GetWholeValue(const std::string& section, const std::string& key,
                                              const std::string& file) {
  const std::string ansiSection = Utf8ToAnsi(section);
  const std::string ansiKey = Utf8ToAnsi(key);
  const std::string ansiFile = Utf8ToAnsi(file);
  constexpr DWORD kLargest = 1U << 24U;  // far beyond any line a settings file holds
  std::vector<char> buffer(128, '\0');
  for (;;) {
    const auto size = static_cast<DWORD>(buffer.size());
    const DWORD length = GetPrivateProfileStringA(ansiSection.c_str(), ansiKey.c_str(), "",
                                                  buffer.data(), size, ansiFile.c_str());
    // A value cut to fit comes back as size - 1 characters.
    if (length + 1 < size || size >= kLargest) {
      return AnsiToUtf8(std::string_view(buffer.data(), std::min(length, size)));
    }
    buffer.assign(static_cast<std::size_t>(size) * 2, '\0');
  }
}

}  // namespace vestrel::win32
