// The ladder of the real Vestrel.exe, read and clicked as a hotkey tool does:
// its rows through the list box messages, clicks posted at a point of a row.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "harness/automation_ids.h"
#include "harness/panel_session.h"

namespace vestrel::e2e {
namespace {

using automation::ListLines;

const std::vector<Level> kBook = {
    {5, 99950, 0}, {2, 99940, 0}, {0, 99930, 4}, {0, 99920, 1}, {0, 99900, 7},
};

bool HasRow(HWND list, const std::wstring& row) {
  const auto rows = ListLines(list);
  return std::find(rows.begin(), rows.end(), row) != rows.end();
}

// Clicks the row whose price is given in the third of the width given (0 buy,
// 1 price, 2 sell).
bool ClickRow(HWND list, const std::wstring& price, int third) {
  const auto rows = ListLines(list);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].substr(0, rows[i].find(L'\t')) == price) {
      return automation::ClickLadderRow(list, static_cast<int>(i), third);
    }
  }
  return false;
}

TEST(PanelLadder, RowsShowTheBookAClickSendsAtItsPriceAndAStaleBookHoldsBack) {
  const RunningPanel panel(
      {.MoreSections = "[Ladder]\r\nEnabled=1\r\n[Guard]\r\nStaleAfterMs=2000\r\n"});
  const TerminalFolder& terminal = panel.terminal;
  const HWND ladder = panel.program.WaitForWindow(contract::kLadderWindowClass);
  ASSERT_NE(ladder, nullptr);
  EXPECT_EQ(WindowText(ladder), L"Marlowin ladder (S1)");
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(ladder) != FALSE; }, 10s));
  const HWND list = GetDlgItem(ladder, contract::kLadderRowsId);
  ASSERT_NE(list, nullptr);

  TerminalClient terminalSide;
  ASSERT_TRUE(terminalSide.Connect());
  ASSERT_TRUE(terminalSide.PokeBook(kBook));
  // The step the book shows (10), each level on its row, the gap empty.
  EXPECT_TRUE(WaitUntil([&] { return HasRow(list, L"99950\t\t5\t"); }, 10s));
  const auto rows = ListLines(list);
  const auto at = std::find(rows.begin(), rows.end(), L"99950\t\t5\t");
  ASSERT_GE(rows.end() - at, 6);
  EXPECT_EQ(std::vector<std::wstring>(at, at + 6),
            (std::vector<std::wstring>{L"99950\t\t5\t", L"99940\t\t2\t", L"99930\t4\t\t",
                                       L"99920\t1\t\t", L"99910\t\t\t", L"99900\t7\t\t"}));

  ASSERT_TRUE(ClickRow(list, L"99960", 0));  // a buy above the best sell price
  ASSERT_TRUE(ClickRow(list, L"99930", 2));
  const std::vector<std::string> sent = {NewOrder('B', 99960, 2), NewOrder('S', 99930, 2)};
  EXPECT_TRUE(WaitUntil([&] { return terminal.SentTransactions() == sent; }, 10s));

  std::this_thread::sleep_for(2500ms);
  ASSERT_TRUE(ClickRow(list, L"99940", 0));
  const std::wstring refused = L"Order not sent (ladder 99940): the order book is ";
  EXPECT_TRUE(WaitUntil(
      [&] {
        const auto lines =
            automation::LogWindowLines(panel.program.TopLevelWindow(contract::kMainWindowClass));
        return !lines.empty() && lines.back().find(refused) != std::wstring::npos;
      },
      10s));
  EXPECT_EQ(terminal.SentTransactions(), sent);

  PostMessageW(ladder, WM_CLOSE, 0, 0);  // the ladder alone only hides
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(ladder) == FALSE; }, 10s));
  EXPECT_TRUE(IsWindow(ladder));
  EXPECT_EQ(panel.Close(), 0);
  EXPECT_FALSE(terminal.ErrorLogged());
}

TEST(PanelLadder, OnPaperAPriceClickCancelsTheTradersOrdersThere) {
  const RunningPanel panel({.MoreSections = "[Paper]\r\nEnabled=1\r\n[Ladder]\r\nEnabled=1\r\n",
                            .TransactionLibrary = false});
  const TerminalFolder& terminal = panel.terminal;
  const HWND ladder = panel.program.WaitForWindow(contract::kLadderWindowClass);
  ASSERT_NE(ladder, nullptr);
  const HWND list = GetDlgItem(ladder, contract::kLadderRowsId);
  TerminalClient terminalSide;
  ASSERT_TRUE(terminalSide.Connect());
  ASSERT_TRUE(terminalSide.PokeBook(kBook));
  ASSERT_TRUE(WaitUntil([&] { return HasRow(list, L"99910\t\t\t"); }, 10s));

  ASSERT_TRUE(ClickRow(list, L"99910", 0));
  EXPECT_TRUE(WaitUntil([&] { return HasRow(list, L"99910\t\t\tB2"); }, 10s));
  ASSERT_TRUE(ClickRow(list, L"99910", 1));
  EXPECT_TRUE(WaitUntil([&] { return HasRow(list, L"99910\t\t\t"); }, 10s));
  // The order was cancelled, not filled: a book that crosses it fills nothing.
  const std::vector<Level> crossing = {{3, 99900, 0}, {0, 99890, 1}};
  ASSERT_TRUE(terminalSide.PokeBook(crossing));
  EXPECT_EQ(terminal.CountLogged("PAPER FILL"), 0U);

  EXPECT_EQ(panel.Close(), 0);
  EXPECT_FALSE(terminal.ErrorLogged());
}

}  // namespace
}  // namespace vestrel::e2e
