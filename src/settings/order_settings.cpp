#include "settings/order_settings.h"

#include <cmath>
#include <optional>

#include "common/app_error.h"
#include "common/conversions.h"
#include "contract/automation_contract.h"

namespace vestrel {
namespace {

// The number either decimal separator makes of the text; none for text that
// is no number.
std::optional<double> EitherSeparatorNumber(const std::string& text) {
  for (const char separator : {'.', ','}) {
    try {
      return ToNumber(text, separator);
    } catch (const AppError&) {
    }
  }
  return std::nullopt;
}

}  // namespace

OrderSettings ReadOrderSettings(ProfileReader& reader, const std::string& iniFile, EventLog& appLog,
                                UiLanguage language) {
  constexpr UiText kNotATick{
      " is not a price step (a number above 0); this feature stays off.",
      " не шаг цены (число больше 0); эта возможность остаётся выключенной."};
  OrderSettings settings;
  const std::string text =
      reader.GetWholeValue(contract::kOrdersSection, contract::kTickKey, iniFile);
  if (text.empty()) {
    return settings;
  }
  const std::optional<double> tick = EitherSeparatorNumber(text);
  if (!tick || !std::isfinite(*tick) || *tick < 0) {
    WriteWarning(appLog, contract::IniSectionPrefix(contract::kOrdersSection) + contract::kTickKey +
                             "=" + text + kNotATick.In(language));
    return settings;
  }
  settings.Tick = *tick;
  return settings;
}

}  // namespace vestrel
