#include "win32/library_message_buffer.h"

#include <cstring>
#include <string_view>

#include "win32/text_encoding.h"

namespace vestrel::win32 {

std::vector<char> MessageBuffer(std::int32_t size) {
  return std::vector<char>(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
}

std::string BufferText(const std::vector<char>& buffer) {
  if (buffer.empty()) {
    return {};
  }
  const auto* end = static_cast<const char*>(std::memchr(buffer.data(), '\0', buffer.size()));
  const std::size_t length =
      end != nullptr ? static_cast<std::size_t>(end - buffer.data()) : buffer.size();
  return AnsiToUtf8(std::string_view(buffer.data(), length));
}

}  // namespace vestrel::win32
