#include "win32/win32_regional_settings.h"

#include "win32/text_encoding.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {
namespace {

char ReadDecimalSeparator() {
  wchar_t separator[8] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, std::size(separator)) == 0 ||
      separator[0] == L'\0' || separator[0] > 0x7F) {
    return '.';
  }
  return static_cast<char>(separator[0]);
}

}  // namespace

Win32RegionalSettings::Win32RegionalSettings()
    : decimalSeparator_(ReadDecimalSeparator()),
      language_(PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_RUSSIAN ? UiLanguage::Russian
                                                                          : UiLanguage::English) {}

std::string Win32RegionalSettings::GeneralDate(const LocalDateTime& when) const {
  SYSTEMTIME time{};
  time.wYear = static_cast<WORD>(when.Year);
  time.wMonth = static_cast<WORD>(when.Month);
  time.wDay = static_cast<WORD>(when.Day);
  time.wHour = static_cast<WORD>(when.Hour);
  time.wMinute = static_cast<WORD>(when.Minute);
  time.wSecond = static_cast<WORD>(when.Second);
  wchar_t date[80] = {};
  wchar_t clock[80] = {};
  GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date, std::size(date));
  GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, nullptr, clock, std::size(clock));
  return WideToUtf8(date) + " " + WideToUtf8(clock);
}

std::string Win32RegionalSettings::AnsiToUtf8(std::string_view bytes) const {
  return win32::AnsiToUtf8(bytes);
}

LocalDateTime Win32RegionalSettings::Now() const {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

}  // namespace vestrel::win32
