#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vestrel {

// The registry's predefined roots.
enum class RegistryRoot { ClassesRoot, CurrentUser, LocalMachine, Users };

// An open key, as the platform hands it out.
using RegistryKey = std::uintptr_t;

// Value types the program tells apart.
inline constexpr std::uint32_t kRegistryText = 1;  // REG_SZ

// A value as the registry returned it: its type and the bytes written into
// the caller's buffer. Values of the text types (plain, expandable, multiple
// texts) come converted from the system's code page to UTF-8, every NUL kept
// where it was, so a terminating NUL is still the last byte.
struct RegistryValue {
  std::uint32_t Type = 0;
  std::string Data;
};

// Open a key, query one value, close the key. Paths and names are UTF-8.
// Failures are answers (false), not errors.
class Registry {
 public:
  virtual ~Registry() = default;
  // Opens the key with the given access mask. False when the key is missing
  // or the user may not open it with that access.
  virtual bool OpenKey(RegistryRoot root, const std::string& keyPath, std::uint32_t accessMask,
                       RegistryKey& key) = 0;
  // Reads the named value into a buffer of bufferSize bytes. False when the
  // value is missing, does not fit or cannot be read.
  virtual bool QueryValue(RegistryKey key, const std::string& valueName, std::size_t bufferSize,
                          RegistryValue& value) = 0;
  virtual void CloseKey(RegistryKey key) = 0;
};

}  // namespace vestrel
