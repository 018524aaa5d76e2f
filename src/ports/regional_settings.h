#pragma once

#include <string>
#include <string_view>

namespace vestrel {

struct LocalDateTime {
  int Year = 0;
  int Month = 0;
  int Day = 0;
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
};

// The language of the user's interface, for the panel's own texts to the
// trader (the status line): Russian or, for any other, English.
enum class UiLanguage { English, Russian };

// One of the panel's own texts to the trader, in both languages.
struct UiText {
  const char* English;
  const char* Russian;
  const char* In(UiLanguage language) const {
    return language == UiLanguage::Russian ? Russian : English;
  }
};

// The user's regional settings and the local clock.
class RegionalSettings {
 public:
  virtual ~RegionalSettings() = default;
  virtual char DecimalSeparator() const = 0;
  // The general date format: short date, a blank, long time.
  virtual std::string GeneralDate(const LocalDateTime& when) const = 0;
  virtual LocalDateTime Now() const = 0;
  // Text in the system's ANSI code page (what the terminal's XLTable strings
  // carry) as UTF-8, the core's encoding.
  virtual std::string AnsiToUtf8(std::string_view bytes) const = 0;
  virtual UiLanguage InterfaceLanguage() const = 0;
};

}  // namespace vestrel
