// A book whose titles lack a needed column, poked by termsim.exe as the
// terminal pokes it: the panel answers the poke at once, tells the trader in
// a message box that waits as long as the trader takes to read it, and closes
// once the trader has pressed OK, with the whole shutdown done: the library
// disconnected and the DDE server taken down, the process ended by itself.
// A terminal gives up on a poke after its DDE timeout and ends the
// conversation; the books it goes on sending meanwhile are ignored.
#include <gtest/gtest.h>

#include "contract/automation_contract.h"
#include "harness/panel_session.h"

namespace vestrel::e2e {
namespace {

// Longer than the terminal's DDE timeout below: a trader reading the box.
constexpr auto kTraderReads = 3s;
// A second here; the margin is for 32-bit Wine under emulation.
constexpr auto kPanelEnds = 60s;

class PanelWrongBook : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(panel.WaitForWindow(contract::kMainWindowClass), nullptr); }

  // termsim.exe pokes `count` books without a SELL_VOLUME column, ten a
  // second, each with a DDE timeout of 1 s; its exit code once it is done.
  long TerminalPokesWrongBooks(int count) {
    const std::wstring arguments =
        L"--count " + std::to_wstring(count) +
        L" --rate 10 --keep-going --timeout 1000 --columns BUY_VOLUME,PRICE,QTY";
    ProgramUnderTest terminalSide(PathFromEnvironment("VESTREL_TERMSIM"), terminal.Path(), {},
                                  arguments, terminal.Path() / L"termsim.txt");
    return terminalSide.WaitForExit(kStartTimeout);
  }

  // The box waits while the trader reads it, then the trader presses OK:
  // the panel ends by itself, its shutdown done.
  void TraderReadsAndPressesOk() {
    const HWND box = WaitForMessageBox(panel);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), L"Не верная структура стакана!");
    EXPECT_EQ(WindowText(box), L"Vestrel");
    EXPECT_FALSE(WaitUntil([&] { return !panel.Running(); }, kTraderReads));
    EXPECT_EQ(panel.TopLevelWindows(L"#32770", true).size(), 1U);  // one box, shown once
    DismissMessageBox(box);
    EXPECT_EQ(panel.WaitForExit(kPanelEnds), 0) << "the panel did not end after OK";
    const auto journal = terminal.JournalLines();
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal.back(), "DISCONNECT");
    EXPECT_FALSE(terminal.ErrorLogged());
  }

  TerminalFolder terminal;
  ProgramUnderTest panel{terminal.Panel(), terminal.Path(), terminal.Environment()};
};

TEST_F(PanelWrongBook, IsAnsweredAtOnceAndThePanelEndsWhenTheTraderPressesOk) {
  // Answered before the box opens: the terminal's 1 s timeout never runs out.
  EXPECT_EQ(TerminalPokesWrongBooks(1), 0);
  TraderReadsAndPressesOk();
}

TEST_F(PanelWrongBook, BooksPokedWhileTheMessageWaitsAreIgnoredAndThePanelStillEnds) {
  EXPECT_EQ(TerminalPokesWrongBooks(6), 0);
  TraderReadsAndPressesOk();
}

}  // namespace
}  // namespace vestrel::e2e
