#pragma once

#include "ports/main_window_shell.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {

// The main window's dealings with the shell: the notification-area icon,
// whose mouse messages arrive at the tray picture box as WM_MOUSEMOVE with the
// mouse message in lParam, and hiding, showing and restoring the window.
class Win32MainWindowShell : public MainWindowShell {
 public:
  // The window and its tray picture box, once they exist.
  void Attach(HWND window, HWND trayPicture, HICON icon) {
    window_ = window;
    trayPicture_ = trayPicture;
    icon_ = icon;
  }

  void AddTrayIcon(const std::string& tip) override;
  void DeleteTrayIcon() override;
  void HideWindow() override;
  void ShowWindow() override;
  void RestoreWindow() override;
  std::string ProgramFolder() override;
  void WakeFromAnyThread() override;

 private:
  NOTIFYICONDATAA Record() const;

  HWND window_ = nullptr;
  HWND trayPicture_ = nullptr;
  HICON icon_ = nullptr;
};

}  // namespace vestrel::win32
