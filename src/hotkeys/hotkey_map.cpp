#include "hotkeys/hotkey_map.h"

#include <array>
#include <string>

#include "contract/automation_contract.h"

namespace vestrel {
namespace {

struct SettingKey {
  std::string_view Setting;
  const std::optional<KeyChord>& Chord;
  HotkeyCommand Command;
  std::optional<ControlId> Button;
};

}  // namespace

HotkeyMap::HotkeyMap(const HotkeySettings& settings, bool withLadder, EventLog& appLog,
                     UiLanguage language) {
  constexpr UiText kAlreadyKeyOf{" is already the key of ", " уже клавиша "};
  constexpr UiText kStaysOff{"; this key stays off.", "; эта клавиша не действует."};
  using enum HotkeyCommand;
  const std::optional<KeyChord> none;
  const std::array<SettingKey, 9> keys{{
      {contract::kMaxBidHotkey, settings.MaxBid, Button, ControlId::cmdMaxBid},
      {contract::kBestBidHotkey, settings.BestBid, Button, ControlId::cmdBestBid},
      {contract::kBestAskHotkey, settings.BestAsk, Button, ControlId::cmdBestAsk},
      {contract::kMaxAskHotkey, settings.MaxAsk, Button, ControlId::cmdMaxAsk},
      {contract::kReverseHotkey, settings.Reverse, Button, ControlId::cmdReverse},
      {contract::kKillHotkey, settings.Kill, Button, ControlId::cmdKillOrders},
      {contract::kFlattenHotkey, settings.Flatten, Flatten, std::nullopt},
      // Without a ladder its keys are nobody's: not bound, not registered.
      {contract::kLadderHotkey, withLadder ? settings.Ladder : none, ShowHideLadder, std::nullopt},
      {contract::kCentreHotkey, withLadder ? settings.Centre : none, CentreLadder, std::nullopt},
  }};
  for (const auto& key : keys) {
    if (!key.Chord) {
      continue;
    }
    if (const HotkeyBinding* taken = Find(*key.Chord); taken != nullptr) {
      std::string text = contract::IniSectionPrefix(contract::kHotkeysSection);
      text += key.Setting;
      text += '=';
      text += KeyChordText(*key.Chord);
      text += kAlreadyKeyOf.In(language);
      text += taken->Setting;
      text += kStaysOff.In(language);
      WriteWarning(appLog, text);
      continue;
    }
    bindings_.push_back({key.Setting, *key.Chord, key.Command, key.Button});
  }
}

const HotkeyBinding* HotkeyMap::Find(const KeyChord& chord) const {
  for (const HotkeyBinding& binding : bindings_) {
    if (binding.Chord == chord) {
      return &binding;
    }
  }
  return nullptr;
}

}  // namespace vestrel
