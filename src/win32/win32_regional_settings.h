#pragma once

#include "ports/regional_settings.h"

namespace vestrel::win32 {

// The user's regional settings (read once) and the local clock.
class Win32RegionalSettings : public RegionalSettings {
 public:
  Win32RegionalSettings();
  char DecimalSeparator() const override { return decimalSeparator_; }
  std::string GeneralDate(const LocalDateTime& when) const override;
  LocalDateTime Now() const override;
  std::string AnsiToUtf8(std::string_view bytes) const override;
  UiLanguage InterfaceLanguage() const override { return language_; }

 private:
  char decimalSeparator_;
  UiLanguage language_;
};

}  // namespace vestrel::win32
