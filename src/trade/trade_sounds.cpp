#include "trade/trade_sounds.h"

#include "contract/automation_contract.h"

namespace vestrel {

void TradeSounds::OnFill() noexcept { Play(contract::kFillSoundKey, fillFile_); }

void TradeSounds::OnRefused() noexcept { Play(contract::kRefusedSoundKey, refusedFile_); }

void TradeSounds::Play(const char* key, const std::string& file) noexcept {
  if (file.empty()) {
    return;
  }
  // A sound is never worth an order's record: it is played between the send
  // and the reply's log lines, so nothing here may fail.
  try {
    bool played = false;
    try {
      played = player_.Play(file);
    } catch (...) {
      played = false;
    }
    if (played || !warned_.insert(file).second) {
      return;
    }
    constexpr UiText kCannotPlay{" cannot be played (no such file, or not a wave sound).",
                                 " не воспроизводится (нет такого файла, или это не звук wave)."};
    WriteWarning(appLog_, contract::IniSectionPrefix(contract::kSoundSection) + key + "=" + file +
                              kCannotPlay.In(regional_.InterfaceLanguage()));
  } catch (...) {
    // Out of memory for a warning: the trade goes on without it.
  }
}

}  // namespace vestrel
