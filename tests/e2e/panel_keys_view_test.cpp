// What only the real window shows of the trader's keys and the view
// settings: key presses posted as a hotkey tool posts them, system-wide keys,
// the log window there from start-up, and the layout at the screen's DPI.
#include <gtest/gtest.h>

#include <cstdlib>

#include "harness/automation_ids.h"
#include "harness/panel_session.h"
#include "win32/unique_handle.h"

namespace vestrel::e2e {
namespace {

using automation::KeyStroke;
using automation::PressKey;

TEST(PanelKeys, APostedKeyWithItsModifiersIsAClickAndWithoutThemNothing) {
  const RunningPanel panel(
      {.MoreSections = "[Hotkeys]\r\nBestBid=Ctrl+F2\r\nBestAsk=Shift+Alt+B\r\nKill=Space\r\n"});
  const TerminalFolder& terminal = panel.terminal;
  const HWND window = panel.WaitShown();
  ASSERT_NE(window, nullptr);
  // The log window is there from start-up on, hidden and empty, for a tool
  // to find before the first transaction.
  const HWND log = panel.program.TopLevelWindow(contract::kLogWindowClass);
  ASSERT_NE(log, nullptr);
  EXPECT_FALSE(IsWindowVisible(log));
  EXPECT_EQ(SendMessageW(GetDlgItem(log, contract::kLogListId), LB_GETCOUNT, 0, 0), 0);
  TerminalClient terminalSide;
  ASSERT_TRUE(terminalSide.Connect());
  ASSERT_TRUE(terminalSide.PokeBook(kSampleBook));

  // Each press holds its modifiers until its order is out; posted messages
  // are handled in order, so the presses before it have been handled too.
  const auto sends = [&](std::size_t count) {
    return [&terminal, count] { return terminal.SentTransactions().size() >= count; };
  };
  PressKey(window, KeyStroke{VK_F2, true}, sends(1), 60s);
  PressKey(window, KeyStroke{'B', false, true, true}, sends(2), 60s);
  // The same keys short of a modifier come after the presses that hold
  // modifiers have let them go: the panel reads the keyboard when it handles
  // a key, however late that is.
  PressKey(window, KeyStroke{VK_F2});  // without Ctrl: not the panel's key
  PressKey(window, KeyStroke{'B', false, true, false}, [] { return true; });  // without Shift
  // Space is the Kill key: the focused price button does not take it.
  PressKey(window, KeyStroke{VK_SPACE});
  ASSERT_TRUE(WaitUntil(sends(3), 30s));
  EXPECT_EQ(
      terminal.SentTransactions(),
      (std::vector<std::string>{NewOrder('S', 91, 2), NewOrder('B', 110, 2), kKillAllOrders}));
  // Keys the panel does not use keep their meaning: Tab moves the focus on.
  const HWND before = FocusOf(window);
  PressKey(window, KeyStroke{VK_TAB});
  EXPECT_TRUE(WaitUntil([&] { return FocusOf(window) != before; }, 10s));
  EXPECT_EQ(panel.Close(), 0);
}

// The program's manifest (Wine treats every program as DPI-aware, Windows
// only one that says so): per monitor v2 where the system has it, per
// monitor on earlier Windows 10, the system's DPI before that.
TEST(PanelHighDpi, TheProgramDeclaresItselfDpiAwareInItsManifest) {
  const win32::UniqueModule image(
      LoadLibraryExW(PathFromEnvironment("VESTREL_EXE").c_str(), nullptr,
                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  const HMODULE exe = image.get();
  ASSERT_NE(exe, nullptr);
  const HRSRC found = FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(found, nullptr);
  const std::string manifest(static_cast<const char*>(LockResource(LoadResource(exe, found))),
                             SizeofResource(exe, found));
  EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos) << manifest;
  EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos);
}

// Run in a Wine prefix whose screen has VESTREL_WINE_DPI dots an inch.
TEST(PanelHighDpi, LaysOutFromTwipsAtTheScreensDpiInBothLayouts) {
  const char* dpiText = std::getenv("VESTREL_WINE_DPI");
  ASSERT_NE(dpiText, nullptr) << "run with VESTREL_WINE_DPI (ctest e2e.dpi144.win64)";
  const int dpi = std::atoi(dpiText);
  // Measured as the panel sees itself, not as a DPI-unaware program would.
  SetProcessDPIAware();
  const auto px = [dpi](int twips) { return MulDiv(twips, dpi, 1440); };

  for (const char* compact : {"0", "1"}) {
    SCOPED_TRACE(std::string("Compact=") + compact);
    const RunningPanel panel({.Compact = compact});
    const HWND window = panel.WaitShown();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetDpiForWindow(window), static_cast<UINT>(dpi));
    const HWND bestBid = GetDlgItem(window, contract::kCmdBestBid);
    RECT button;
    ASSERT_TRUE(WaitUntil(
        [&] {
          GetWindowRect(bestBid, &button);
          MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&button), 2);
          return std::string(compact) == "0" || button.left == px(120);
        },
        10s));
    EXPECT_EQ(button.right - button.left, px(1455));
    EXPECT_EQ(button.bottom - button.top, px(495));
    if (std::string(compact) == "0") {
      RECT client;
      GetClientRect(window, &client);
      EXPECT_EQ(client.right, px(6360));
      EXPECT_EQ(client.bottom, px(2730));
      EXPECT_EQ(button.left, px(1800));
      EXPECT_EQ(button.top, px(720));
    } else {
      RECT outer;
      GetWindowRect(window, &outer);
      EXPECT_EQ(outer.right - outer.left, px(3825));
      EXPECT_EQ(outer.bottom - outer.top, px(1905));
      EXPECT_EQ(button.top, px(120));
    }
    EXPECT_EQ(panel.Close(), 0);
  }
}

}  // namespace
}  // namespace vestrel::e2e
