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

// One key of the [Hotkeys] section and the button it presses; none for
// Flatten, a command without a button.
struct HotkeyBinding {
  std::string_view Setting;  // the key's name in the section: "BestBid"
  KeyChord Chord;
  std::optional<ControlId> Button;
};

// The trader's keys: which chord presses which button. A chord matches only
// with exactly the modifiers it was given (Ctrl+F2 is not F2).
class HotkeyMap {
 public:
  HotkeyMap() = default;
  // The keys the settings give. A chord given to a second command stays
  // with the first one: the second is one warning in the application log
  // and has no key.
  HotkeyMap(const HotkeySettings& settings, EventLog& appLog,
            UiLanguage language = UiLanguage::English);

  // The button the chord presses; none for a chord of no button.
  std::optional<ControlId> Find(const KeyChord& chord) const;
  // Whether the chord is [Hotkeys] Flatten's.
  bool IsFlatten(const KeyChord& chord) const;
  const std::vector<HotkeyBinding>& Bindings() const { return bindings_; }

 private:
  const HotkeyBinding* Binding(const KeyChord& chord) const;

  std::vector<HotkeyBinding> bindings_;
};

}  // namespace vestrel
