#include "hotkeys/hotkey_map.h"

#include <string>

namespace vestrel {

HotkeyMap::HotkeyMap(const HotkeySettings& settings, EventLog& appLog) {
  const struct {
    std::string_view Setting;
    const std::optional<KeyChord>& Chord;
    ControlId Button;
  } keys[] = {
      {"MaxBid", settings.MaxBid, ControlId::cmdMaxBid},
      {"BestBid", settings.BestBid, ControlId::cmdBestBid},
      {"BestAsk", settings.BestAsk, ControlId::cmdBestAsk},
      {"MaxAsk", settings.MaxAsk, ControlId::cmdMaxAsk},
      {"Reverse", settings.Reverse, ControlId::cmdReverse},
      {"Kill", settings.Kill, ControlId::cmdKillOrders},
  };
  for (const auto& key : keys) {
    if (!key.Chord) {
      continue;
    }
    if (Find(*key.Chord)) {
      const std::string text = KeyChordText(*key.Chord);
      std::string owner;
      for (const HotkeyBinding& binding : bindings_) {
        if (binding.Chord == *key.Chord) {
          owner = binding.Setting;
        }
      }
      appLog.Write("Marlowin.ini [Hotkeys] " + std::string(key.Setting) + "=" + text +
                       " is already the key of " + owner + "; this key stays off.",
                   EventType::Warning);
      continue;
    }
    bindings_.push_back({key.Setting, *key.Chord, key.Button});
  }
}

std::optional<ControlId> HotkeyMap::Find(const KeyChord& chord) const {
  for (const HotkeyBinding& binding : bindings_) {
    if (binding.Chord == chord) {
      return binding.Button;
    }
  }
  return std::nullopt;
}

}  // namespace vestrel
