#pragma once

#include <cstdint>

namespace vestrel {

// Keys the window system hands to the panel whichever program has the
// keyboard focus. A registered key arrives as a key press of the panel.
class GlobalHotkeys {
 public:
  virtual ~GlobalHotkeys() = default;
  // Registers the key (a virtual-key number) with exactly these modifiers;
  // false when the system refuses it, usually because another program holds
  // that key.
  virtual bool Register(std::uint16_t virtualKey, bool ctrl, bool alt, bool shift) = 0;
  // Gives back every key registered; harmless when there is none.
  virtual void UnregisterAll() = 0;
};

}  // namespace vestrel
