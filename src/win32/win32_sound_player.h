#pragma once

#include "ports/sound_player.h"

namespace vestrel::win32 {

// Wave files through PlaySoundW, asynchronously and never the system's
// default sound in place of a file that cannot be played.
class Win32SoundPlayer : public SoundPlayer {
 public:
  bool Play(const std::string& file) override;
};

}  // namespace vestrel::win32
