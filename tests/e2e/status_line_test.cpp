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

TEST(PanelStatus, AMissingSizeIsNamedOnTheStatusLine) {
  PanelSettings settings;
  settings.Size = "";
  TerminalFolder terminal(settings);
  ProgramUnderTest panel(terminal.Panel(), terminal.Path(), terminal.Environment());
  const HWND window = panel.WaitForWindow(contract::kMainWindowClass);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(StatusLineOf(window), L"Marlowin.ini [Main] Size is missing or not a number");
  EXPECT_TRUE(ErrorLogged(terminal, "Vestrel.frmMain.Form_Load IN LINE: 6. ERROR =  13"));
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(panel.WaitForExit(60s), 0);
}

TEST(PanelStatus, AMissingTransactionLibraryIsNamedWithTheFolderLookedIn) {
  PanelSettings settings;
  settings.TransactionLibrary = false;
  TerminalFolder terminal(settings);
  ProgramUnderTest panel(terminal.Panel(), terminal.Path(), terminal.Environment());
  const HWND window = panel.WaitForWindow(contract::kMainWindowClass);
  ASSERT_NE(window, nullptr);
  const std::wstring status = StatusLineOf(window);
  const std::wstring expected = L"TRANS2QUIK.DLL not found in ";
  EXPECT_EQ(status.substr(0, expected.size()), expected) << status;
  // The folder is the panel's own (as the program names it).
  EXPECT_TRUE(status.ends_with(terminal.Path().filename().wstring())) << status;
  EXPECT_TRUE(ErrorLogged(terminal, "File not found"));
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(panel.WaitForExit(60s), 0);
}

}  // namespace
}  // namespace vestrel::e2e
