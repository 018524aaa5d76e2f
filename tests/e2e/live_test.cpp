// The real Vestrel.exe trading live through the stand-in transaction library:
// its order and trade streams feed the position label (the day's earlier
// trades silently) and both logs, its connection callback the status line,
// replies that come late leave the window answering, the lots limit holds
// back an order sent before the one before it is shown, and a shutdown while
// fills still come in loses none of them.
#include <gtest/gtest.h>

#include <algorithm>

#include "harness/automation_ids.h"
#include "harness/panel_session.h"

namespace vestrel::e2e {
namespace {

using automation::LogWindowLines;

// Best sell 101 and best buy 100, with volume enough for every order here.
const std::vector<Level> kBook = {{50, 102, 0}, {50, 101, 0}, {0, 100, 40}, {0, 99, 40}};

std::size_t CountInLogWindow(HWND window, const std::wstring& part) {
  const std::vector<std::wstring> lines = LogWindowLines(window);
  return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [&](const auto& line) {
    return line.find(part) != std::wstring::npos;
  }));
}

TEST(PanelLive, FillsShowInTheLabelAndTheLogsWhileRepliesComeLate) {
  // Earlier in the day a lot was bought and sold again: flat, 4 realised.
  const RunningPanel panel(
      {.Size = "10",
       .MoreSections = "[Live]\r\nOrders=1\r\nAsync=1\r\n[Risk]\r\nMaxPosition=10\r\n"},
      {{L"TERMSIM_T2Q_DAY_TRADES", L"C1 S1 B 1 99; C1 S1 S 1 103"}});
  const TerminalFolder& terminal = panel.terminal;
  terminal.ShowBookTop(1, 101, 50, 100, 40);
  const HWND window = panel.WaitShown();
  ASSERT_NE(window, nullptr);
  TerminalClient terminalSide;
  ASSERT_TRUE(terminalSide.Connect());
  ASSERT_TRUE(terminalSide.PokeBook(kBook));
  // The streams' first snapshot, the day so far, is in: the label shows it,
  // and no fill of it is written.
  ASSERT_TRUE(WaitUntil(
      [&] {
        return Caption(window, contract::kLblPaper) ==
               L"POSITION 0 @ 0 | REALISED 4 | OPEN 0 | ORDERS 0";
      },
      60s));
  EXPECT_EQ(terminal.CountLogged("FILL "), 0U);

  // The library's word that the terminal lost its server, and later that it
  // is back, reaches the status line.
  const HWND status = GetDlgItem(window, contract::kLblStatus);
  terminal.Script({"TERMSIM_T2Q_CONNECTION_EVENTS=9"});
  EXPECT_TRUE(WaitUntil(
      [&] {
        return IsWindowVisible(status) != FALSE &&
               Caption(window, contract::kLblStatus) == L"Not connected to the terminal";
      },
      60s));
  terminal.Script({"TERMSIM_T2Q_CONNECTION_EVENTS=8"});
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(status) == FALSE; }, 60s));

  terminal.Script({"TERMSIM_T2Q_SEND_DELAY_MS=300"});
  // A click returns, and the window answers, while its reply is still on its
  // way: the reply is in neither log yet. A machine that stalls for the whole
  // delay between the click and the look proves nothing, so Kill (which
  // changes no position) is clicked again until one such look was made.
  bool seenPending = false;
  const auto killReplies = [&] {
    return std::min(terminal.CountLogged("|0|All futures orders cancelled.|"),
                    CountInLogWindow(window, L"|All futures orders cancelled.|"));
  };
  for (std::size_t attempt = 1; attempt <= 5 && !seenPending; ++attempt) {
    Click(window, contract::kCmdKillOrders);
    DWORD_PTR ignored = 0;
    ASSERT_NE(SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 60000, &ignored), 0);
    seenPending = killReplies() < attempt;
    EXPECT_TRUE(WaitUntil([&] { return killReplies() == attempt; }, 60s));
  }
  EXPECT_TRUE(seenPending);

  // A buy of 10 at 100 + 10, and at once 10 more: those could make 20,
  // whether the first is still on its way or filled, and are held back.
  const auto sends = [&] {
    const auto journal = terminal.JournalLines();
    return std::count_if(journal.begin(), journal.end(),
                         [](const auto& line) { return line.rfind("SEND", 0) == 0; });
  };
  const auto sent = sends();
  Click(window, contract::kCmdBestAsk);
  Click(window, contract::kCmdBestAsk);
  EXPECT_EQ(CountInLogWindow(window,
                             L"|Order not sent (cmdBestAsk): the position could reach 20 "
                             L"lots, the limit is 10"),
            1U);
  EXPECT_EQ(sends(), sent + 1);

  // The first fills at the best sell, 101.
  const std::string fill = "FILL B 10 @ 101 | POSITION 10 @ 101 | REALISED 4";
  ASSERT_TRUE(WaitUntil([&] { return terminal.CountLogged("\"" + fill + "\"") == 1; }, 60s));
  EXPECT_EQ(CountInLogWindow(window, Utf8("|" + fill)), 1U);
  EXPECT_EQ(terminal.CountLogged("{\"type\": 4, \"text\": \"" + fill + "\"}"), 1U);
  // Open against the best buy, 100.
  EXPECT_EQ(Caption(window, contract::kLblPaper),
            L"POSITION 10 @ 101 | REALISED 4 | OPEN -10 | ORDERS 0");

  // A sell of 10 at 101 - 10 fills a lot at a time at the best buy, 100, a
  // look of the library every 50 ms; the panel is closed as the first comes.
  terminal.Script({"TERMSIM_T2Q_SEND_DELAY_MS=300", "TERMSIM_T2Q_FILL_LOTS=1"});
  Click(window, contract::kCmdBestBid);
  ASSERT_TRUE(WaitUntil([&] { return terminal.CountLogged("\"FILL S 1 @ 100 |") > 0; }, 60s));
  // A Kill whose reply would come a minute later is still on its way too.
  terminal.Script({"TERMSIM_T2Q_SEND_DELAY_MS=60000", "TERMSIM_T2Q_FILL_LOTS=1"});
  Click(window, contract::kCmdKillOrders);
  EXPECT_EQ(panel.Close(), 0);
  // Every trade the library reported before it was disconnected is written.
  const auto journal = terminal.JournalLines();
  const auto trades = std::count_if(journal.begin(), journal.end(),
                                    [](const auto& line) { return line.rfind("TRADE ", 0) == 0; });
  EXPECT_EQ(terminal.CountLogged("FILL "), static_cast<std::size_t>(trades));
  EXPECT_GT(trades, 1);
  EXPECT_FALSE(terminal.ErrorLogged());
}

}  // namespace
}  // namespace vestrel::e2e
