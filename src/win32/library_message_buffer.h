#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vestrel::win32 {

// A buffer of the caller's size for a message the transaction library
// writes (none for a size of 0 or less).
std::vector<char> MessageBuffer(std::int32_t size);

// A message the library wrote into its buffer, as UTF-8: up to the first
// NUL, or the whole buffer when it holds none.
std::string BufferText(const std::vector<char>& buffer);

}  // namespace vestrel::win32
