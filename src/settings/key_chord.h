#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vestrel {

// A key with the modifiers that must be held with it. Keys carry the
// platform's virtual-key numbers (F1 0x70, A 0x41, 0 0x30, Space 0x20, Num0
// 0x60), which every keyboard message of the window system speaks.
struct KeyChord {
  std::uint16_t VirtualKey = 0;
  bool Ctrl = false;
  bool Alt = false;
  bool Shift = false;
  bool operator==(const KeyChord&) const = default;
};

// Reads "F2", "Ctrl+F2", "Shift+Alt+B", "Space", "Num5": F1 to F24, A to Z,
// 0 to 9, Space and Num0 to Num9, after any of Ctrl+, Alt+ and Shift+ in any
// order, names compared without regard to case. Empty when the text names no
// such key.
std::optional<KeyChord> ParseKeyChord(std::string_view text);

// The chord as ParseKeyChord reads it: "Ctrl+Alt+Shift+F2".
std::string KeyChordText(const KeyChord& chord);

}  // namespace vestrel
