#pragma once

#include <string>

namespace vestrel {

// What the main window's start-up, resize and tray handlers ask of the
// window system beyond the window model.
class MainWindowShell {
 public:
  virtual ~MainWindowShell() = default;
  // Puts the program's icon into the notification area with the tip given
  // (the window caption); its mouse messages go to the tray picture box.
  virtual void AddTrayIcon(const std::string& tip) = 0;
  // Removes the icon; harmless when there is none.
  virtual void DeleteTrayIcon() = 0;
  virtual void HideWindow() = 0;
  virtual void ShowWindow() = 0;
  // Sets the window state to normal, which raises the resize event.
  virtual void RestoreWindow() = 0;
  // The program's own folder, without a trailing separator except at a drive root.
  virtual std::string ProgramFolder() = 0;
  // Any thread: the window's thread is to call Panel::TerminalEventsArrived
  // soon (a posted message). Quick, and never waits for the window's thread.
  virtual void WakeFromAnyThread() = 0;
};

}  // namespace vestrel
