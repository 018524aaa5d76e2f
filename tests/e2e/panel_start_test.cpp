// The real Vestrel.exe under Wine: it starts in a terminal's folder, shows its
// main window with the versioned caption and the keyboard focus on the first
// button in tab order, and ends when that window closes.
#include <gtest/gtest.h>

#include "harness/automation_ids.h"
#include "harness/program_under_test.h"

namespace vestrel::e2e {
namespace {

TEST(PanelStart, OpensItsMainWindowAndEndsWhenItCloses) {
  const TempFolder terminal(L"vestrel-terminal");
  const auto exe = terminal.Path() / L"Vestrel.exe";
  std::filesystem::copy_file(PathFromEnvironment("VESTREL_EXE"), exe);

  ProgramUnderTest panel(exe, terminal.Path());
  const HWND window = panel.WaitForWindow(contract::kMainWindowClass);
  ASSERT_NE(window, nullptr) << "the main window did not appear";
  EXPECT_EQ(WindowText(window), kVersionedCaption);
  // Space on a fresh panel acts on cmdBestAsk.
  GUITHREADINFO input{};
  input.cbSize = sizeof input;
  ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &input));
  EXPECT_EQ(input.hwndFocus, GetDlgItem(window, contract::kCmdBestAsk));

  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(panel.WaitForExit(60s), 0);
}

}  // namespace
}  // namespace vestrel::e2e
