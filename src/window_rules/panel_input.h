#pragma once

#include "models/main_window_model.h"
#include "panel/panel.h"
#include "settings/key_chord.h"

namespace vestrel {

// What the main window's input means to the panel. The window turns each
// message into one of these calls and decides nothing itself.
class PanelInput {
 public:
  explicit PanelInput(Panel& panel) : panel_(panel) {}

  // Start-up is over: keys and sizes count from now on.
  void Started() { started_ = true; }
  bool HasStarted() const { return started_; }

  // A key-down the message loop took from the queue, for any of the panel's
  // windows. The trader's keys come before dialog navigation (Tab, Space on
  // the focused button, the About dialog's keys): true when the key was the
  // panel's and goes no further.
  bool KeyDown(const KeyChord& chord, bool autoRepeat);

  // A key registered for the whole system. Like a click, it does nothing
  // while a message box of the panel holds the window (windowEnabled false).
  void SystemKey(const KeyChord& chord, bool windowEnabled);

  enum class SizeKind { Restored, Minimized, Other };
  // The window's size or state changed: outer and client size in twips
  // (a minimised window has no client area worth keeping). Sizes set while
  // the panel starts are the window's own set-up, not the trader's.
  void Sized(SizeKind kind, const TwipsSize& outer, const TwipsSize& client);

 private:
  Panel& panel_;
  bool started_ = false;
};

}  // namespace vestrel
