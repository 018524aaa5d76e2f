#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "diag/poke_timings.h"
#include "models/main_window_model.h"
#include "ports/clock.h"
#include "win32/main_window_controls.h"
#include "win32/screen_scale.h"
#include "win32/unique_handle.h"
#include "win32/windows_api.h"
#include "window_rules/repaint_pacer.h"

namespace vestrel::win32 {

// Hides the main window once the minimise that asked for it has finished.
inline constexpr UINT kHideMessage = WM_APP + 2;
// The main window's timer for the view's repaint rounds.
inline constexpr UINT_PTR kRepaintTimer = 1;
// A repaint round at once, handled as soon as the message that made the
// change (a DDE poke) has been answered.
inline constexpr UINT kRepaintNowMessage = WM_APP + 3;
// Posted from the transaction library's threads: its events wait in the
// panel's queue.
inline constexpr UINT kTerminalEventsMessage = WM_APP + 4;

// The main window's controls as native child windows that follow the model.
// Every change the model reports is readable at once (buttons and labels
// answer WM_GETTEXT from the model) and on screen with a repaint round when
// the RepaintPacer says. A round sets the changed controls' own texts and has
// them draw themselves (WM_PRINTCLIENT into their own DC) before it ends.
// Price buttons are owner-drawn so their red and green show, and their stale
// and disconnected looks; the circles are child windows whose z-order tells
// which one is in front; positions and fonts come from twips and points at
// the window's DPI.
class MainWindowView : public MainWindowObserver {
 public:
  // Rounds are timed with `clock`, the panel's own.
  MainWindowView(HWND window, MainWindowModel& model, const Clock& clock);
  ~MainWindowView() override;
  MainWindowView(const MainWindowView&) = delete;
  MainWindowView& operator=(const MainWindowView&) = delete;

  void ControlChanged(ControlId id, ControlProperty property) override;
  void WindowChanged(WindowProperty property) override;

  // The window's messages about drawing: the owner-drawn price buttons, the
  // labels' background, the repaint rounds' timer and posted round, hiding a
  // minimised window and a change of DPI. True, with the answer, when the
  // message was one of them.
  bool Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  // Another window drawn in the same rounds (the ladder): hook carries its
  // changes and says whether it drew anything; RequestRound asks for a round
  // for it, paced as the controls' changes are.
  void SetRoundHook(std::function<bool()> hook) { roundHook_ = std::move(hook); }
  void RequestRound() { ScheduleRound(); }

  // Times the model's notices and the rounds from now on (null: no more).
  void SetPokeTimings(PokeTimings* timings) { timings_ = timings; }

  HWND Control(ControlId id) const { return controls_[Index(id)]; }
  const ScreenScale& Scale() const { return scale_; }

  // The outer size whose client area is the designed one at that scale.
  static SIZE DesignOuterSize(const ScreenScale& scale, DWORD style);
  // Sizes the window so that its client area is the designed one; a window
  // made at that size is left alone.
  void FitClientArea(DWORD style);
  // The window's outer and client size now, in twips.
  TwipsSize OuterSizeInTwips() const;
  TwipsSize ClientSizeInTwips() const;
  // Gives the keyboard focus to the first control in tab order that takes it.
  void FocusFirstControl();

 private:
  static std::size_t Index(ControlId id);
  void Create(const ControlDesign& design);
  void ApplyGeometry(ControlId id);
  // Creates the fonts for the scale and gives every control its own.
  void ApplyFonts();
  // WM_DPICHANGED: lays the window out again at the new DPI, fonts
  // included, in the rectangle the system suggests.
  void DpiChanged(int dpi, const RECT& suggested);
  // Swaps the circles when the model's front one is not the one shown in
  // front; true when it did.
  bool ShowFrontShape();
  void ScheduleRepaint(ControlId id, bool caption = false);
  void ScheduleRound(bool caption = false);
  // kRepaintTimer and kRepaintNowMessage: carries the changes since the
  // last round to the screen.
  void Round();
  // Carries the changes to the screen; true when there were any.
  bool CarryChanges();
  // Draws a shown control's client area now.
  static void PaintNow(HWND control);

  HWND window_;
  MainWindowModel& model_;
  ScreenScale scale_;
  UniqueFont priceFont_;
  UniqueFont defaultFont_;
  std::array<HWND, kControlCount> controls_{};
  // What the next repaint round does.
  std::array<bool, kControlCount> textChanged_{};
  std::array<bool, kControlCount> needsRepaint_{};
  ControlId shownFront_ = ControlId::shpUp;
  RepaintPacer pacer_;
  bool timerRunning_ = false;
  PokeTimings* timings_ = nullptr;
  std::function<bool()> roundHook_;
};

}  // namespace vestrel::win32
