#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ports/profile_reader.h"

namespace vestrel::win32 {

// GetPrivateProfileStringA; names and values travel in the ANSI code page.
//
// Each lookup opens and reads the file anew, a third of a millisecond under
// Wine, and start-up asks for some thirty keys, most of them in sections the
// file does not have. So the file's section names and a section's key names
// are each read in one call and kept for a second: a key they certainly do
// not hold is "" at once, and any other is looked up as always, so what comes
// back is exactly the system's.
class Win32ProfileReader : public ProfileReader {
 public:
  std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                      const std::string& file, int bufferSize) override;
  // Grows the buffer until the lookup's count shows the value fit.
  std::string GetWholeValue(const std::string& section, const std::string& key,
                            const std::string& file) override;

 private:
  // False only when the section certainly has no such key.
  bool MayHold(const std::string& section, const std::string& key, const std::string& file);

  // Names the system listed, and when.
  struct ListedNames {
    std::uint64_t ReadAt = 0;  // GetTickCount64
    std::vector<std::string> Names;
  };
  std::map<std::string, ListedNames> sectionsOfFile_;
  std::map<std::pair<std::string, std::string>, ListedNames> keysOfSection_;
};

}  // namespace vestrel::win32
