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
  // One order closing the whole position; no button of its own.
  std::optional<KeyChord> Flatten;
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

// [Risk]: the trader's limits, 0 for off. A value that cannot be read fails
// safe: Unreadable is set, and until the file is mended only orders that
// reduce the position (and Kill) go out.
struct RiskSettings {
  // The most lots the position may reach either way, counting the working
  // orders of its side.
  std::int64_t MaxPosition = 0;
  // The day's loss (realised plus open, price points) at which only orders
  // that reduce the position go out.
  double DailyLossLimit = 0;
  bool Unreadable = false;
  bool AnyLimit() const { return MaxPosition > 0 || DailyLossLimit > 0 || Unreadable; }
};

// [Sound]: wave files, as the file gives them (relative to the program's
// folder or absolute); empty for none.
struct SoundSettings {
  std::string Fill;
  std::string Refused;
};

// [Live]: what the terminal's library streams and how orders go out. Both
// off in paper mode.
struct LiveSettings {
  // The panel follows its orders, fills and position from the terminal's
  // order and trade streams.
  bool Orders = false;
  // Transactions go out without waiting for the terminal; each reply is
  // written when it comes.
  bool Async = false;
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
  RiskSettings Risk;
  SoundSettings Sound;
  LiveSettings Live;
  LadderSettings Ladder;
};

// Reads the optional sections. Never fails: a value that cannot be read is
// one warning in the application log naming the section, the key and the
// value, and that one feature stays off ([Paper] Enabled excepted: it turns
// paper on; [Risk] fails safe, see RiskSettings). In paper mode [Live] is
// ignored, with one warning when it asks for anything. The warnings are in
// the trader's interface language; the section, key and value in them as the
// file has them.
ExtensionSettings ReadExtensionSettings(ProfileReader& reader, const std::string& iniFile,
                                        EventLog& appLog,
                                        UiLanguage language = UiLanguage::English);

}  // namespace vestrel
