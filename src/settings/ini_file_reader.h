#pragma once

#include "ports/profile_reader.h"

namespace vestrel {

// The private-profile lookup on platforms that lack one: the file is read on
// every call; "[section]" headers and "key=value" lines, names compared
// without regard to case, blanks and one pair of enclosing quotes removed from
// the value, lines starting with ';' ignored. A missing file, section or key
// gives "".
class IniFileReader : public ProfileReader {
 public:
  std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                      const std::string& file, int bufferSize) override;
};

}  // namespace vestrel
