#include "hotkeys/hotkey_map.h"

#include <array>
#include <string>

#include "contract/automation_contract.h"

namespace vestrel {
namespace {

struct SettingKey {
  std::string_view Setting;
  const std::optional<KeyChord>& Chord;
  std::optional<ControlId> Button;
};

}  // namespace

HotkeyMap::HotkeyMap(const HotkeySettings& settings, EventLog& appLog, UiLanguage language) {
  constexpr UiText kAlreadyKeyOf{" is already the key of ", " уже клавиша "};
  constexpr UiText kStaysOff{"; this key stays off.", "; эта клавиша не действует."};
  const std::array<SettingKey, 7> keys{{
      {contract::kMaxBidHotkey, settings.MaxBid, ControlId::cmdMaxBid},
      {contract::kBestBidHotkey, settings.BestBid, ControlId::cmdBestBid},
      {contract::kBestAskHotkey, settings.BestAsk, ControlId::cmdBestAsk},
      {contract::kMaxAskHotkey, settings.MaxAsk, ControlId::cmdMaxAsk},
      {contract::kReverseHotkey, settings.Reverse, ControlId::cmdReverse},
      {contract::kKillHotkey, settings.Kill, ControlId::cmdKillOrders},
      {contract::kFlattenHotkey, settings.Flatten, std::nullopt},
  }};
  for (const auto& key : keys) {
    if (!key.Chord) {
      continue;
    }
    if (Binding(*key.Chord) != nullptr) {
      std::string text = contract::IniSectionPrefix(contract::kHotkeysSection);
      text += key.Setting;
      text += '=';
      text += KeyChordText(*key.Chord);
      text += kAlreadyKeyOf.In(language);
      for (const HotkeyBinding& binding : bindings_) {
        if (binding.Chord == *key.Chord) {
          text += binding.Setting;
        }
      }
      text += kStaysOff.In(language);
      WriteWarning(appLog, text);
      continue;
    }
    bindings_.push_back({key.Setting, *key.Chord, key.Button});
  }
}

const HotkeyBinding* HotkeyMap::Binding(const KeyChord& chord) const {
  for (const HotkeyBinding& binding : bindings_) {
    if (binding.Chord == chord) {
      return &binding;
    }
  }
  return nullptr;
}

std::optional<ControlId> HotkeyMap::Find(const KeyChord& chord) const {
  const HotkeyBinding* binding = Binding(chord);
  return binding != nullptr ? binding->Button : std::nullopt;
}

bool HotkeyMap::IsFlatten(const KeyChord& chord) const {
  const HotkeyBinding* binding = Binding(chord);
  return binding != nullptr && !binding->Button;
}

}  // namespace vestrel
