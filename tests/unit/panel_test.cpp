// The whole panel without a window: order books go in as XLTable pokes
// through the DDE library, clicks and window events as the window would send
// them; out come the captions, the indicator, what the transaction library
// was sent, the log window's lines and the application log.
#include "panel/panel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/program_version.h"
#include "fakes/fake_dde_library.h"
#include "fakes/fake_ports.h"
#include "fakes/fake_transaction_library.h"
#include "fakes/fake_window_ports.h"
#include "recording/poke_recording.h"
#include "xltable_writer.h"

namespace vestrel {
namespace {

using namespace testing;
using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

// Sell volume, price, buy volume of one level.
struct Level {
  double Sell;
  double Price;
  double Buy;
};

Bytes BookBytes(const std::vector<Level>& levels, std::string_view priceTitle = "PRICE") {
  using xltable::Cell;
  xltable::Sheet rows;
  rows.push_back({std::string("SELL_VOLUME"), std::string(priceTitle), std::string("BUY_VOLUME")});
  for (const Level& level : levels) {
    rows.push_back({level.Sell > 0 ? Cell(level.Sell) : Cell(), level.Price,
                    level.Buy > 0 ? Cell(level.Buy) : Cell()});
  }
  return xltable::EncodeXLTable(rows);
}

const std::string kTextLog = "C:\\Users\\trader\\AppData\\Roaming\\Zel_Project\\261206.log";
const std::string kStars(105, '*');

const std::vector<Level> kBook = {{5, 103, 0}, {9, 102, 0}, {2, 101, 0},
                                  {0, 100, 4}, {0, 99, 1},  {0, 98, 7}};

struct PanelRig {
  FakeLogServices services;
  FakeMessageBox boxes;
  MapProfile profile;
  FakeTransactionLibrary library;
  FakeDdeLibrary dde;
  Journal journal;
  FakeShell shell{journal};
  FakeCloser closer{journal};
  FakeWindows windows{journal};
  FakeClock clock;
  Panel panel{{services.AppLog, services.Files, services.Regional, services.UserContexts, boxes,
               profile, library, dde, shell, closer, windows, clock}};

  PanelRig() { profile.Values["Main/Compact"] = "0"; }

  DdeHandle Poke(const Bytes& bytes, std::string_view item = "R1C1:R7C3") {
    return dde.ClientPoke(item, bytes);
  }
  const std::string& Caption(ControlId id) { return panel.Window().Caption(id); }
  // [Record] File=file, in a program folder that exists.
  void RecordTo(const std::string& file) {
    profile.Values["Record/File"] = file;
    services.Files.Folders.insert("C:\\QUIK");
  }
  std::string& FileContent(const std::string& path) { return services.Files.Files[path]; }
  std::vector<EventLogEntry> Warnings() const {
    std::vector<EventLogEntry> warnings;
    for (const EventLogEntry& entry : services.AppLog.Entries) {
      if (entry.Type == EventType::Warning) {
        warnings.push_back(entry);
      }
    }
    return warnings;
  }
};

Recording ReadBack(const std::string& content) {
  return ReadRecording(
      std::span(reinterpret_cast<const std::uint8_t*>(content.data()), content.size()));
}

TEST(WholePanel, ABookPokedOverDdeIsShownAndTheButtonsTradeAtItsPrices) {
  PanelRig rig;
  ASSERT_TRUE(rig.panel.Start());
  rig.panel.Resized(WindowState::Normal, TwipsSize{6480, 3150});  // the window is first shown
  ASSERT_TRUE(rig.dde.Serving);
  EXPECT_EQ(rig.panel.Window().WindowCaption(), "Marlowin (" + VersionText(kProgramVersion) + ")");

  EXPECT_EQ(rig.Poke(BookBytes(kBook)), kDdeFAck);
  EXPECT_EQ(rig.Caption(ControlId::cmdMaxBid), "102");
  EXPECT_EQ(rig.Caption(ControlId::Label5), "9");
  EXPECT_EQ(rig.Caption(ControlId::cmdBestBid), "101");
  EXPECT_EQ(rig.Caption(ControlId::cmdBestAsk), "100");
  EXPECT_EQ(rig.Caption(ControlId::cmdMaxAsk), "98");
  EXPECT_EQ(rig.Caption(ControlId::Label6), "7");
  EXPECT_EQ(rig.panel.Window().FrontShape(), ControlId::shpUp);
  // Only whole tables are decoded.
  EXPECT_EQ(rig.Poke(BookBytes({{1, 50, 0}, {0, 40, 1}}), "R2C1:R3C3"), kDdeFNotProcessed);
  EXPECT_EQ(rig.Caption(ControlId::cmdBestBid), "101");

  rig.panel.Click(ControlId::cmdBestBid);  // sells 2 at 101 - 10
  rig.panel.Click(ControlId::cmdReverse);  // then buys twice that at 100 + 10
  rig.panel.Click(ControlId::cmdMaxAsk);   // buys 2 at 98 + 5
  rig.panel.Click(ControlId::cmdKillOrders);
  rig.panel.Click(ControlId::cmdLog);
  const std::string order =
      "ACCOUNT=A1; TYPE=L; TRANS_ID=1; CLASSCODE=C1; SECCODE=S1; "
      "ACTION=NEW_ORDER; OPERATION=";
  EXPECT_EQ(rig.library.Sent,
            (Lines{order + "S; PRICE=91; QUANTITY=2;", order + "B; PRICE=110; QUANTITY=4;",
                   order + "B; PRICE=103; QUANTITY=2;",
                   "TRANS_ID=1; ACCOUNT=A1; ACTION=KILL_ALL_FUTURES_ORDERS; CLASSCODE=C1;"
                   "BASE_CONTRACT=RTS"}));
  ASSERT_EQ(rig.panel.TransactionLog().Lines().size(), 4U);
  EXPECT_EQ(rig.panel.TransactionLog().Lines()[0], "06.12.2026 14:05:09|M|250|0||250");
  ASSERT_EQ(rig.services.AppLog.Entries.size(), 4U);
  EXPECT_EQ(rig.services.AppLog.Entries[0].Text, "3|1|7|M|250|0||250");
  EXPECT_EQ(rig.journal.Calls, (Lines{"DeleteTrayIcon", "ShowLog"}));

  rig.panel.Shutdown();
  EXPECT_TRUE(rig.panel.Closing());
  EXPECT_FALSE(rig.dde.Serving);
  EXPECT_EQ(rig.library.Calls.back(), "Disconnect");
}

TEST(WholePanel, OnPaperClicksRestAtTheSimulatorAndFillOnALaterCrossingBook) {
  PanelRig rig;
  rig.profile.Values["Paper/Enabled"] = "1";
  ASSERT_TRUE(rig.panel.Start());
  ASSERT_TRUE(rig.dde.Serving);
  const std::string caption = "Marlowin (" + VersionText(kProgramVersion) + ") PAPER";
  EXPECT_EQ(rig.panel.Window().WindowCaption(), caption);
  EXPECT_TRUE(rig.panel.Window().Visible(ControlId::lblPaper));
  EXPECT_EQ(rig.Caption(ControlId::lblPaper), "POSITION 0 @ 0 | REALISED 0");

  rig.Poke(BookBytes(kBook));              // sells 103 102 101, buys 100 99 98
  rig.panel.Click(ControlId::cmdBestAsk);  // buys 2 at 100 + 10, crossing: rests all the same
  const auto& appLog = rig.services.AppLog.Entries;
  const auto& logWindow = rig.panel.TransactionLog().Lines();
  ASSERT_EQ(appLog.size(), 1U);
  EXPECT_EQ(appLog[0].Text, "3|1|1|paper order 1 accepted|250|0||250");
  EXPECT_EQ(logWindow, Lines{"06.12.2026 14:05:09|paper order 1 accepted|250|0||250"});

  rig.Poke(BookBytes(kBook));
  const std::string fill = "PAPER FILL B 2 @ 101 | POSITION 2 @ 101 | REALISED 0";
  ASSERT_EQ(appLog.size(), 2U);
  EXPECT_EQ(appLog[1], (testing::EventLogEntry{fill, EventType::Information}));
  EXPECT_EQ(logWindow.back(), "06.12.2026 14:05:09|" + fill);
  EXPECT_EQ(rig.Caption(ControlId::lblPaper), "POSITION 2 @ 101 | REALISED 0");

  // Prices in the trader's decimal separator; a kill cancels what rests.
  const Bytes book = BookBytes({{5, 100.5, 0}, {0, 99.5, 4}});
  rig.Poke(book, "R1C1:R3C3");
  rig.panel.Click(ControlId::cmdBestBid);  // sells 2 at 90,5
  rig.panel.Click(ControlId::cmdMaxAsk);   // buys 2 at 104,5
  rig.panel.Click(ControlId::cmdKillOrders);
  rig.Poke(book, "R1C1:R3C3");
  EXPECT_EQ(appLog.back().Text, "3|1|4|paper order 4 accepted|250|0||250");
  rig.panel.Click(ControlId::cmdReverse);  // after a buy: sells 4 at 90,5
  rig.Poke(book, "R1C1:R3C3");
  const std::string reversal = "PAPER FILL S 4 @ 99,5 | POSITION -2 @ 99,5 | REALISED -3";
  EXPECT_EQ(appLog.back().Text, reversal);
  EXPECT_EQ(logWindow.back(), "06.12.2026 14:05:09|" + reversal);
  EXPECT_EQ(rig.Caption(ControlId::lblPaper), "POSITION -2 @ 99,5 | REALISED -3");

  rig.panel.Resized(WindowState::Minimized, std::nullopt);
  EXPECT_EQ(rig.journal.Calls.front(), "AddTrayIcon " + caption);
  rig.panel.Shutdown();
  EXPECT_TRUE(rig.library.Calls.empty());  // the terminal's library was never called
  EXPECT_TRUE(rig.services.ErrorEntries().empty());
}

TEST(WholePanel, ARefusedPokeKeepsTheLastBookAndIsLogged) {
  PanelRig rig;
  ASSERT_TRUE(rig.panel.Start());
  rig.Poke(BookBytes(kBook));
  Bytes truncated = BookBytes({{3, 90, 0}, {0, 80, 3}});
  truncated.resize(truncated.size() - 3);
  EXPECT_EQ(rig.Poke(truncated), kDdeFNotProcessed);
  EXPECT_EQ(rig.Caption(ControlId::cmdBestBid), "101");
  EXPECT_FALSE(rig.services.ErrorEntries().empty());
  EXPECT_EQ(rig.services.Files.Files.size(), 1U);  // the day's text log
  EXPECT_EQ(rig.Poke(BookBytes({{3, 90, 0}, {0, 80, 3}}, "PRICE"), "R1C1:R3C3"), kDdeFAck);
  EXPECT_EQ(rig.Caption(ControlId::cmdBestBid), "90");
}

TEST(WholePanel, AFloodOfRefusedPokesIsLoggedOnceAndCountedOnTheTickAndAtShutdown) {
  PanelRig rig;
  ASSERT_TRUE(rig.panel.Start());
  const std::string& textLog = rig.services.Files.Files[kTextLog];
  auto count = [&](const std::string& what) {
    std::size_t n = 0;
    for (auto at = textLog.find(what); at != std::string::npos; at = textLog.find(what, at + 1)) {
      ++n;
    }
    return n;
  };
  // The terminal keeps its item's string handle while it pokes.
  rig.dde.ClientString("R1C1:R7C3");
  Bytes truncated = BookBytes(kBook);
  truncated.resize(truncated.size() - 3);
  EXPECT_EQ(rig.Poke(truncated), kDdeFNotProcessed);
  const std::size_t records = count(kStars);
  const std::size_t entries = rig.services.ErrorEntries().size();
  ASSERT_GT(records, 1U);
  for (int poke = 0; poke < 99; ++poke) {
    EXPECT_EQ(rig.Poke(truncated), kDdeFNotProcessed);
  }
  rig.panel.Tick();
  EXPECT_EQ(count(kStars), records);
  EXPECT_EQ(rig.services.ErrorEntries().size(), entries);

  // A tick once the minute is over writes one count for each record.
  rig.services.Regional.Clock.Minute += 1;
  rig.panel.Tick();
  EXPECT_EQ(count(kStars), 2 * records);
  EXPECT_EQ(count(" : Repeated 99 more times between 14:05:09 and 14:05:09: "), records);
  EXPECT_EQ(rig.services.ErrorEntries().size(), 2 * entries);

  // Then the next is written whole again, and shutdown writes what is held.
  rig.Poke(truncated);
  rig.Poke(truncated);
  EXPECT_EQ(count(kStars), 3 * records);
  rig.panel.Shutdown();
  EXPECT_EQ(count(" : Repeated once more at 14:06:09: "), records);
  EXPECT_EQ(count(kStars), 4 * records);
}

// A clock that moves on a microsecond every time it is read.
struct TickingClock : Clock {
  std::int64_t MonotonicMicroseconds() const override { return ++now; }
  std::int64_t UtcMicroseconds() const override { return now; }
  mutable std::int64_t now = 0;
};

TEST(WholePanel, TimingsOnCountEveryPokeAndTimeItsStepsUntilTurnedOff) {
  PanelRig rig;
  ASSERT_TRUE(rig.panel.Start());
  TickingClock clock;
  PokeTimings timings(clock);
  rig.panel.SetPokeTimings(&timings);
  rig.Poke(BookBytes(kBook));
  Bytes truncated = BookBytes(kBook);
  truncated.resize(truncated.size() - 3);
  rig.Poke(truncated);
  EXPECT_EQ(timings.Pokes(), 2);
  EXPECT_GT(timings.Nanoseconds(PokeStage::Fetch), 0);
  EXPECT_GT(timings.Nanoseconds(PokeStage::Decode), 0);
  EXPECT_GT(timings.Nanoseconds(PokeStage::Analysis), 0);

  rig.panel.SetPokeTimings(nullptr);
  const std::int64_t read = clock.now;
  rig.Poke(BookBytes(kBook));
  EXPECT_EQ(timings.Pokes(), 2);
  EXPECT_EQ(clock.now, read);
  EXPECT_EQ(rig.Caption(ControlId::cmdBestBid), "101");
}

TEST(WholePanel, AStartUpThatFailsAtSizeKeepsTheTextSettingsItRead) {
  PanelRig rig;
  rig.profile.Values.erase("Main/Size");
  EXPECT_TRUE(rig.panel.Start());
  EXPECT_TRUE(rig.library.Calls.empty());  // no connection
  EXPECT_FALSE(rig.dde.Serving);           // and no DDE server
  EXPECT_EQ(rig.services.ErrorEntries(),
            Lines{"ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.frmMain.Form_Load IN LINE: 6. "
                  "ERROR =  13 (Type mismatch)"});
  rig.panel.Click(ControlId::cmdKillOrders);
  EXPECT_EQ(rig.library.Sent, Lines{"TRANS_ID=1; ACCOUNT=A1; ACTION=KILL_ALL_FUTURES_ORDERS; "
                                    "CLASSCODE=C1;BASE_CONTRACT=RTS"});
}

TEST(WholePanel, WithoutTheTerminalThePanelClosesBeforeItIsShown) {
  PanelRig rig;
  rig.library.ConnectResult = 2;
  EXPECT_FALSE(rig.panel.Start());
  EXPECT_EQ(rig.boxes.Shown.size(), 1U);
  EXPECT_TRUE(rig.journal.Calls.empty());  // the window closes itself, unshown
  rig.panel.Shutdown();
  EXPECT_FALSE(rig.dde.Serving);
  EXPECT_TRUE(rig.services.ErrorEntries().empty());
}

TEST(WholePanel, AWrongTableClosesThePanelOnceTheTraderHasAcknowledgedTheMessage) {
  PanelRig rig;
  ASSERT_TRUE(rig.panel.Start());
  std::size_t closesWhileOpen = 99;
  rig.boxes.WhileOpen = [&] {
    rig.Poke(BookBytes(kBook, "LAST"));  // a second wrong table meanwhile
    closesWhileOpen = rig.journal.Calls.size();
  };
  rig.Poke(BookBytes(kBook, "LAST"));
  EXPECT_EQ(rig.boxes.Shown, Lines{"Не верная структура стакана!"});
  EXPECT_EQ(closesWhileOpen, 0U);
  EXPECT_EQ(rig.journal.Calls, Lines{"RequestClose"});
  rig.Poke(BookBytes(kBook));  // nothing is shown any more
  EXPECT_EQ(rig.Caption(ControlId::cmdBestBid), "*");
}

TEST(WholePanel, EveryPokeIsRecordedWithItsArrivalTimeAndItemAfterTheRecordingThere) {
  PanelRig rig;
  rig.RecordTo("records\\today.rec");
  rig.services.Files.Folders.insert("C:\\QUIK\\records");
  const std::string path = "C:\\QUIK\\records\\today.rec";
  // A recording of an earlier session is appended to.
  const RecordedPoke earlier{1'700'000'000'000'000, "R1C1:R1C1", {0x10, 0, 4, 0, 0, 0, 0, 0}};
  std::vector<std::uint8_t> before = RecordingHeader();
  AppendPokeRecord(before, earlier.UtcMicroseconds, earlier.Item, earlier.Data);
  rig.FileContent(path).assign(before.begin(), before.end());
  ASSERT_TRUE(rig.panel.Start());
  ASSERT_TRUE(rig.panel.Recording());
  EXPECT_GT(rig.panel.TickIntervalMs(), 0);
  EXPECT_LE(rig.panel.TickIntervalMs(), 1000);

  // Accepted, refused by item and refused by the decoder, each with its gap.
  Bytes broken = BookBytes({{3, 90, 0}, {0, 80, 3}});
  broken.resize(broken.size() - 3);
  const std::vector<std::pair<std::string, Bytes>> sent{
      {"R1C1:R7C3", BookBytes(kBook)},
      {"R2C1:R3C3", BookBytes(kBook)},
      {"R1C1:R3C3", broken},
      {"R1C1:R3C3", BookBytes({{3, 90, 0}, {0, 80, 3}})}};
  const std::vector<DdeHandle> answers{kDdeFAck, kDdeFNotProcessed, kDdeFNotProcessed, kDdeFAck};
  const std::vector<std::int64_t> gapsMs{0, 40, 1, 2500};
  std::vector<RecordedPoke> expected{earlier};
  for (std::size_t i = 0; i < sent.size(); ++i) {
    rig.clock.AdvanceMilliseconds(gapsMs[i]);
    expected.push_back({rig.clock.Utc, sent[i].first, sent[i].second});
    EXPECT_EQ(rig.Poke(sent[i].second, sent[i].first), answers[i]) << i;
    if (i == 1) {
      // Nothing reaches the file between ticks; a tick writes all there is.
      EXPECT_EQ(rig.FileContent(path).size(), before.size());
      rig.panel.Tick();
      EXPECT_EQ(ReadBack(rig.FileContent(path)).Pokes,
                std::vector<RecordedPoke>(expected.begin(), expected.end()));
    }
  }
  // Trading is what it is without a recording.
  EXPECT_EQ(rig.Caption(ControlId::cmdBestBid), "90");
  rig.panel.Shutdown();  // writes the rest

  const Recording recording = ReadBack(rig.FileContent(path));
  EXPECT_EQ(recording.Pokes, expected);
  EXPECT_TRUE(recording.CutShort.empty());
  EXPECT_TRUE(rig.Warnings().empty());
  EXPECT_EQ(rig.services.Files.OpenFiles, 0);
}

TEST(WholePanel, ARecordingThatCannotBeWrittenIsOneWarningAndTradingGoesOn) {
  const std::string text = "R1C1:R1C1\t00\n";
  struct Case {
    std::string File;
    std::string Content;
    bool Locked;
    std::string Warning;
  };
  for (const Case& c : std::vector<Case>{
           {"D:\\pokes.rec", "", true,
            "Pokes are not recorded to D:\\pokes.rec: the file cannot be opened (Permission "
            "denied). Trading goes on."},
           {"old.pokes", text, false,
            "Pokes are not recorded to C:\\QUIK\\old.pokes: it is not a version 2 recording of "
            "pokes. Trading goes on."}}) {
    PanelRig rig;
    rig.RecordTo(c.File);
    rig.services.Files.Folders.insert("D:");
    if (c.Locked) {
      rig.services.Files.Locked.insert(c.File);
    } else {
      rig.FileContent("C:\\QUIK\\" + c.File) = c.Content;
    }
    ASSERT_TRUE(rig.panel.Start());
    EXPECT_FALSE(rig.panel.Recording());
    EXPECT_EQ(rig.Warnings(), (std::vector<EventLogEntry>{{c.Warning, EventType::Warning}}));
    EXPECT_EQ(rig.Poke(BookBytes(kBook)), kDdeFAck);
    EXPECT_EQ(rig.Caption(ControlId::cmdBestBid), "101");
    EXPECT_EQ(rig.FileContent("C:\\QUIK\\" + c.File), c.Content);
  }

  // The disk fills up while recording (to a folder that recording made):
  // one warning, and the trader goes on.
  PanelRig rig;
  rig.RecordTo("new\\pokes.rec");
  ASSERT_TRUE(rig.panel.Start());
  EXPECT_EQ(rig.services.Files.Folders.count("C:\\QUIK\\new"), 1U);
  rig.Poke(BookBytes(kBook));
  rig.panel.Tick();
  const std::string written = rig.FileContent("C:\\QUIK\\new\\pokes.rec");
  rig.Poke(BookBytes({{3, 90, 0}, {0, 80, 3}}), "R1C1:R3C3");
  rig.Poke(BookBytes(kBook));
  rig.services.Files.WritesBeforeFailure = 0;
  rig.panel.Tick();
  rig.panel.Tick();
  EXPECT_FALSE(rig.panel.Recording());
  EXPECT_EQ(rig.Warnings(),
            (std::vector<EventLogEntry>{
                {"Recording pokes to C:\\QUIK\\new\\pokes.rec stopped: the file cannot be written "
                 "(Disk full). The last 2 pokes were not recorded. Trading goes on.",
                 EventType::Warning}}));
  rig.services.Files.WritesBeforeFailure = -1;
  EXPECT_EQ(rig.Poke(BookBytes({{3, 90, 0}, {0, 80, 3}}), "R1C1:R3C3"), kDdeFAck);
  EXPECT_EQ(rig.Caption(ControlId::cmdBestBid), "90");
  rig.panel.Click(ControlId::cmdBestBid);
  EXPECT_EQ(rig.library.Sent.size(), 1U);
  rig.panel.Shutdown();
  EXPECT_EQ(rig.FileContent("C:\\QUIK\\new\\pokes.rec"), written);
  EXPECT_EQ(rig.Warnings().size(), 1U);
  EXPECT_EQ(rig.services.Files.OpenFiles, 0);
}

}  // namespace
}  // namespace vestrel
