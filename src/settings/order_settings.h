#pragma once

#include <string>

#include "ports/event_log.h"
#include "ports/profile_reader.h"
#include "ports/regional_settings.h"

namespace vestrel {

// [Orders]
struct OrderSettings {
  // The instrument's price step: every price the panel sends is moved onto
  // its multiples, a buy up and a sell down. 0 for none: prices go out as
  // worked out.
  double Tick = 0;
};

// Reads [Orders]. Tick is a number above 0 with '.' or ',' before its
// fraction; absent or 0 is off. Anything else is one warning in the
// application log naming the section, the key and the value, and Tick stays
// off. The warning is in the trader's interface language.
OrderSettings ReadOrderSettings(ProfileReader& reader, const std::string& iniFile, EventLog& appLog,
                                UiLanguage language = UiLanguage::English);

}  // namespace vestrel
