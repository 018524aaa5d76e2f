#include "win32/main_window.h"

#include <memory>

#include "common/program_version.h"
#include "win32/about_dialog.h"
#include "win32/key_messages.h"
#include "win32/log_window_view.h"
#include "win32/main_window_view.h"
#include "win32/platform_ports.h"
#include "win32/window_class.h"

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
  // The loop's first look at a message: the About dialog's and the main
  // window's keyboard.
  bool PreTranslate(MSG& message);

  void RequestClose() override {
    if (window_ != nullptr) {
      PostMessageW(window_, WM_CLOSE, 0, 0);
    }
  }
  void ShowLog() override { logView_->Show(); }
  void ShowAbout() override { about_.Show(); }

 private:
  void Destroyed();

  HINSTANCE instance_;
  HWND window_ = nullptr;
  bool started_ = false;

  PlatformPorts platform_;
  Panel panel_{platform_.For(*this, *this)};

  std::unique_ptr<MainWindowView> view_;
  std::unique_ptr<LogWindowView> logView_;
  AboutDialog about_;
};

}  // namespace

bool MainWindow::Open(int show) {
  const DWORD style = WS_OVERLAPPEDWINDOW & ~WS_MAXIMIZEBOX;
  window_ = CreateWindowExW(0, kMainWindowClass, L"Marlowin", style, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance_, this);
  if (window_ == nullptr) {
    return false;
  }
  view_ = std::make_unique<MainWindowView>(window_, panel_.Window());
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
  started_ = true;
  if (panel_.Extensions().View.AlwaysOnTop) {
    SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  SetTimer(window_, kPanelTickTimer, static_cast<UINT>(panel_.TickIntervalMs()), nullptr);
  ShowWindow(window_, show);
  view_->FocusFirstControl();
  UpdateWindow(window_);
  return true;
}

bool MainWindow::PreTranslate(MSG& message) {
  // The trader's keys, wherever in the panel the focus is: a key-down
  // message for any of the panel's windows (all live on this thread), as the
  // keyboard or a hotkey tool posts it. Other keys go on as usual.
  if ((message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) &&
      message.hwnd != nullptr && window_ != nullptr && started_ &&
      panel_.KeyPress(ChordOf(message), IsAutoRepeat(message))) {
    return true;
  }
  if (about_.PreTranslateMessage(message)) {
    return true;
  }
  return window_ != nullptr && IsDialogMessageW(window_, &message);
}

void MainWindow::Destroyed() {
  KillTimer(window_, kPanelTickTimer);
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
      // As a click: not while a message box of the panel holds the window.
      if (started_ && IsWindowEnabled(window) != FALSE) {
        panel_.KeyPress(ChordOfHotkey(lParam));
      }
      return 0;
    case WM_SIZE:
      // Sizes set before the panel has started are the window's own set-up.
      if (started_ && wParam == SIZE_MINIMIZED) {
        panel_.Resized(WindowState::Minimized, std::nullopt);
      } else if (started_ && wParam == SIZE_RESTORED && view_) {
        panel_.Resized(WindowState::Normal, view_->OuterSizeInTwips());
      }
      break;
    case kTrayMessage:
      panel_.TrayMessage(static_cast<std::int32_t>(lParam));
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
  CoInitialize(nullptr);
  RegisterShapeClass(instance);
  if (!RegisterProgramWindowClass(instance, kMainWindowClass, ForwardToOwner<MainWindow>,
                                  COLOR_BTNFACE, sizeof(MainWindow*))) {
    return 1;
  }

  int exitCode = 1;
  {
    MainWindow main(instance);
    if (main.Open(show)) {
      MSG message;
      while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!main.PreTranslate(message)) {
          TranslateMessage(&message);
          DispatchMessageW(&message);
        }
      }
      exitCode = 0;
    }
  }
  CoUninitialize();
  return exitCode;
}

}  // namespace vestrel::win32
