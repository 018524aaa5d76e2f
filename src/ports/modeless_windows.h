#pragma once

namespace vestrel {

// The panel's two secondary windows, shown modeless and without an owner.
// Showing the log window brings back the one window that exists from
// start-up, with all its lines; the About dialog is created when it does not
// exist yet, and a second request brings back the open one. A failure throws
// AppError.
class ModelessWindows {
 public:
  virtual ~ModelessWindows() = default;
  virtual void ShowLog() = 0;
  virtual void ShowAbout() = 0;
};

}  // namespace vestrel
