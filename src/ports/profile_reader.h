#pragma once

#include <string>

namespace vestrel {

// The private-profile lookup: section and key compared without regard to case,
// blanks around the value removed, "" for anything missing. At most
// bufferSize - 1 characters come back, as with GetPrivateProfileStringA.
class ProfileReader {
 public:
  virtual ~ProfileReader() = default;
  virtual std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                              const std::string& file, int bufferSize) = 0;
};

}  // namespace vestrel
