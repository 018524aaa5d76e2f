#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ports/event_log.h"
#include "ports/profile_reader.h"
#include "settings/key_chord.h"
#include "settings/order_settings.h"

namespace vestrel {

// The optional sections of the settings file after [Main]. An absent section
// or key, or 0, leaves the feature off and the panel as it always was.

// [Guard]: times in milliseconds, 0 for off.
struct GuardSettings {
  std::int32_t StaleAfterMs = 0;
  std::int32_t MinClickIntervalMs = 0;
  std::int32_t ConnectionCheckMs = 0;
};

// [Hotkeys]: a key per command, none for no key.
struct HotkeySettings {
  std::optional<KeyChord> MaxBid;
  std::optional<KeyChord> BestBid;
  std::optional<KeyChord> BestAsk;
  std::optional<KeyChord> MaxAsk;
  std::optional<KeyChord> Reverse;
  std::optional<KeyChord> Kill;
  // The ladder's own keys: show or hide it, and centre it again.
  std::optional<KeyChord> Ladder;
  std::optional<KeyChord> Centre;
  // The same keys also while another program has the focus.
  bool Global = false;
};

// [View]
struct ViewSettings {
  bool AlwaysOnTop = false;
};

// [Record]: the file every poke is appended to; empty for none.
struct RecordSettings {
  std::string File;
};

// [Paper]: a value that cannot be read turns paper on, the side where no
// real money moves.
struct PaperSettings {
  bool Enabled = false;
};

// [Ladder]
struct LadderSettings {
  bool Enabled = false;
};

struct ExtensionSettings {
  GuardSettings Guard;
  HotkeySettings Hotkeys;
  ViewSettings View;
  RecordSettings Record;
  PaperSettings Paper;
  OrderSettings Orders;
  LadderSettings Ladder;
};

// Reads the optional sections. Never fails: a value that cannot be read is
// one warning in the application log naming the section, the key and the
// value, and that one feature stays off ([Paper] Enabled excepted: it turns
// paper on). The warnings are in the trader's interface language; the
// section, key and value in them as the file has them.
ExtensionSettings ReadExtensionSettings(ProfileReader& reader, const std::string& iniFile,
                                        EventLog& appLog,
                                        UiLanguage language = UiLanguage::English);

}  // namespace vestrel
