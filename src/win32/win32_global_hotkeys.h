#pragma once

#include <vector>

#include "ports/global_hotkeys.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {

// System-wide keys through RegisterHotKey: each arrives at the main window as
// WM_HOTKEY, whose lParam carries the modifiers and the key.
class Win32GlobalHotkeys : public GlobalHotkeys {
 public:
  ~Win32GlobalHotkeys() override { UnregisterAll(); }

  // The window the keys are delivered to, once it exists.
  void Attach(HWND window) { window_ = window; }

  bool Register(std::uint16_t virtualKey, bool ctrl, bool alt, bool shift) override;
  void UnregisterAll() override;

 private:
  HWND window_ = nullptr;
  std::vector<int> ids_;
};

}  // namespace vestrel::win32
