#include "win32/main_window.h"

#include <memory>

#include "common/program_version.h"
#include "win32/about_dialog.h"
#include "win32/key_messages.h"
#include "win32/ladder_window.h"
#include "win32/log_window_view.h"
#include "win32/main_window_view.h"
#include "win32/platform_ports.h"
#include "win32/poke_timings_report.h"
#include "win32/window_class.h"
#include "window_rules/panel_input.h"

namespace vestrel::win32 {
namespace {

// The panel's tick, at the interval it asks for (the view's own timers
// count from 1).
constexpr UINT_PTR kPanelTickTimer = 100;

// The main window: the platform's adapters, the panel, and the windows that
// show it. Window messages become panel calls; the views follow the models.
class MainWindow : public MainWindowCloser, public ModelessWindows {
 public:
  explicit MainWindow(HINSTANCE instance)
      : instance_(instance), about_(instance, kProgramVersion) {}

  // Creates the window hidden, starts the panel and shows the window unless
  // start-up asked it to close. False when the window could not be created.
  bool Open(int show);
  LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // One message of the loop: the trader's keys, the About dialog's and the
  // main window's keyboard, then its window.
  void Pump(MSG& message);

  void RequestClose() override {
    if (window_ != nullptr) {
      PostMessageW(window_, WM_CLOSE, 0, 0);
    }
  }
  void ShowLog() override { logView_->Show(); }
  void ShowAbout() override { about_.Show(); }

 private:
  void Destroyed();
  // [Ladder] Enabled: the ladder window, drawn in the view's rounds.
  void OpenLadder();

  HINSTANCE instance_;
  HWND window_ = nullptr;

  PlatformPorts platform_;
  Panel panel_{platform_.For(*this, *this)};
  PanelInput input_{panel_};

  PokeTimingsReport timings_{platform_.Time};

  std::unique_ptr<MainWindowView> view_;
  std::unique_ptr<LogWindowView> logView_;
  std::unique_ptr<LadderWindow> ladder_;
  AboutDialog about_;
};

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
  panel_.SetLadderKeyListener([this](Panel::LadderKey key) {
    if (key == Panel::LadderKey::ShowHide) {
      ladder_->ToggleShown();
    } else {
      ladder_->Round();
    }
  });
}

void MainWindow::Pump(MSG& message) {
  // A key-down for any of the panel's windows (all live on this thread), as
  // the keyboard or a hotkey tool posts it: the trader's keys first.
  const bool keyDown = message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN;
  if ((keyDown && message.hwnd != nullptr && window_ != nullptr &&
       input_.KeyDown(ChordOf(message), IsAutoRepeat(message))) ||
      about_.PreTranslateMessage(message) ||
      (window_ != nullptr && IsDialogMessageW(window_, &message))) {
    return;
  }
  TranslateMessage(&message);
  const bool paint = message.message == WM_PAINT ||
                     (message.message == WM_TIMER && message.wParam == kRepaintTimer);
  const PokeTimings::Span span(paint ? timings_.Timings() : nullptr, PokeStage::Paint);
  DispatchMessageW(&message);
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

int RunPanel(HINSTANCE instance, int show) {
  RegisterControlClasses(instance);
  if (!RegisterProgramWindowClass(instance, kMainWindowClass, ForwardToOwner<MainWindow>,
                                  COLOR_BTNFACE, sizeof(MainWindow*))) {
    return 1;
  }

  MainWindow main(instance);
  if (!main.Open(show)) {
    return 1;
  }
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    main.Pump(message);
  }
  return 0;
}

}  // namespace vestrel::win32
