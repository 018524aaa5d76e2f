// The real Vestrel.exe under Wine: it starts in a terminal's folder, shows its
// main window with the versioned caption, and ends when that window closes.
#include <gtest/gtest.h>

#include "harness/program_under_test.h"

namespace vestrel::e2e {
namespace {

TEST(PanelStart, OpensItsMainWindowAndEndsWhenItCloses) {
  const TempFolder terminal(L"vestrel-terminal");
  const auto exe = terminal.Path() / L"Vestrel.exe";
  std::filesystem::copy_file(PathFromEnvironment("VESTREL_EXE"), exe);

  ProgramUnderTest panel(exe, terminal.Path());
  const HWND window = panel.WaitForWindow(L"VestrelMain");
  ASSERT_NE(window, nullptr) << "the main window did not appear";
  EXPECT_EQ(WindowText(window), L"Marlowin (1.0.65)");

  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(panel.WaitForExit(60s), 0);
}

}  // namespace
}  // namespace vestrel::e2e
