#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "models/main_window_model.h"
#include "ports/event_log.h"
#include "ports/regional_settings.h"
#include "settings/extension_settings.h"
#include "settings/key_chord.h"

namespace vestrel {

// What a key of the [Hotkeys] section does.
enum class HotkeyCommand {
  Button,   // presses its button
  Flatten,  // one order closing the whole position; no button of its own
  ShowHideLadder,
  CentreLadder,
};

// One key of the [Hotkeys] section and what it does.
struct HotkeyBinding {
  std::string_view Setting;  // the key's name in the section: "BestBid"
  KeyChord Chord;
  HotkeyCommand Command = HotkeyCommand::Button;
  std::optional<ControlId> Button;  // for HotkeyCommand::Button
};

// The trader's keys: which chord does what. A chord matches only with
// exactly the modifiers it was given (Ctrl+F2 is not F2).
class HotkeyMap {
 public:
  HotkeyMap() = default;
  // The keys the settings give; the ladder's two only when the panel has a
  // ladder. A chord given to a second command stays with the first one: the
  // second is one warning in the application log and has no key.
  HotkeyMap(const HotkeySettings& settings, bool withLadder, EventLog& appLog,
            UiLanguage language = UiLanguage::English);

  // The binding of the chord; null for a chord of no command.
  const HotkeyBinding* Find(const KeyChord& chord) const;
  const std::vector<HotkeyBinding>& Bindings() const { return bindings_; }

 private:
  std::vector<HotkeyBinding> bindings_;
};

}  // namespace vestrel
