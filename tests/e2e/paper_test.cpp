// The real Vestrel.exe trading on paper in a terminal folder without
// TRANS2QUIK.DLL: it starts, serves the book, and a click fills against a
// later book, as the event-log mirror and the window show; the lots limit
// holds back an order and Flatten's key closes the position.
#include <gtest/gtest.h>

#include <algorithm>

#include "harness/automation_ids.h"
#include "harness/panel_session.h"

namespace vestrel::e2e {
namespace {

using automation::KeyStroke;
using automation::LogWindowLines;
using automation::PressKey;

TEST(PanelPaper, TradesOnPaperWithoutTheTransactionLibrary) {
  const RunningPanel panel(
      {.MoreSections =
           "[Paper]\r\nEnabled=1\r\n[Risk]\r\nMaxPosition=2\r\n[Hotkeys]\r\nFlatten=F9\r\n",
       .TransactionLibrary = false});
  const TerminalFolder& terminal = panel.terminal;
  ASSERT_FALSE(std::filesystem::exists(terminal.Path() / L"TRANS2QUIK.DLL"));
  const HWND window = panel.WaitShown();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(WindowText(window), std::wstring(kVersionedCaption) + L" PAPER");
  const HWND position = GetDlgItem(window, contract::kLblPaper);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(position) != FALSE; }, 10s));
  EXPECT_EQ(Caption(window, contract::kLblPaper),
            L"POSITION 0 @ 0 | REALISED 0 | OPEN 0 | ORDERS 0");

  TerminalClient terminalSide;
  ASSERT_TRUE(terminalSide.Connect());
  ASSERT_TRUE(terminalSide.PokeBook(kSampleBook));
  Click(window, contract::kCmdBestAsk);  // buys 2 at 100 + 10; rests until the next book
  EXPECT_EQ(
      terminal.CountLogged(R"({"type": 4, "text": "3|1|1|paper order 1 accepted|250|0||250"})"),
      1U);
  ASSERT_TRUE(terminalSide.PokeBook(kSampleBook));
  EXPECT_EQ(terminal.CountLogged(
                R"({"type": 4, "text": "PAPER FILL B 2 @ 101 | POSITION 2 @ 101 | REALISED 0"})"),
            1U);
  // Open against the book's best buy, 100.
  EXPECT_EQ(Caption(window, contract::kLblPaper),
            L"POSITION 2 @ 101 | REALISED 0 | OPEN -2 | ORDERS 0");

  Click(window, contract::kCmdBestAsk);  // 2 more would make 4
  const std::vector<std::wstring> lines = LogWindowLines(window);
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(lines.back().ends_with(
      L"|Order not sent (cmdBestAsk): the position could reach 4 lots, the limit is 2"));
  // Flatten sells the 2 at the best buy price less SafeSpread; the next book
  // fills it there.
  PressKey(
      window, KeyStroke{VK_F9},
      [&] {
        return terminal.CountLogged(
                   R"({"type": 4, "text": "3|1|2|paper order 2 accepted|250|0||250"})") == 1;
      },
      60s);
  ASSERT_TRUE(terminalSide.PokeBook(kSampleBook));
  EXPECT_EQ(Caption(window, contract::kLblPaper),
            L"POSITION 0 @ 0 | REALISED -2 | OPEN 0 | ORDERS 0");

  EXPECT_EQ(panel.Close(), 0);
  // Nothing went wrong on the way: no error entry.
  EXPECT_EQ(terminal.CountLogged("\"type\": 1"), 0U);
}

}  // namespace
}  // namespace vestrel::e2e
