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
// file does not have. So the file's section names and a section's entries
// are each listed in one call and kept for a second: a key they certainly do
// not hold is "" at once, a plain value is taken from its entry, and anything
// the system might read otherwise (quotes, tabs, a name given twice, other
// letters, a value longer than the buffer) is looked up as always, so what
// comes back is exactly the system's.
class Win32ProfileReader : public ProfileReader {
 public:
  std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                      const std::string& file, int bufferSize) override;
  // Grows the buffer until the lookup's count shows the value fit.
  std::string GetWholeValue(const std::string& section, const std::string& key,
                            const std::string& file) override;

 private:
  enum class Answer {
    Absent,     // certainly not in the file: ""
    Value,      // the value, exactly as a lookup gives it
    AskSystem,  // only a lookup can tell
  };
  struct Listed {
    Answer How = Answer::AskSystem;
    std::string AnsiValue;
  };
  // What the listed sections and entries tell of the key.
  Listed Find(const std::string& section, const std::string& key, const std::string& file);

  // What the system listed, and when.
  struct SystemList {
    std::uint64_t ReadAt = 0;  // GetTickCount64
    std::vector<std::string> Items;
  };
  std::map<std::string, SystemList> sectionsOfFile_;
  std::map<std::pair<std::string, std::string>, SystemList> entriesOfSection_;
};

}  // namespace vestrel::win32
