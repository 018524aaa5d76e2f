#include "win32/text_encoding.h"

#include "win32/windows_api.h"

namespace vestrel::win32 {
namespace {

std::wstring ToWide(std::string_view text, UINT codePage) {
  if (text.empty()) {
    return {};
  }
  const int size =
      MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

std::string FromWide(std::wstring_view text, UINT codePage) {
  if (text.empty()) {
    return {};
  }
  const int size = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), narrow.data(), size,
                      nullptr, nullptr);
  return narrow;
}

}  // namespace

std::wstring Utf8ToWide(std::string_view text) { return ToWide(text, CP_UTF8); }
std::string WideToUtf8(std::wstring_view text) { return FromWide(text, CP_UTF8); }
std::string Utf8ToAnsi(std::string_view text) { return FromWide(Utf8ToWide(text), CP_ACP); }
std::string AnsiToUtf8(std::string_view text) { return WideToUtf8(ToWide(text, CP_ACP)); }

}  // namespace vestrel::win32
