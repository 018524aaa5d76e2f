#include "settings/order_settings.h"

#include <cmath>
#include <optional>

#include "common/app_error.h"
#include "common/conversions.h"

namespace vestrel {
namespace {

// As long a value as the other sections read.
constexpr int kValueBufferSize = 127;

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

OrderSettings ReadOrderSettings(ProfileReader& reader, const std::string& iniFile,
                                EventLog& appLog) {
  OrderSettings settings;
  const std::string text =
      reader.GetPrivateProfileString("Orders", "Tick", iniFile, kValueBufferSize);
  if (text.empty()) {
    return settings;
  }
  const std::optional<double> tick = EitherSeparatorNumber(text);
  if (!tick || !std::isfinite(*tick) || *tick < 0) {
    appLog.Write("Marlowin.ini [Orders] Tick=" + text +
                     " is not a price step (a number above 0); this feature stays off.",
                 EventType::Warning);
    return settings;
  }
  settings.Tick = *tick;
  return settings;
}

}  // namespace vestrel
