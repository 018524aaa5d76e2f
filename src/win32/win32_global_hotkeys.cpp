#include "win32/win32_global_hotkeys.h"

namespace vestrel::win32 {

bool Win32GlobalHotkeys::Register(std::uint16_t virtualKey, bool ctrl, bool alt, bool shift) {
  if (window_ == nullptr) {
    return false;
  }
  const UINT modifiers =
      (ctrl ? MOD_CONTROL : 0U) | (alt ? MOD_ALT : 0U) | (shift ? MOD_SHIFT : 0U);
  // Identifiers of an application's keys lie below 0xC000.
  const int id = static_cast<int>(ids_.size()) + 1;
  // A key held down must not repeat an order. Systems before Windows 7
  // refuse the flag; there the key is registered without it.
  if (RegisterHotKey(window_, id, modifiers | MOD_NOREPEAT, virtualKey) == FALSE &&
      RegisterHotKey(window_, id, modifiers, virtualKey) == FALSE) {
    return false;
  }
  ids_.push_back(id);
  return true;
}

void Win32GlobalHotkeys::UnregisterAll() {
  for (const int id : ids_) {
    UnregisterHotKey(window_, id);
  }
  ids_.clear();
}

}  // namespace vestrel::win32
