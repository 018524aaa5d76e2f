#include "settings/key_chord.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace vestrel {
namespace {

constexpr std::uint16_t kVirtualKeyF1 = 0x70;
constexpr std::uint16_t kVirtualKeyNum0 = 0x60;
constexpr std::uint16_t kVirtualKeySpace = 0x20;

std::string Upper(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return upper;
}

// The number after a prefix ("F12" -> 12), or -1.
int NumberAfter(std::string_view text, std::string_view prefix) {
  if (text.size() <= prefix.size() || text.substr(0, prefix.size()) != prefix) {
    return -1;
  }
  int number = -1;
  const char* end = text.data() + text.size();
  const auto [at, error] = std::from_chars(text.data() + prefix.size(), end, number);
  return error == std::errc{} && at == end ? number : -1;
}

std::optional<std::uint16_t> VirtualKeyOf(const std::string& key) {
  if (key.size() == 1 && ((key[0] >= 'A' && key[0] <= 'Z') || (key[0] >= '0' && key[0] <= '9'))) {
    return static_cast<std::uint16_t>(key[0]);
  }
  if (key == "SPACE") {
    return kVirtualKeySpace;
  }
  if (const int f = NumberAfter(key, "F"); f >= 1 && f <= 24 && key[1] != '0') {
    return static_cast<std::uint16_t>(kVirtualKeyF1 + f - 1);
  }
  if (const int n = NumberAfter(key, "NUM"); n >= 0 && n <= 9 && key.size() == 4) {
    return static_cast<std::uint16_t>(kVirtualKeyNum0 + n);
  }
  return std::nullopt;
}

}  // namespace

std::optional<KeyChord> ParseKeyChord(std::string_view text) {
  KeyChord chord;
  std::string rest = Upper(text);
  for (;;) {
    const std::size_t plus = rest.find('+');
    if (plus == std::string::npos) {
      break;
    }
    const std::string modifier = rest.substr(0, plus);
    bool* flag = modifier == "CTRL"    ? &chord.Ctrl
                 : modifier == "ALT"   ? &chord.Alt
                 : modifier == "SHIFT" ? &chord.Shift
                                       : nullptr;
    if (flag == nullptr || *flag) {
      return std::nullopt;  // an unknown or repeated modifier
    }
    *flag = true;
    rest.erase(0, plus + 1);
  }
  const std::optional<std::uint16_t> key = VirtualKeyOf(rest);
  if (!key) {
    return std::nullopt;
  }
  chord.VirtualKey = *key;
  return chord;
}

std::string KeyChordText(const KeyChord& chord) {
  std::string text;
  text += chord.Ctrl ? "Ctrl+" : "";
  text += chord.Alt ? "Alt+" : "";
  text += chord.Shift ? "Shift+" : "";
  const std::uint16_t key = chord.VirtualKey;
  if (key >= kVirtualKeyF1 && key < kVirtualKeyF1 + 24) {
    text += "F" + std::to_string(key - kVirtualKeyF1 + 1);
  } else if (key >= kVirtualKeyNum0 && key < kVirtualKeyNum0 + 10) {
    text += "Num" + std::to_string(key - kVirtualKeyNum0);
  } else if (key == kVirtualKeySpace) {
    text += "Space";
  } else {
    text += static_cast<char>(key);
  }
  return text;
}

}  // namespace vestrel
