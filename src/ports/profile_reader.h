#pragma once

#include <cstddef>
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

  // The value however long. A value that filled the buffer may have been cut:
  // it is read again with twice the room until it leaves room spare.
  virtual std::string GetWholeValue(const std::string& section, const std::string& key,
                                    const std::string& file) {
    constexpr int kLargest = 1 << 24;  // far beyond any line a settings file holds
    for (int size = 128;; size *= 2) {
      std::string value = GetPrivateProfileString(section, key, file, size);
      if (value.size() + 1 < static_cast<std::size_t>(size) || size >= kLargest) {
        return value;
      }
    }
  }
};

}  // namespace vestrel
