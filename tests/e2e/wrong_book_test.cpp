// A book whose titles lack a needed column, poked by termsim.exe as the
// terminal pokes it: the panel answers the poke at once, tells the trader in
// a message box that waits as long as the trader takes to read it, and closes
// once the trader has pressed OK, with the whole shutdown done: the library
// disconnected and the DDE server taken down, the process ended by itself.
// A terminal gives up on a poke after its DDE timeout and ends the
// conversation; the books it goes on sending meanwhile are ignored, and so
// are the trader's system-wide keys.
#include <gtest/gtest.h>

#include "contract/automation_contract.h"
#include "harness/panel_session.h"

namespace vestrel::e2e {
namespace {

// Longer than the terminal's DDE timeout below: a trader reading the box.
constexpr auto kTraderReads = 3s;
// A second here; the margin is for 32-bit Wine under emulation.
constexpr auto kPanelEnds = 60s;

// termsim.exe pokes six books without a SELL_VOLUME column, ten a second,
// each with a DDE timeout of 1 s, and goes on after any that is not
// acknowledged: it ends with 0 only when every poke was, the first answered
// before the box opened and the later ones ignored while it waits. The box
// waits while the trader reads it, then the trader presses OK: the panel
// ends by itself, its shutdown done. A key registered for the whole system
// reaches the panel as WM_HOTKEY: it acts as its button, but not while the
// box holds the window.
TEST(PanelWrongBook, IsAnsweredAtOnceLaterBooksAndKeysAreIgnoredAndThePanelEndsAfterOk) {
  const RunningPanel panel({.MoreSections = "[Hotkeys]\r\nKill=Ctrl+K\r\n"});
  const HWND window = panel.WaitShown();
  ASSERT_NE(window, nullptr);
  const LPARAM ctrlK = MAKELPARAM(MOD_CONTROL, 'K');
  PostMessageW(window, WM_HOTKEY, 0, ctrlK);
  ASSERT_TRUE(WaitUntil([&] { return panel.terminal.SentTransactions().size() == 1; }, 30s));
  {
    ProgramUnderTest terminalSide(
        PathFromEnvironment("VESTREL_TERMSIM"), panel.terminal.Path(), {},
        L"--count 6 --rate 10 --keep-going --timeout 1000 --columns BUY_VOLUME,PRICE,QTY",
        panel.terminal.Path() / L"termsim.txt");
    EXPECT_EQ(terminalSide.WaitForExit(kStartTimeout), 0);
  }
  const HWND box = WaitForMessageBox(panel.program);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box), L"Не верная структура стакана!");
  EXPECT_EQ(WindowText(box), L"Vestrel");
  PostMessageW(window, WM_HOTKEY, 0, ctrlK);
  PostMessageW(window, WM_HOTKEY, 0, MAKELPARAM(0, VK_F9));  // not a key of the panel's
  // The box's loop hands the posted keys on at once: the trader's reading
  // gives them time.
  EXPECT_FALSE(WaitUntil([&] { return !panel.program.Running(); }, kTraderReads));
  EXPECT_EQ(panel.program.TopLevelWindows(L"#32770", true).size(), 1U);  // one box, shown once
  EXPECT_EQ(panel.terminal.SentTransactions().size(), 1U);
  DismissMessageBox(box);
  EXPECT_EQ(panel.program.WaitForExit(kPanelEnds), 0) << "the panel did not end after OK";
  EXPECT_EQ(panel.terminal.SentTransactions().size(), 1U);
  const auto journal = panel.terminal.JournalLines();
  ASSERT_FALSE(journal.empty());
  EXPECT_EQ(journal.back(), "DISCONNECT");
  EXPECT_FALSE(panel.terminal.ErrorLogged());
}

}  // namespace
}  // namespace vestrel::e2e
