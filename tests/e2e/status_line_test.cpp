// The real Vestrel.exe tells the trader, on its status line (lblStatus), what
// keeps it from trading: a [Main] value it cannot read, a transaction library
// it cannot find. The error records stay as they were beside it.
#include <gtest/gtest.h>

#include <algorithm>

#include "harness/automation_ids.h"
#include "harness/panel_session.h"

namespace vestrel::e2e {
namespace {

// The status line's text once it shows ("" when it never did).
std::wstring StatusLineOf(const HWND window) {
  // The main window may be found before its controls are made: the label is
  // looked up anew each time.
  const bool shown = WaitUntil(
      [&] { return IsWindowVisible(GetDlgItem(window, contract::kLblStatus)) != FALSE; }, 20s);
  return shown ? Caption(window, contract::kLblStatus) : std::wstring();
}

bool ErrorLogged(const TerminalFolder& terminal, const std::string& part) {
  const auto events = terminal.EventLogLines();
  return std::any_of(events.begin(), events.end(), [&](const std::string& line) {
    return line.find("\"type\": 1") != std::string::npos && line.find(part) != std::string::npos;
  });
}

// Each case: the settings, the status line's beginning, the error record
// beside it.
TEST(PanelStatus, WhatKeepsThePanelFromTradingIsNamedOnTheStatusLine) {
  struct Case {
    PanelSettings Settings;
    std::wstring Status;
    std::string Logged;
  };
  const Case cases[] = {
      {{.Size = ""},
       L"Marlowin.ini [Main] Size is missing or not a number",
       "Vestrel.frmMain.Form_Load IN LINE: 6. ERROR =  13"},
      {{.TransactionLibrary = false}, L"TRANS2QUIK.DLL not found in ", "File not found"},
  };
  for (const Case& c : cases) {
    const RunningPanel panel(c.Settings);
    const HWND window = panel.WaitShown();
    ASSERT_NE(window, nullptr);
    const std::wstring status = StatusLineOf(window);
    // A missing library is named with the folder looked in.
    const std::wstring end =
        c.Settings.TransactionLibrary ? c.Status : panel.terminal.Path().filename().wstring();
    EXPECT_TRUE(status.starts_with(c.Status) && status.ends_with(end)) << status;
    EXPECT_TRUE(ErrorLogged(panel.terminal, c.Logged)) << c.Logged;
    EXPECT_EQ(panel.Close(), 0);
  }
}

}  // namespace
}  // namespace vestrel::e2e
