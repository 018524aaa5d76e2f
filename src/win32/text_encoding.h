#pragma once

#include <string>
#include <string_view>

namespace vestrel::win32 {

// The core speaks UTF-8; Windows speaks UTF-16 and, for 8-bit files and the
// transaction library, the system's ANSI code page.
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);
std::string Utf8ToAnsi(std::string_view text);
std::string AnsiToUtf8(std::string_view text);

}  // namespace vestrel::win32
