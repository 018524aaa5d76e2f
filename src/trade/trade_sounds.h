#pragma once

#include <set>
#include <string>
#include <utility>

#include "ports/event_log.h"
#include "ports/regional_settings.h"
#include "ports/sound_player.h"

namespace vestrel {

// The trader's sounds: one on each fill, one on each order the panel or the
// terminal refuses. Each is played without waiting, so a sound never holds
// up the window or an order. A file that cannot be played is one warning in
// the application log, once for that file; later tries stay silent.
class TradeSounds {
 public:
  TradeSounds(SoundPlayer& player, EventLog& appLog, const RegionalSettings& regional)
      : player_(player), appLog_(appLog), regional_(regional) {}

  TradeSounds(const TradeSounds&) = delete;
  TradeSounds& operator=(const TradeSounds&) = delete;

  // The files, full paths; empty for no sound.
  void Use(std::string fillFile, std::string refusedFile) {
    fillFile_ = std::move(fillFile);
    refusedFile_ = std::move(refusedFile);
  }

  // Never fail: a sound that cannot be played is only its warning.
  void OnFill() noexcept;
  void OnRefused() noexcept;

 private:
  void Play(const char* key, const std::string& file) noexcept;

  SoundPlayer& player_;
  EventLog& appLog_;
  const RegionalSettings& regional_;
  std::string fillFile_;
  std::string refusedFile_;
  std::set<std::string> warned_;
};

}  // namespace vestrel
