#pragma once

#include <memory>

#include "common/program_version.h"
#include "contract/automation_contract.h"
#include "win32/about_dialog.h"
#include "win32/ladder_window.h"
#include "win32/log_window_view.h"
#include "win32/main_window_view.h"
#include "win32/platform_ports.h"
#include "win32/poke_timings_report.h"
#include "win32/windows_api.h"
#include "window_rules/panel_input.h"

namespace vestrel::win32 {

using contract::kMainWindowClass;

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

// Creates the main window and runs the message loop until it closes; returns
// the program's exit code.
int RunPanel(HINSTANCE instance, int show);

}  // namespace vestrel::win32
