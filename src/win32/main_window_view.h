#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "diag/poke_timings.h"
#include "models/main_window_model.h"
#include "ports/clock.h"
#include "win32/screen_scale.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {

// What the tray picture box sends the main window for each tray mouse message
// (lParam: the message).
inline constexpr UINT kTrayMessage = WM_APP + 1;
// Hides the main window once the minimise that asked for it has finished.
inline constexpr UINT kHideMessage = WM_APP + 2;
// The main window's timer for the view's repaint rounds.
inline constexpr UINT_PTR kRepaintTimer = 1;
// A repaint round at once: a change a frame or more after the last round
// posts it, so it is handled as soon as the message that made the change (a
// DDE poke) has been answered.
inline constexpr UINT kRepaintNowMessage = WM_APP + 3;

// The main window's controls as native child windows that follow the model.
// Every change the model reports is readable at once (buttons and labels
// answer WM_GETTEXT from the model) and on screen with a repaint round, at
// most one a screen frame however fast the terminal pokes books: a change a
// frame or more after the last round began (after a quiet spell) right after
// the poke that made it has been answered, one within that frame when the
// frame is over. A panel that painted every book would hold the terminal's
// DDE export back to its own painting speed. A round sets the changed
// controls' own texts and has them draw themselves (WM_PRINTCLIENT into their
// own DC) before it ends. Price buttons are owner-drawn so their red and
// green show, and their stale and disconnected looks; the circles are child
// windows whose z-order tells which one is in front; positions and fonts come
// from twips and points at the window's DPI.
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

  // kRepaintTimer and kRepaintNowMessage: carries the changes since the
  // last round to the screen.
  void RepaintChanged();
  void RepaintNow();

  // Times the model's notices and the rounds from now on (null: no more).
  void SetPokeTimings(PokeTimings* timings) { timings_ = timings; }

  // WM_DRAWITEM of an owner-drawn price button.
  void DrawButton(const DRAWITEMSTRUCT& item) const;
  // WM_CTLCOLORSTATIC of a label: its background brush.
  HBRUSH LabelBackground(HDC dc, HWND label) const;
  HWND Control(ControlId id) const { return controls_[Index(id)]; }

  // Sizes the window so that its client area is the designed one.
  void FitClientArea(DWORD style);
  // The window's outer size now, in twips.
  TwipsSize OuterSizeInTwips() const;
  // Gives the keyboard focus to the first control in tab order that takes it.
  void FocusFirstControl();
  // WM_DPICHANGED (through Handle): lays the window out again at the new
  // DPI, fonts included, in the rectangle the system suggests.
  void DpiChanged(int dpi, const RECT& suggested);

 private:
  static std::size_t Index(ControlId id);
  void Create(const ControlDesign& design);
  void ApplyGeometry(ControlId id);
  // Creates the fonts for the scale and gives every control its own.
  void ApplyFonts();
  void ApplyZOrder();
  // Swaps the circles when the model's front one is not the one shown in
  // front; true when it did.
  bool ShowFrontShape();
  void ScheduleRepaint(ControlId id);
  void ScheduleRound();
  // Milliseconds since the last round began.
  double MillisecondsSinceRound() const;
  // Carries the changes to the screen; true when there were any.
  bool CarryChanges();
  // Draws a shown control's client area now.
  static void PaintNow(HWND control);

  // Notes how long a round took. Rounds are a frame apart; while books flood
  // in (more than kFloodCaptions caption changes between two rounds: several
  // books a frame, more than anyone can read) they are two frames apart or
  // more, so that painting takes at most a kPaintShare-th of the time, and
  // at most kLongestRoundInterval apart. On a machine busy with other work a
  // round takes longer, and a terminal that pokes as fast as DDE goes would
  // otherwise be held back by the panel's painting.
  void KeepRoundsWithinBudget(double roundMilliseconds);

  static constexpr UINT kRepaintMilliseconds = 15;
  static constexpr UINT kFloodRepaintMilliseconds = 2 * kRepaintMilliseconds;
  static constexpr double kPaintShare = 60;
  static constexpr UINT kLongestRoundInterval = 50;
  static constexpr int kFloodCaptions = 40;

  HWND window_;
  MainWindowModel& model_;
  const Clock& clock_;
  ScreenScale scale_;
  UniqueFont priceFont_;
  UniqueFont defaultFont_;
  std::array<HWND, kControlCount> controls_{};
  // What the next repaint round does.
  std::array<bool, kControlCount> textChanged_{};
  std::array<bool, kControlCount> needsRepaint_{};
  ControlId shownFront_ = ControlId::shpUp;
  // A round is posted to come at once, or the timer runs for one at the end
  // of the frame that began with the last round.
  bool roundPosted_ = false;
  bool timerRunning_ = false;
  std::optional<std::int64_t> lastRoundNanoseconds_;
  UINT roundInterval_ = kRepaintMilliseconds;
  double averageRoundMilliseconds_ = 0;
  int captionsSinceRound_ = 0;
  PokeTimings* timings_ = nullptr;
};

// The indicator's circle in its control's area: as wide as the area's smaller
// side, centred.
RECT CircleInside(const RECT& area);

// Registers the window class of the indicator circles; call once at start.
void RegisterShapeClass(HINSTANCE instance);

}  // namespace vestrel::win32
