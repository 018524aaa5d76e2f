#pragma once

#include <string>

namespace vestrel {

// Plays a wave file without waiting for it to end.
class SoundPlayer {
 public:
  virtual ~SoundPlayer() = default;
  // Starts playing file (a full path) and returns at once; false when it
  // cannot be played (no such file, not a sound). A sound still playing is
  // cut short.
  virtual bool Play(const std::string& file) = 0;
};

}  // namespace vestrel
