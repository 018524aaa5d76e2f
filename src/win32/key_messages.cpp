#include "win32/key_messages.h"

namespace vestrel::win32 {
namespace {

// A key message's flags in lParam.
constexpr LPARAM kAltDownFlag = LPARAM{1} << 29;
constexpr LPARAM kRepeatFlag = LPARAM{1} << 30;

}  // namespace

KeyChord ChordOf(const MSG& message) {
  KeyChord chord;
  chord.VirtualKey = static_cast<std::uint16_t>(message.wParam);
  chord.Ctrl = GetKeyState(VK_CONTROL) < 0;
  chord.Shift = GetKeyState(VK_SHIFT) < 0;
  chord.Alt = GetKeyState(VK_MENU) < 0 ||
              (message.message == WM_SYSKEYDOWN && (message.lParam & kAltDownFlag) != 0);
  return chord;
}

bool IsAutoRepeat(const MSG& message) { return (message.lParam & kRepeatFlag) != 0; }

KeyChord ChordOfHotkey(LPARAM lParam) {
  const auto modifiers = static_cast<UINT>(LOWORD(lParam));
  KeyChord chord;
  chord.VirtualKey = HIWORD(lParam);
  chord.Ctrl = (modifiers & MOD_CONTROL) != 0;
  chord.Alt = (modifiers & MOD_ALT) != 0;
  chord.Shift = (modifiers & MOD_SHIFT) != 0;
  return chord;
}

PanelInput::SizeKind SizeKindOf(WPARAM wParam) {
  switch (wParam) {
    case SIZE_RESTORED:
      return PanelInput::SizeKind::Restored;
    case SIZE_MINIMIZED:
      return PanelInput::SizeKind::Minimized;
    default:
      return PanelInput::SizeKind::Other;
  }
}

}  // namespace vestrel::win32
