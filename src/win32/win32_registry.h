#pragma once

#include "ports/registry.h"

namespace vestrel::win32 {

// The registry through advapi32's 8-bit functions: key paths and value names
// go out in the system's ANSI code page, text values come back as UTF-8.
class Win32Registry : public Registry {
 public:
  bool OpenKey(RegistryRoot root, const std::string& keyPath, std::uint32_t accessMask,
               RegistryKey& key) override;
  bool QueryValue(RegistryKey key, const std::string& valueName, std::size_t bufferSize,
                  RegistryValue& value) override;
  void CloseKey(RegistryKey key) override;
};

}  // namespace vestrel::win32
