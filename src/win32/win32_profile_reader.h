#pragma once

#include "ports/profile_reader.h"

namespace vestrel::win32 {

// GetPrivateProfileStringA; names and values travel in the ANSI code page.
class Win32ProfileReader : public ProfileReader {
 public:
  std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                      const std::string& file, int bufferSize) override;
  // Grows the buffer until the lookup's count shows the value fit.
  std::string GetWholeValue(const std::string& section, const std::string& key,
                            const std::string& file) override;
};

}  // namespace vestrel::win32
