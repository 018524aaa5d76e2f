#pragma once

namespace vestrel {

// Closes the main window, which runs the panel's shutdown and ends the program.
// Only the Windows program owns the window, so the core can only ask. The
// shutdown always proceeds once asked; a request that arrives while the
// window is already closing changes nothing.
class MainWindowCloser {
 public:
  virtual ~MainWindowCloser() = default;
  virtual void RequestClose() = 0;
};

}  // namespace vestrel
