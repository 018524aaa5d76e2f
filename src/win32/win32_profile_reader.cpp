#include "win32/win32_profile_reader.h"

#include <algorithm>
#include <vector>

#include "win32/text_encoding.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {
namespace {

// How long a section's key names are trusted: the settings are read in a
// burst at start-up; a file edited later is read afresh.
constexpr std::uint64_t kSectionKeysLifetimeMs = 1000;

std::string Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) {
    return {};
  }
  const auto last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

bool SameAsciiName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The key names of a section, as GetPrivateProfileSectionA lists its
// entries ("name=value", or a bare line); none when it has no such section.
std::vector<std::string> SectionKeyNames(const std::string& ansiSection,
                                         const std::string& ansiFile) {
  constexpr DWORD kLargest = 1U << 24U;
  std::vector<char> buffer(4096, '\0');
  DWORD length = 0;
  for (;;) {
    const auto size = static_cast<DWORD>(buffer.size());
    length = GetPrivateProfileSectionA(ansiSection.c_str(), buffer.data(), size, ansiFile.c_str());
    // A list cut to fit comes back as size - 2 characters.
    if (length + 2 < size || size >= kLargest) {
      break;
    }
    buffer.assign(static_cast<std::size_t>(size) * 2, '\0');
  }
  std::vector<std::string> names;
  std::string_view entries(buffer.data(), std::min<std::size_t>(length, buffer.size()));
  while (!entries.empty()) {
    const std::string_view entry = entries.substr(0, entries.find('\0'));
    names.push_back(Trimmed(entry.substr(0, entry.find('='))));
    entries.remove_prefix(std::min(entries.size(), entry.size() + 1));
  }
  return names;
}

}  // namespace

bool Win32ProfileReader::MayHold(const std::string& section, const std::string& key,
                                 const std::string& file) {
  if (!IsAscii(key)) {
    return true;
  }
  SectionKeys& keys = sections_[{file, section}];
  const std::uint64_t now = GetTickCount64();
  if (keys.ReadAt == 0 || now - keys.ReadAt > kSectionKeysLifetimeMs) {
    keys.Names = SectionKeyNames(Utf8ToAnsi(section), Utf8ToAnsi(file));
    keys.ReadAt = now == 0 ? 1 : now;
  }
  const std::string wanted = Trimmed(key);
  return std::any_of(keys.Names.begin(), keys.Names.end(), [&](const std::string& name) {
    // A name of other letters may match in ways only the system knows.
    return !IsAscii(name) || SameAsciiName(name, wanted);
  });
}

std::string Win32ProfileReader::GetPrivateProfileString(const std::string& section,
                                                        const std::string& key,
                                                        const std::string& file, int bufferSize) {
  if (bufferSize <= 0 || !MayHold(section, key, file)) {
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
  if (!MayHold(section, key, file)) {
    return {};
  }
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
