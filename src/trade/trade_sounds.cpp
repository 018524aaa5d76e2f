#include "trade/trade_sounds.h"

#include "contract/automation_contract.h"

namespace vestrel {

void TradeSounds::OnFill() { Play(contract::kFillSoundKey, fillFile_); }

void TradeSounds::OnRefused() { Play(contract::kRefusedSoundKey, refusedFile_); }

void TradeSounds::Play(const char* key, const std::string& file) {
  if (file.empty() || player_.Play(file)) {
    return;
  }
  if (!warned_.insert(file).second) {
    return;
  }
  constexpr UiText kCannotPlay{" cannot be played; that sound stays off.",
                               " не удаётся воспроизвести; этот звук выключен."};
  WriteWarning(appLog_, contract::IniSectionPrefix(contract::kSoundSection) + key + "=" + file +
                            kCannotPlay.In(regional_.InterfaceLanguage()));
}

}  // namespace vestrel
