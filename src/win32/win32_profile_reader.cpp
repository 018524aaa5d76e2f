#include "win32/win32_profile_reader.h"

#include <algorithm>
#include <vector>

#include "win32/text_encoding.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {
namespace {

// How long what the system listed (sections, entries) is trusted: the
// settings are read in a burst at start-up; a file edited later is read
// afresh.
constexpr std::uint64_t kListLifetimeMs = 1000;

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

// A double-NUL-terminated list the profile API fills (a section's entries,
// or the file's section names), read whole: the buffer grows until the list
// fits. A list cut to fit comes back as size - 2 characters.
template <class Read>
std::vector<std::string> WholeList(Read read) {
  constexpr DWORD kLargest = 1U << 24U;
  std::vector<char> buffer(4096, '\0');
  DWORD length = 0;
  for (;;) {
    const auto size = static_cast<DWORD>(buffer.size());
    length = read(buffer.data(), size);
    if (length + 2 < size || size >= kLargest) {
      break;
    }
    buffer.assign(static_cast<std::size_t>(size) * 2, '\0');
  }
  std::vector<std::string> entries;
  std::string_view rest(buffer.data(), std::min<std::size_t>(length, buffer.size()));
  while (!rest.empty()) {
    const std::string_view entry = rest.substr(0, rest.find('\0'));
    entries.emplace_back(entry);
    rest.remove_prefix(std::min(rest.size(), entry.size() + 1));
  }
  return entries;
}

// A section's entries as GetPrivateProfileSectionA lists them ("name=value",
// or a bare line); none when it has no such section.
std::vector<std::string> SectionEntries(const std::string& ansiSection,
                                        const std::string& ansiFile) {
  return WholeList([&ansiSection, &ansiFile](char* buffer, DWORD size) {
    return GetPrivateProfileSectionA(ansiSection.c_str(), buffer, size, ansiFile.c_str());
  });
}

std::vector<std::string> SectionNames(const std::string& ansiFile) {
  return WholeList([&ansiFile](char* buffer, DWORD size) {
    return GetPrivateProfileSectionNamesA(buffer, size, ansiFile.c_str());
  });
}

// Whether a name the system listed may be the one wanted: equal but for
// ASCII case and the spaces around it, or of other letters, which may match
// in ways only the system knows.
bool MayBeNamed(const std::string& listed, const std::string& wanted) {
  return !IsAscii(listed) || SameAsciiName(Trimmed(listed), Trimmed(wanted));
}

bool Fresh(std::uint64_t readAt, std::uint64_t now) {
  return readAt != 0 && now - readAt <= kListLifetimeMs;
}

}  // namespace

Win32ProfileReader::Listed Win32ProfileReader::Find(const std::string& section,
                                                    const std::string& key,
                                                    const std::string& file) {
  if (!IsAscii(key) || !IsAscii(section)) {
    return {Answer::AskSystem, {}};
  }
  const std::uint64_t now = std::max<std::uint64_t>(GetTickCount64(), 1);
  SystemList& sections = sectionsOfFile_[file];
  if (!Fresh(sections.ReadAt, now)) {
    sections.Items = SectionNames(Utf8ToAnsi(file));
    sections.ReadAt = now;
  }
  if (std::none_of(sections.Items.begin(), sections.Items.end(),
                   [&section](const std::string& name) { return MayBeNamed(name, section); })) {
    return {Answer::Absent, {}};
  }
  SystemList& entries = entriesOfSection_[{file, section}];
  if (!Fresh(entries.ReadAt, now)) {
    entries.Items = SectionEntries(Utf8ToAnsi(section), Utf8ToAnsi(file));
    entries.ReadAt = now;
  }
  const std::string* found = nullptr;
  for (const std::string& entry : entries.Items) {
    if (MayBeNamed(entry.substr(0, entry.find('=')), key)) {
      if (found != nullptr) {
        return {Answer::AskSystem, {}};  // which one counts is the system's to say
      }
      found = &entry;
    }
  }
  if (found == nullptr) {
    return {Answer::Absent, {}};
  }
  // The value as listed is the one a lookup gives, spaces around it aside,
  // unless the system would make something of it: quotes it strips, tabs,
  // a line without "=", a name of other letters.
  const std::size_t equals = found->find('=');
  if (equals == std::string::npos || !IsAscii(found->substr(0, equals))) {
    return {Answer::AskSystem, {}};
  }
  const std::string value = Trimmed(std::string_view(*found).substr(equals + 1));
  if (found->find('\t') != std::string::npos ||
      (!value.empty() && (value.front() == '"' || value.front() == '\''))) {
    return {Answer::AskSystem, {}};
  }
  return {Answer::Value, value};
}

std::string Win32ProfileReader::GetPrivateProfileString(const std::string& section,
                                                        const std::string& key,
                                                        const std::string& file, int bufferSize) {
  if (bufferSize <= 0) {
    return {};
  }
  const Listed listed = Find(section, key, file);
  if (listed.How == Answer::Absent) {
    return {};
  }
  // A value that fits comes back whole; a longer one is the system's to cut.
  if (listed.How == Answer::Value &&
      listed.AnsiValue.size() < static_cast<std::size_t>(bufferSize)) {
    return AnsiToUtf8(listed.AnsiValue);
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
  const Listed listed = Find(section, key, file);
  if (listed.How != Answer::AskSystem) {
    return AnsiToUtf8(listed.AnsiValue);
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
