#include "win32/main_window.h"

#include "win32/key_messages.h"

namespace vestrel::win32 {
namespace {

// The panel's tick, at the interval it asks for (the view's own timers
// count from 1).
constexpr UINT_PTR kPanelTickTimer = 100;

}  // namespace

bool MainWindow::Open(int show) {
  const DWORD style = WS_OVERLAPPEDWINDOW & ~WS_MAXIMIZEBOX;
  // Made at the designed size for the screen's DPI: on a monitor of
  // another DPI the view fits it again below.
  const SIZE outer = MainWindowView::DesignOuterSize(ScreenScale::OfScreen(), style);
  window_ = CreateWindowExW(0, kMainWindowClass, L"Marlowin", style, CW_USEDEFAULT, CW_USEDEFAULT,
                            outer.cx, outer.cy, nullptr, nullptr, instance_, this);
  if (window_ == nullptr) {
    return false;
  }
  view_ = std::make_unique<MainWindowView>(window_, panel_.Window(), platform_.Time);
  view_->SetPokeTimings(timings_.Timings());
  panel_.SetPokeTimings(timings_.Timings());
  logView_ = std::make_unique<LogWindowView>(instance_, panel_.TransactionLog());
  platform_.Shell.Attach(window_, view_->Control(ControlId::picTray),
                         reinterpret_cast<HICON>(GetClassLongPtrW(window_, GCLP_HICONSM)));
  platform_.Hotkeys.Attach(window_);
  platform_.Messages.SetOwner(window_);
  about_.SetClosedHandler([this] {
    if (window_ == nullptr) {
      PostQuitMessage(0);
    }
  });
  view_->FitClientArea(style);

  if (!panel_.Start()) {
    DestroyWindow(window_);
    return true;
  }
  input_.Started();
  // The log window exists from here on, hidden, so a tool finds its list
  // before the first line; made after the DDE server is up, so serving
  // does not wait for it.
  logView_->CreateHidden();
  if (panel_.Extensions().View.AlwaysOnTop) {
    SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  OpenLadder();
  SetTimer(window_, kPanelTickTimer, static_cast<UINT>(panel_.TickIntervalMs()), nullptr);
  ShowWindow(window_, show);
  if (ladder_) {
    ladder_->Show();
  }
  view_->FocusFirstControl();
  // No UpdateWindow: the message loop paints the window as soon as it runs,
  // after it has answered the messages already waiting (a terminal's DDE
  // connect among them).
  return true;
}

void MainWindow::OpenLadder() {
  LadderModel* model = panel_.Ladder();
  if (model == nullptr) {
    return;
  }
  ladder_ = std::make_unique<LadderWindow>(instance_, panel_, *model);
  if (!ladder_->Create(window_, panel_.CurrentSettings().SecCode,
                       panel_.Extensions().View.AlwaysOnTop)) {
    ladder_.reset();
    return;
  }
  ladder_->SetRoundRequest([this] { view_->RequestRound(); });
  view_->SetRoundHook([this] { return ladder_->Round(); });
  panel_.SetLadderKeyListener([this](HotkeyCommand command) {
    if (command == HotkeyCommand::ShowHideLadder) {
      ladder_->ToggleShown();
    } else {
      ladder_->Round();
    }
  });
}

void MainWindow::Destroyed() {
  KillTimer(window_, kPanelTickTimer);
  panel_.SetPokeTimings(nullptr);
  view_->SetPokeTimings(nullptr);
  timings_.Write();
  panel_.SetLadderKeyListener(nullptr);
  view_->SetRoundHook(nullptr);
  ladder_.reset();
  panel_.Shutdown();
  platform_.Messages.SetOwner(nullptr);
  logView_.reset();
  view_.reset();
  window_ = nullptr;
  // An About dialog still open keeps the program until it is closed.
  if (!about_.IsOpen()) {
    PostQuitMessage(0);
  }
}

LRESULT MainWindow::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT drawn = 0;
  if (view_ && view_->Handle(message, wParam, lParam, drawn)) {
    return drawn;
  }
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && lParam != 0) {
        panel_.Click(static_cast<ControlId>(LOWORD(wParam)));
        return 0;
      }
      break;
    case WM_TIMER:
      if (wParam == kPanelTickTimer) {
        panel_.Tick();
        return 0;
      }
      break;
    case WM_HOTKEY:
      input_.SystemKey(ChordOfHotkey(lParam), IsWindowEnabled(window) != FALSE);
      return 0;
    case WM_SIZE:
      if (ladder_) {
        if (wParam == SIZE_MINIMIZED) {
          ladder_->OwnerMinimized();
        } else if (wParam == SIZE_RESTORED) {
          ladder_->OwnerRestored();
        }
      }
      if (view_) {
        input_.Sized(SizeKindOf(wParam), view_->OuterSizeInTwips(), view_->ClientSizeInTwips());
      }
      break;
    case kTrayMessage:
      panel_.TrayMessage(static_cast<std::int32_t>(lParam));
      return 0;
    case kTerminalEventsMessage:
      panel_.TerminalEventsArrived();
      return 0;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      Destroyed();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace vestrel::win32
