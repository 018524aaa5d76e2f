#include "win32/main_window.h"

#include <memory>

#include "common/program_version.h"
#include "win32/about_dialog.h"
#include "win32/environment.h"
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
  // Hands a message of the loop to its window.
  void Dispatch(const MSG& message);

  void RequestClose() override {
    if (window_ != nullptr) {
      PostMessageW(window_, WM_CLOSE, 0, 0);
    }
  }
  void ShowLog() override { logView_->Show(); }
  void ShowAbout() override { about_.Show(); }

 private:
  void Destroyed();
  void WritePokeTimings() const;

  HINSTANCE instance_;
  HWND window_ = nullptr;
  bool started_ = false;

  PlatformPorts platform_;
  Panel panel_{platform_.For(*this, *this)};

  // Where the pokes' time goes, when VESTREL_POKE_TIMINGS names a file for
  // the report (written when the window closes); off otherwise.
  std::wstring timingsFile_ = EnvironmentValue(L"VESTREL_POKE_TIMINGS");
  std::unique_ptr<PokeTimings> timings_ =
      timingsFile_.empty() ? nullptr : std::make_unique<PokeTimings>(platform_.Time);

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
  view_ = std::make_unique<MainWindowView>(window_, panel_.Window(), platform_.Time);
  view_->SetPokeTimings(timings_.get());
  panel_.SetPokeTimings(timings_.get());
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
  // No UpdateWindow: the message loop paints the window as soon as it runs,
  // after it has answered the messages already waiting (a terminal's DDE
  // connect among them).
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

void MainWindow::Dispatch(const MSG& message) {
  const bool paint = message.message == WM_PAINT ||
                     (message.message == WM_TIMER && message.wParam == kRepaintTimer);
  const PokeTimings::Span span(paint ? timings_.get() : nullptr, PokeStage::Paint);
  DispatchMessageW(&message);
}

void MainWindow::WritePokeTimings() const {
  if (timings_ == nullptr) {
    return;
  }
  const std::string report = timings_->Report();
  const HANDLE file = CreateFileW(timingsFile_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, report.data(), static_cast<DWORD>(report.size()), &written, nullptr);
    CloseHandle(file);
  }
}

void MainWindow::Destroyed() {
  KillTimer(window_, kPanelTickTimer);
  panel_.SetPokeTimings(nullptr);
  if (view_) {
    view_->SetPokeTimings(nullptr);
  }
  WritePokeTimings();
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
          main.Dispatch(message);
        }
      }
      exitCode = 0;
    }
  }
  return exitCode;
}

}  // namespace vestrel::win32
