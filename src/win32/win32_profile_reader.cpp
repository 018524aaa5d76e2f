#include "win32/win32_profile_reader.h"

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

}  // namespace vestrel::win32
