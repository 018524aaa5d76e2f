// The real Vestrel.exe under Wine, driven as the terminal and a trader do:
// order books poked over DDE, buttons clicked through the automation
// contract, and what reached the stand-in library, the log window and the
// logs read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "harness/automation_ids.h"
#include "harness/panel_session.h"
#include "recording/poke_recording.h"

namespace vestrel::e2e {
namespace {

// A window's text as the system holds it, without asking the window.
std::wstring InternalText(HWND window) {
  wchar_t text[256] = {};
  InternalGetWindowText(window, text, 256);
  return text;
}

std::vector<RecordedPoke> RecordedPokes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                        std::istreambuf_iterator<char>());
  try {
    return ReadRecording(bytes).Pokes;
  } catch (const std::exception&) {
    return {};  // caught between writes
  }
}

TEST(PanelTrading, ShowsTheBookAndTradesFromItsButtons) {
  RunningPanel panel({.MoreSections = "[Record]\r\nFile=records\\pokes.rec\r\n"});
  const TerminalFolder& terminal = panel.terminal;
  const HWND window = panel.WaitShown();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(WindowText(window), kVersionedCaption);
  EXPECT_EQ(Caption(window, contract::kCmdBestBid), L"*");
  // Space on a fresh panel acts on cmdBestAsk.
  EXPECT_EQ(FocusOf(window), GetDlgItem(window, contract::kCmdBestAsk));

  TerminalClient terminalSide;
  ASSERT_TRUE(terminalSide.Connect());
  ASSERT_TRUE(terminalSide.PokeBook(kSampleBook));
  EXPECT_EQ(Caption(window, contract::kCmdBestBid), L"101");
  EXPECT_EQ(Caption(window, contract::kCmdBestAsk), L"100");
  EXPECT_EQ(Caption(window, contract::kCmdMaxBid), L"102");
  EXPECT_EQ(Caption(window, contract::kLabel5), L"9");
  EXPECT_EQ(Caption(window, contract::kCmdMaxAsk), L"98");
  EXPECT_EQ(Caption(window, contract::kLabel6), L"7");
  // Above other windows only when the trader asks for it.
  EXPECT_EQ(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  // The screen follows with the next repaint round: the indicator, and each
  // control's own copy of its text, which it paints from.
  EXPECT_TRUE(
      WaitUntil([&] { return ShapeInFront(window, contract::kShpUp, contract::kShpDown); }, 5s));
  EXPECT_TRUE(WaitUntil(
      [&] { return InternalText(GetDlgItem(window, contract::kCmdMaxAsk)) == L"98"; }, 5s));
  EXPECT_TRUE(
      WaitUntil([&] { return InternalText(GetDlgItem(window, contract::kLabel6)) == L"7"; }, 5s));
  EXPECT_FALSE(terminalSide.Poke("R2C1:R7C3", EncodeBook(kSampleBook)));  // not a whole table
  // Both pokes are in the recording within a tick, while the panel runs.
  const auto recording = terminal.Path() / L"records" / L"pokes.rec";
  EXPECT_TRUE(WaitUntil([&] { return RecordedPokes(recording).size() == 2; }, 5s));
  const auto recorded = RecordedPokes(recording);
  ASSERT_EQ(recorded.size(), 2U);
  EXPECT_EQ(recorded[0].Item, BookItem(kSampleBook));
  EXPECT_EQ(recorded[1].Item, "R2C1:R7C3");
  EXPECT_EQ(recorded[1].Data, EncodeBook(kSampleBook));

  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, contract::kCmdReverse)));
  Click(window, contract::kCmdBestBid);
  Click(window, contract::kCmdMaxAsk);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, contract::kCmdReverse)));
  Click(window, contract::kCmdReverse);
  Click(window, contract::kCmdKillOrders);
  EXPECT_EQ(terminal.SentTransactions(),
            (std::vector<std::string>{NewOrder('S', 91, 2), NewOrder('B', 103, 2),
                                      NewOrder('S', 91, 4), kKillAllOrders}));
  // Each reply in the library's words: whole in the event log, after its
  // time in the log window, oldest first.
  std::vector<std::string> replies;
  for (const std::string number : {"5000000001", "5000000002", "5000000003"}) {
    replies.push_back(number + "|Order " + number + " registered.|250|0||250");
  }
  replies.push_back("0|All futures orders cancelled.|250|0||250");
  std::vector<std::string> logged;
  for (const std::string& line : terminal.EventLogLines()) {
    if (line.find("\"text\": \"3|1|") != std::string::npos) {
      logged.push_back(line);
    }
  }
  ASSERT_EQ(logged.size(), replies.size());
  Click(window, contract::kCmdLog);
  const HWND log = panel.program.WaitForWindow(contract::kLogWindowClass);
  ASSERT_NE(log, nullptr);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(log) != FALSE; }, 10s));
  const HWND list = GetDlgItem(log, contract::kLogListId);
  ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 4);
  const std::vector<std::wstring> lines = automation::ListLines(list);
  for (std::size_t i = 0; i < replies.size(); ++i) {
    EXPECT_EQ(logged[i], "{\"type\": 4, \"text\": \"3|1|" + replies[i] + "\"}");
    EXPECT_TRUE(lines[i].ends_with(Utf8(replies[i].substr(replies[i].find('|'))))) << lines[i];
  }

  EXPECT_EQ(panel.Close(), 0);
  const std::vector<std::string> journal = terminal.JournalLines();
  ASSERT_GE(journal.size(), 3U);
  EXPECT_EQ(journal[0].rfind("CONNECT ", 0), 0U);
  EXPECT_EQ(journal[1], "IS_DLL_CONNECTED");
  EXPECT_EQ(journal[2], "IS_QUIK_CONNECTED");
  EXPECT_EQ(journal.back(), "DISCONNECT");
}

TEST(PanelStart, AFailedConnectionShowsTheReasonAndEndsTheProgram) {
  RunningPanel panel({}, {{L"TERMSIM_T2Q_CONNECT", L"1"}});
  const HWND box = WaitForMessageBox(panel.program);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box), L"TRANS2QUIK_FAILED");
  DismissMessageBox(box);
  EXPECT_EQ(panel.program.WaitForExit(60s), 0);
  EXPECT_EQ(panel.terminal.JournalLines().front().rfind("CONNECT ", 0), 0U);
}

TEST(PanelStart, ASecondPanelWarnsThatTheServerAlreadyRunsAndTheFirstKeepsServing) {
  const RunningPanel first;
  const HWND firstWindow = first.WaitShown();
  ASSERT_NE(firstWindow, nullptr);
  TerminalClient terminalSide;
  ASSERT_TRUE(terminalSide.Connect());

  const RunningPanel late;
  const HWND box = WaitForMessageBox(late.program);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box), L"A DDE server named \"a\" with topic \"b\" is already running.");
  DismissMessageBox(box);
  ASSERT_NE(late.WaitShown(), nullptr);
  // The first panel still serves the book.
  EXPECT_TRUE(terminalSide.PokeBook(kSampleBook));
  EXPECT_EQ(Caption(firstWindow, contract::kCmdBestBid), L"101");
  EXPECT_EQ(late.Close(), 0);
  // The second one's shutdown leaves the first one's service alone: it still
  // serves the conversation it had and takes new ones.
  EXPECT_TRUE(terminalSide.PokeBook(kSampleBook));
  TerminalClient restartedTerminal;
  EXPECT_TRUE(restartedTerminal.Connect(10s));
  EXPECT_FALSE(first.terminal.ErrorLogged());
  EXPECT_FALSE(late.terminal.ErrorLogged());
}

// Kept above other windows as the trader asked; minimised, it goes to the
// tray, and a double click on the icon brings it back.
TEST(PanelTray, AlwaysOnTopMinimisesToTheTrayAndADoubleClickOnTheIconRestores) {
  const RunningPanel panel({.MoreSections = "[View]\r\nAlwaysOnTop=1\r\n"});
  const HWND window = panel.WaitShown();
  ASSERT_NE(window, nullptr);
  EXPECT_NE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  SendMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(window) == FALSE; }, 10s))
      << "iconic " << IsIconic(window);

  const HWND tray = GetDlgItem(window, contract::kPicTray);
  SendMessageW(tray, WM_MOUSEMOVE, 0, WM_LBUTTONDOWN);
  SendMessageW(tray, WM_MOUSEMOVE, 0, WM_LBUTTONUP);
  EXPECT_FALSE(IsWindowVisible(window));
  SendMessageW(tray, WM_MOUSEMOVE, 0, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(WaitUntil(
      [&] { return IsWindowVisible(window) != FALSE && IsIconic(window) == FALSE; }, 10s));
  EXPECT_EQ(panel.Close(), 0);
}

}  // namespace
}  // namespace vestrel::e2e
