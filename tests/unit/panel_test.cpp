// The whole panel without a window: order books go in as XLTable pokes
// through the DDE library, clicks and window events as the window would send
// them; out come the captions, the indicator, what the transaction library
// was sent, the log window's lines and the application log.
#include "panel/panel.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "common/program_version.h"
#include "contract/automation_contract.h"
#include "fakes/fake_panel_ports.h"
#include "recording/poke_recording.h"
#include "xltable_writer.h"

namespace vestrel {
namespace {

using namespace testing;
using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

const std::string kTextLog = "C:\\Users\\trader\\AppData\\Roaming\\Zel_Project\\261206.log";
const std::string kStars(105, '*');

const std::vector<Level> kBook = {{5, 103, 0}, {9, 102, 0}, {2, 101, 0},
                                  {0, 100, 4}, {0, 99, 1},  {0, 98, 7}};

struct PanelRig : FakePanelPorts {
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
  // The look all four price buttons share (Live when they differ, which
  // they never should).
  ControlLook PriceLook() {
    const ControlLook look = panel.Window().Look(ControlId::cmdMaxBid);
    for (ControlId id : {ControlId::cmdBestBid, ControlId::cmdBestAsk, ControlId::cmdMaxAsk}) {
      EXPECT_EQ(panel.Window().Look(id), look);
    }
    return look;
  }
  void Wait(std::int64_t milliseconds) {
    clock.AdvanceMilliseconds(milliseconds);
    panel.Tick();
  }
};

// A poke whose last cell the decoder cannot read.
Bytes CutShort(Bytes bytes) {
  bytes.resize(bytes.size() - 3);
  return bytes;
}

Recording ReadBack(const std::string& content) {
  return ReadRecording(
      std::span(reinterpret_cast<const std::uint8_t*>(content.data()), content.size()));
}

const std::string kOrder =
    "ACCOUNT=A1; TYPE=L; TRANS_ID=1; CLASSCODE=C1; SECCODE=S1; ACTION=NEW_ORDER; OPERATION=";
const std::string kKill =
    "TRANS_ID=1; ACCOUNT=A1; ACTION=KILL_ALL_FUTURES_ORDERS; CLASSCODE=C1;BASE_CONTRACT=RTS";
constexpr KeyChord kF2{0x71};
constexpr KeyChord kCtrlF2{0x71, true};
constexpr KeyChord kSpace{0x20};

TEST(WholePanel, ABookPokedOverDdeIsShownAndTheButtonsTradeAtItsPrices) {
  PanelRig rig;
  ASSERT_TRUE(rig.panel.Start());
  rig.panel.Resized(WindowState::Normal, TwipsSize{6480, 3150});  // the window is first shown
  ASSERT_TRUE(rig.dde.Serving);
  EXPECT_EQ(rig.panel.Window().WindowCaption(), "Marlowin (" + VersionText(kProgramVersion) + ")");

  EXPECT_EQ(rig.PokeBook(kBook), kDdeFAck);
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
  // The connection watched is the paper exchange's, never the terminal's.
  rig.profile.Values["Guard/ConnectionCheckMs"] = "1000";
  rig.library.DllConnectedResult = 11;  // no terminal at all
  ASSERT_TRUE(rig.panel.Start());
  ASSERT_TRUE(rig.dde.Serving);
  const std::string caption = "Marlowin (" + VersionText(kProgramVersion) + ") PAPER";
  EXPECT_EQ(rig.panel.Window().WindowCaption(), caption);
  EXPECT_TRUE(rig.panel.Window().Visible(ControlId::lblPaper));
  EXPECT_EQ(rig.Caption(ControlId::lblPaper), "POSITION 0 @ 0 | REALISED 0 | OPEN 0 | ORDERS 0");

  rig.PokeBook(kBook);                     // sells 103 102 101, buys 100 99 98
  rig.panel.Click(ControlId::cmdBestAsk);  // buys 2 at 100 + 10, crossing: rests all the same
  const auto& appLog = rig.services.AppLog.Entries;
  const auto& logWindow = rig.panel.TransactionLog().Lines();
  ASSERT_EQ(appLog.size(), 1U);
  EXPECT_EQ(appLog[0].Text, "3|1|1|paper order 1 accepted|250|0||250");
  EXPECT_EQ(logWindow, Lines{"06.12.2026 14:05:09|paper order 1 accepted|250|0||250"});

  rig.PokeBook(kBook);
  const std::string fill = "PAPER FILL B 2 @ 101 | POSITION 2 @ 101 | REALISED 0";
  ASSERT_EQ(appLog.size(), 2U);
  EXPECT_EQ(appLog[1], (testing::EventLogEntry{fill, EventType::Information}));
  EXPECT_EQ(logWindow.back(), "06.12.2026 14:05:09|" + fill);
  // Open against the highest buy, 100.
  EXPECT_EQ(rig.Caption(ControlId::lblPaper), "POSITION 2 @ 101 | REALISED 0 | OPEN -2 | ORDERS 0");

  // Prices in the trader's decimal separator; a kill cancels what rests.
  const std::vector<Level> book = {{5, 100.5, 0}, {0, 99.5, 4}};
  rig.PokeBook(book);
  rig.panel.Click(ControlId::cmdBestBid);  // sells 2 at 90,5
  rig.panel.Click(ControlId::cmdMaxAsk);   // buys 2 at 104,5
  rig.panel.Click(ControlId::cmdKillOrders);
  rig.PokeBook(book);
  EXPECT_EQ(appLog.back().Text, "3|1|4|paper order 4 accepted|250|0||250");
  rig.panel.Click(ControlId::cmdReverse);  // after a buy: sells 4 at 90,5
  rig.PokeBook(book);
  const std::string reversal = "PAPER FILL S 4 @ 99,5 | POSITION -2 @ 99,5 | REALISED -3";
  EXPECT_EQ(appLog.back().Text, reversal);
  EXPECT_EQ(logWindow.back(), "06.12.2026 14:05:09|" + reversal);
  EXPECT_EQ(rig.Caption(ControlId::lblPaper),
            "POSITION -2 @ 99,5 | REALISED -3 | OPEN -2 | ORDERS 0");

  rig.Wait(1000);
  rig.Wait(1000);
  EXPECT_EQ(rig.PriceLook(), ControlLook::Live);
  rig.panel.Resized(WindowState::Minimized, std::nullopt);
  EXPECT_EQ(rig.journal.Calls.front(), "AddTrayIcon " + caption);
  rig.panel.Shutdown();
  EXPECT_TRUE(rig.library.Calls.empty());  // the terminal's library was never called
  EXPECT_TRUE(rig.services.ErrorEntries().empty());
}

TEST(WholePanel, ARefusedPokeKeepsTheLastBookAndIsLogged) {
  PanelRig rig;
  ASSERT_TRUE(rig.panel.Start());
  rig.PokeBook(kBook);
  EXPECT_EQ(rig.Poke(CutShort(BookBytes({{3, 90, 0}, {0, 80, 3}}))), kDdeFNotProcessed);
  EXPECT_EQ(rig.Caption(ControlId::cmdBestBid), "101");
  EXPECT_FALSE(rig.services.ErrorEntries().empty());
  EXPECT_EQ(rig.services.Files.Files.size(), 1U);  // the day's text log
  EXPECT_EQ(rig.PokeBook({{3, 90, 0}, {0, 80, 3}}), kDdeFAck);
  EXPECT_EQ(rig.Caption(ControlId::cmdBestBid), "90");
}

// The folding itself is the dispatcher's (log_repeats_test); here the panel's
// tick and shutdown write the counts it holds.
TEST(WholePanel, AFloodOfRefusedPokesIsCountedOnTheTickAndAtShutdown) {
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
  const Bytes truncated = CutShort(BookBytes(kBook));
  EXPECT_EQ(rig.Poke(truncated), kDdeFNotProcessed);
  const std::size_t records = count(kStars);
  const std::size_t entries = rig.services.ErrorEntries().size();
  ASSERT_GT(records, 1U);
  for (int poke = 0; poke < 99; ++poke) {
    EXPECT_EQ(rig.Poke(truncated), kDdeFNotProcessed);
  }
  rig.panel.Tick();
  EXPECT_EQ(count(kStars), 3 * records);
  EXPECT_EQ(rig.services.ErrorEntries().size(), 3 * entries);

  // A tick once the minute is over writes one count for each record.
  rig.services.Regional.Clock.Minute += 1;
  rig.panel.Tick();
  EXPECT_EQ(count(kStars), 4 * records);
  EXPECT_EQ(count(" : Repeated 97 more times between 14:05:09 and 14:05:09: "), records);
  EXPECT_EQ(rig.services.ErrorEntries().size(), 4 * entries);

  // Then a new run, and shutdown writes what is held.
  for (int poke = 0; poke < 4; ++poke) {
    rig.Poke(truncated);
  }
  EXPECT_EQ(count(kStars), 7 * records);
  rig.panel.Shutdown();
  EXPECT_EQ(count(" : Repeated once more at 14:06:09: "), records);
  EXPECT_EQ(count(kStars), 8 * records);
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
  rig.PokeBook(kBook);
  const Bytes truncated = CutShort(BookBytes(kBook));
  rig.Poke(truncated);
  EXPECT_EQ(timings.Pokes(), 2);
  EXPECT_GT(timings.Nanoseconds(PokeStage::Fetch), 0);
  EXPECT_GT(timings.Nanoseconds(PokeStage::Decode), 0);
  EXPECT_GT(timings.Nanoseconds(PokeStage::Analysis), 0);

  rig.panel.SetPokeTimings(nullptr);
  const std::int64_t read = clock.now;
  rig.PokeBook(kBook);
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
  // Beside the record, the status line tells the trader what to mend.
  EXPECT_TRUE(rig.panel.Window().Visible(ControlId::lblStatus));
  EXPECT_EQ(rig.Caption(ControlId::lblStatus),
            "Marlowin.ini [Main] Size is missing or not a number");
  rig.panel.Click(ControlId::cmdKillOrders);
  EXPECT_EQ(rig.library.Sent, Lines{"TRANS_ID=1; ACCOUNT=A1; ACTION=KILL_ALL_FUTURES_ORDERS; "
                                    "CLASSCODE=C1;BASE_CONTRACT=RTS"});
}

TEST(WholePanel, TheStatusLineNamesWhatStopsTradingInTheTradersLanguage) {
  {
    PanelRig rig;
    rig.services.Regional.Language = UiLanguage::Russian;
    rig.profile.Values["Main/Compact"] = "x";
    ASSERT_TRUE(rig.panel.Start());
    EXPECT_EQ(rig.Caption(ControlId::lblStatus),
              "Marlowin.ini [Main] Compact отсутствует или не число");
  }
  {
    // The guard's refusals speak the same language; machine-read lines stay.
    PanelRig rig;
    rig.services.Regional.Language = UiLanguage::Russian;
    rig.profile.Values["Guard/ConnectionCheckMs"] = "1000";
    ASSERT_TRUE(rig.panel.Start());
    rig.PokeBook(kBook);
    rig.library.QuikConnectedResult = 9;
    rig.Wait(1000);
    EXPECT_EQ(rig.Caption(ControlId::lblStatus), "Нет подключения к терминалу");
    EXPECT_EQ(rig.LogLines().back(),
              "Подключение к терминалу потеряно: TRANS2QUIK_IS_QUIK_CONNECTED ответила 9 "
              "(TRANS2QUIK_QUIK_DISCONNECTED). Заявки от кнопок цен и Reverse не отправляются, "
              "пока оно не восстановится.");
    rig.panel.Click(ControlId::cmdBestBid);
    EXPECT_EQ(rig.LogLines().back(), "Заявка не отправлена (cmdBestBid): терминал не подключён");
  }
  // A library that will not load: the error record as always, and the line
  // names the file, the folder and what is wrong with it.
  const auto loadFailing = [](LibraryLoadFailure::Kind what, std::string folder,
                              UiLanguage language) {
    auto rig = std::make_unique<PanelRig>();
    rig->services.Regional.Language = language;
    rig->library.Failure = AppError(53, "Vestrel", "File not found: TRANS2QUIK.DLL");
    rig->library.Load = {what, "TRANS2QUIK.DLL", std::move(folder), 64, 193, "TRANS2QUIK_CONNECT"};
    EXPECT_TRUE(rig->panel.Start());
    EXPECT_FALSE(rig->services.ErrorEntries().empty());
    return rig->Caption(ControlId::lblStatus);
  };
  using Kind = LibraryLoadFailure::Kind;
  EXPECT_EQ(loadFailing(Kind::NotFound, "C:\\QUIK", UiLanguage::English),
            "TRANS2QUIK.DLL not found in C:\\QUIK");
  EXPECT_EQ(loadFailing(Kind::WrongBitness, "C:\\QUIK", UiLanguage::English),
            "TRANS2QUIK.DLL in C:\\QUIK is not a 64-bit library");
  EXPECT_EQ(loadFailing(Kind::WrongBitness, "", UiLanguage::Russian),
            "TRANS2QUIK.DLL на системном пути поиска не является 64-разрядной библиотекой");
  EXPECT_EQ(loadFailing(Kind::Other, "C:\\QUIK", UiLanguage::English),
            "TRANS2QUIK.DLL in C:\\QUIK cannot be loaded (system error 193)");
  EXPECT_EQ(loadFailing(Kind::MissingFunction, "C:\\QUIK", UiLanguage::Russian),
            "TRANS2QUIK.DLL в C:\\QUIK: нет функции TRANS2QUIK_CONNECT");
  EXPECT_EQ(loadFailing(Kind::None, "", UiLanguage::English), "");
}

TEST(WholePanel, AFailedConnectionShowsTheReasonAndClosesThePanelBeforeItIsShown) {
  PanelRig rig;
  rig.library.ConnectResult = 2;
  EXPECT_FALSE(rig.panel.Start());
  EXPECT_EQ(rig.library.Calls, Lines{"Connect C:\\QUIK"});  // nothing asked after it
  EXPECT_EQ(rig.boxes.Shown, Lines{"В каталоге либо отсутствует INFO.EXE, либо у него не "
                                   "запущен сервис обработки внешних подключений"});
  EXPECT_EQ(rig.boxes.Icons, std::vector<MessageIcon>{MessageIcon::None});
  EXPECT_TRUE(rig.journal.Calls.empty());  // the window closes itself, unshown
  EXPECT_TRUE(rig.dde.Calls.empty());      // no DDE server
  rig.panel.Shutdown();
  EXPECT_TRUE(rig.panel.Closing());
  // The shutdown takes down the server start-up never made: on 0.
  EXPECT_EQ(rig.dde.Calls.back(), "Uninitialize(0)");
  EXPECT_FALSE(rig.dde.Serving);
  EXPECT_TRUE(rig.services.AppLog.Entries.empty());
}

TEST(WholePanel, AServerStartThatFailsHalfWayIsStillTakenDownAtShutdown) {
  PanelRig rig;
  rig.dde.OtherServerRunning = true;
  rig.boxes.WhileOpen = [] { throw std::bad_alloc(); };  // the warning fails
  rig.panel.Start();
  ASSERT_EQ(rig.dde.Instance, 0x2AU);
  rig.panel.Shutdown();
  // Start-up never learnt the instance; the server stops what it made.
  EXPECT_EQ(rig.dde.Calls.back(), "Uninitialize(42)");
  EXPECT_TRUE(rig.dde.Strings().empty());
}

TEST(WholePanel, AWrongTableIsAnsweredAtOnceAndClosesThePanelOnceTheTraderHasReadTheMessage) {
  PanelRig rig;
  rig.boxes.HoldLater = true;  // as the message loop holds a box until the poke is answered
  ASSERT_TRUE(rig.panel.Start());
  // The terminal never waits on the trader: the poke is answered before the box opens.
  EXPECT_EQ(rig.Poke(BookBytes(kBook, "LAST")), kDdeFAck);
  EXPECT_TRUE(rig.boxes.Shown.empty());
  EXPECT_EQ(rig.boxes.Held, Lines{"Не верная структура стакана!"});
  // Tables poked while the message waits, wrong or good, are answered and ignored.
  EXPECT_EQ(rig.Poke(BookBytes(kBook, "LAST")), kDdeFAck);
  EXPECT_EQ(rig.PokeBook(kBook), kDdeFAck);
  EXPECT_EQ(rig.boxes.Held.size(), 1U);
  EXPECT_EQ(rig.Caption(ControlId::cmdBestBid), "*");
  EXPECT_TRUE(rig.journal.Calls.empty());  // the window stays while the trader reads
  ASSERT_TRUE(rig.boxes.ShowHeld());
  EXPECT_EQ(rig.boxes.Shown, Lines{"Не верная структура стакана!"});
  EXPECT_EQ(rig.journal.Calls, Lines{"RequestClose"});
  rig.PokeBook(kBook);  // nothing is shown any more
  EXPECT_EQ(rig.Caption(ControlId::cmdBestBid), "*");
  EXPECT_TRUE(rig.services.AppLog.Entries.empty());
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
  const Bytes broken = CutShort(BookBytes({{3, 90, 0}, {0, 80, 3}}));
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
    UiLanguage Language = UiLanguage::English;  // the trader's interface
  };
  for (const Case& c : std::vector<Case>{
           {"D:\\pokes.rec", "", true,  // an absolute path is taken as it stands
            "Pokes are not recorded to D:\\pokes.rec: the file cannot be opened (Permission "
            "denied). Trading goes on."},
           {"logs\\com1.rec", "", false,
            "Pokes are not recorded to C:\\QUIK\\logs\\com1.rec: it names the device com1, not a "
            "file. Trading goes on."},
           {"logs\\com1.rec", "", false,
            "Поступления не записываются в C:\\QUIK\\logs\\com1.rec: это имя устройства com1, а "
            "не файла. Торговля продолжается.",
            UiLanguage::Russian},
           {"old.pokes", text, false,
            "Pokes are not recorded to C:\\QUIK\\old.pokes: it is not a version 2 recording of "
            "pokes. Trading goes on."}}) {
    PanelRig rig;
    rig.services.Regional.Language = c.Language;
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
    EXPECT_EQ(rig.PokeBook(kBook), kDdeFAck);
    EXPECT_EQ(rig.Caption(ControlId::cmdBestBid), "101");
    EXPECT_EQ(rig.FileContent("C:\\QUIK\\" + c.File), c.Content);
  }

  // The disk fills up while recording (to a folder that recording made):
  // one warning, and the trader goes on.
  PanelRig rig;
  rig.RecordTo("new\\pokes.rec");
  ASSERT_TRUE(rig.panel.Start());
  EXPECT_EQ(rig.services.Files.Folders.count("C:\\QUIK\\new"), 1U);
  rig.PokeBook(kBook);
  rig.panel.Tick();
  const std::string written = rig.FileContent("C:\\QUIK\\new\\pokes.rec");
  rig.PokeBook({{3, 90, 0}, {0, 80, 3}});
  rig.PokeBook(kBook);
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
  EXPECT_EQ(rig.PokeBook({{3, 90, 0}, {0, 80, 3}}), kDdeFAck);
  EXPECT_EQ(rig.Caption(ControlId::cmdBestBid), "90");
  rig.panel.Click(ControlId::cmdBestBid);
  EXPECT_EQ(rig.library.Sent.size(), 1U);
  rig.panel.Shutdown();
  EXPECT_EQ(rig.FileContent("C:\\QUIK\\new\\pokes.rec"), written);
  EXPECT_EQ(rig.Warnings().size(), 1U);
  EXPECT_EQ(rig.services.Files.OpenFiles, 0);
}

TEST(PanelOrders, WithATickEveryPriceSentIsOnTheGridABuyUpAndASellDown) {
  // A 10-step book; the largest levels 100040 (sell) and 100030 (buy) are
  // also the best prices.
  const std::vector<Level> tenStep = {{1, 100060, 0}, {2, 100050, 0}, {9, 100040, 0},
                                      {0, 100030, 7}, {0, 100020, 1}, {0, 100010, 2}};
  for (const char* tick : {"", "10", "ten"}) {
    SCOPED_TRACE(tick);
    PanelRig rig;
    rig.profile.Values["Orders/Tick"] = tick;
    rig.profile.Values["Main/SafeSpread"] = "3";
    ASSERT_TRUE(rig.panel.Start());
    rig.PokeBook(tenStep);
    for (ControlId button : {ControlId::cmdMaxAsk, ControlId::cmdMaxBid, ControlId::cmdBestAsk,
                             ControlId::cmdReverse, ControlId::cmdBestBid, ControlId::cmdReverse}) {
      rig.panel.Click(button);
    }
    const Lines onGrid{
        kOrder + "B; PRICE=100040; QUANTITY=2;", kOrder + "S; PRICE=100030; QUANTITY=2;",
        kOrder + "B; PRICE=100040; QUANTITY=2;", kOrder + "S; PRICE=100030; QUANTITY=4;",
        kOrder + "S; PRICE=100030; QUANTITY=2;", kOrder + "B; PRICE=100040; QUANTITY=4;"};
    const Lines asWorkedOut{
        kOrder + "B; PRICE=100035; QUANTITY=2;", kOrder + "S; PRICE=100035; QUANTITY=2;",
        kOrder + "B; PRICE=100033; QUANTITY=2;", kOrder + "S; PRICE=100037; QUANTITY=4;",
        kOrder + "S; PRICE=100037; QUANTITY=2;", kOrder + "B; PRICE=100033; QUANTITY=4;"};
    EXPECT_EQ(rig.library.Sent, std::string(tick) == "10" ? onGrid : asWorkedOut);
    EXPECT_EQ(rig.Warnings().size(), std::string(tick) == "ten" ? 1U : 0U);
  }
}

TEST(PanelGuard, WithoutTheGuardNothingIsHeldBack) {
  PanelRig rig;
  ASSERT_TRUE(rig.panel.Start());
  EXPECT_EQ(rig.panel.TickIntervalMs(), 10'000);  // the error log's repeat counts only
  rig.PokeBook(kBook);
  rig.panel.Click(ControlId::cmdBestBid);
  rig.panel.Click(ControlId::cmdBestBid);  // a double click sends twice, as it always did
  rig.Wait(3'600'000);
  rig.panel.Click(ControlId::cmdReverse);
  EXPECT_EQ(rig.library.Sent.size(), 3U);
  EXPECT_EQ(rig.PriceLook(), ControlLook::Live);
  EXPECT_EQ(rig.library.Calls.size(), 6U);  // no connection checks besides start-up's
}

TEST(PanelGuard, AStaleBookHoldsBackThePriceButtonsAndReverseUntilTheNextBook) {
  PanelRig rig;
  rig.profile.Values["Guard/StaleAfterMs"] = "1000";
  rig.profile.Values["Hotkeys/MaxAsk"] = "F2";
  ASSERT_TRUE(rig.panel.Start());
  EXPECT_EQ(rig.panel.TickIntervalMs(), 50);  // the look follows the clock closely
  EXPECT_EQ(rig.PriceLook(), ControlLook::Stale);
  rig.panel.Click(ControlId::cmdBestBid);
  EXPECT_EQ(rig.LogLines(), Lines{"Order not sent (cmdBestBid): no order book has arrived yet"});
  EXPECT_TRUE(rig.services.ErrorEntries().empty());  // not the "*" caption's type mismatch

  rig.PokeBook(kBook);
  EXPECT_EQ(rig.PriceLook(), ControlLook::Live);
  rig.panel.Click(ControlId::cmdBestBid);
  rig.Wait(1000);  // not older than 1000 ms yet
  EXPECT_EQ(rig.PriceLook(), ControlLook::Live);
  rig.Wait(1);  // without a poke, the tick shows it
  EXPECT_EQ(rig.PriceLook(), ControlLook::Stale);
  EXPECT_EQ(rig.Caption(ControlId::cmdBestAsk), "100");  // the price stays readable

  rig.clock.AdvanceMilliseconds(1349);  // no tick: the click still knows
  rig.panel.Click(ControlId::cmdBestAsk);
  EXPECT_TRUE(rig.panel.KeyPress(kF2));  // a key is a click
  rig.panel.Click(ControlId::cmdReverse);
  rig.panel.Click(ControlId::cmdKillOrders);  // never held back
  const std::string stale = "the order book is 2350 ms old, stale after 1000 ms";
  EXPECT_EQ(rig.LogLines(),
            (Lines{"Order not sent (cmdBestBid): no order book has arrived yet", "M|250|0||250",
                   "Order not sent (cmdBestAsk): " + stale, "Order not sent (cmdMaxAsk): " + stale,
                   "Order not sent (cmdReverse): " + stale, "M|250|0||250"}));
  EXPECT_EQ(rig.library.Sent, (Lines{kOrder + "S; PRICE=91; QUANTITY=2;", kKill}));

  // A refused poke is no accepted book; the next good one makes them live at once.
  const Bytes truncated = CutShort(BookBytes(kBook));
  EXPECT_EQ(rig.Poke(truncated), kDdeFNotProcessed);
  EXPECT_EQ(rig.PriceLook(), ControlLook::Stale);
  rig.PokeBook(kBook);
  EXPECT_EQ(rig.PriceLook(), ControlLook::Live);
  rig.panel.Click(ControlId::cmdMaxBid);
  EXPECT_EQ(rig.library.Sent.back(), kOrder + "S; PRICE=97; QUANTITY=2;");
}

// kBook with its best sell price cell holding a text: the analysis shows it,
// then stops at the mid price.
Bytes BookWithTextBestSell(const std::string& text) {
  using xltable::Cell;
  xltable::Sheet rows{{std::string("SELL_VOLUME"), std::string("PRICE"), std::string("BUY_VOLUME")},
                      {5.0, 113.0, Cell()},
                      {9.0, 112.0, Cell()},
                      {2.0, text, Cell()},
                      {Cell(), 100.0, 4.0},
                      {Cell(), 99.0, 1.0},
                      {Cell(), 98.0, 7.0}};
  return xltable::EncodeXLTable(rows);
}

TEST(WholePanel, ABestPriceThatIsNoNumberIsShownAndItsButtonFailsAsReadingItAlwaysDid) {
  PanelRig rig;
  ASSERT_TRUE(rig.panel.Start());
  rig.PokeBook(kBook);
  rig.Poke(BookWithTextBestSell("n/a"));
  EXPECT_EQ(rig.Caption(ControlId::cmdBestBid), "n/a");
  EXPECT_EQ(rig.Caption(ControlId::cmdMaxBid), "112");  // shown before the analysis stopped
  rig.services.AppLog.Entries.clear();
  rig.panel.Click(ControlId::cmdBestBid);
  rig.panel.Click(ControlId::cmdMaxBid);  // trades the price it shows
  EXPECT_EQ(rig.library.Sent, Lines{kOrder + "S; PRICE=107; QUANTITY=2;"});
  EXPECT_EQ(rig.services.ErrorEntries(),
            Lines{"ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.frmMain.cmdBestBid_Click IN LINE: 1. "
                  "ERROR =  13 (Type mismatch)"});
}

TEST(PanelGuard, OnlyABookShownWholeIsFreshAndABookAsOldAsTheLimitStillIs) {
  PanelRig rig;
  rig.profile.Values["Guard/StaleAfterMs"] = "1000";
  ASSERT_TRUE(rig.panel.Start());
  rig.PokeBook(kBook);
  rig.clock.AdvanceMilliseconds(1000);  // exactly the limit: not older than it
  rig.panel.Click(ControlId::cmdBestAsk);
  EXPECT_EQ(rig.library.Sent, Lines{kOrder + "B; PRICE=110; QUANTITY=2;"});
  rig.Wait(1);
  EXPECT_EQ(rig.PriceLook(), ControlLook::Stale);

  // A well-formed table the analysis stops in is no fresh book: its prices
  // are not all on the buttons.
  rig.Poke(BookWithTextBestSell("n/a"));
  EXPECT_EQ(rig.PriceLook(), ControlLook::Stale);
  rig.panel.Click(ControlId::cmdMaxBid);
  EXPECT_EQ(rig.library.Sent.size(), 1U);
  EXPECT_EQ(rig.LogLines().back(),
            "Order not sent (cmdMaxBid): the order book is 1001 ms old, stale after 1000 ms");
}

TEST(PanelGuard, AClickThatSendsNothingDoesNotStartTheOrderInterval) {
  PanelRig rig;
  rig.profile.Values["Guard/MinClickIntervalMs"] = "300";
  ASSERT_TRUE(rig.panel.Start());
  rig.panel.Click(ControlId::cmdBestBid);  // "*": fails before sending
  rig.PokeBook(kBook);
  rig.panel.Click(ControlId::cmdReverse);  // no order yet to reverse
  rig.panel.Click(ControlId::cmdBestBid);
  rig.panel.Click(ControlId::cmdReverse);  // 0 ms after the order: held back
  EXPECT_EQ(rig.library.Sent, Lines{kOrder + "S; PRICE=91; QUANTITY=2;"});
  EXPECT_EQ(rig.LogLines(),
            (Lines{"M|250|0||250",
                   "Order not sent (cmdReverse): 0 ms after the last order, closer than 300 ms"}));
}

TEST(PanelGuard, ALibraryThatFailsLosesTheConnectionWithItsOwnReason) {
  PanelRig rig;
  rig.profile.Values["Guard/ConnectionCheckMs"] = "1000";
  ASSERT_TRUE(rig.panel.Start());
  rig.library.Calls.clear();
  rig.library.Failure = AppError(453, "Vestrel", "Specified DLL function not found");
  rig.Wait(1000);
  const std::string lost =
      "The connection to the terminal is lost: the transaction library failed: Specified DLL "
      "function not found (error 453). Orders from the price buttons and Reverse are not sent "
      "until it is back.";
  EXPECT_EQ(rig.services.AppLog.Entries, (std::vector<EventLogEntry>{{lost, EventType::Warning}}));
  EXPECT_EQ(rig.LogLines(), Lines{lost});
  EXPECT_EQ(rig.PriceLook(), ControlLook::Disconnected);
  EXPECT_TRUE(rig.library.Calls.empty());  // no connecting again through a failing library
}

TEST(PanelGuard, AnOrderTooSoonAfterTheLastOneSentIsHeldBackButKillNever) {
  PanelRig rig;
  rig.profile.Values["Guard/MinClickIntervalMs"] = "300";
  ASSERT_TRUE(rig.panel.Start());
  rig.PokeBook(kBook);
  // The send takes 500 ms: the double click's second click, queued behind
  // it, comes right after it returns.
  rig.library.WhileSending = [&] { rig.clock.AdvanceMilliseconds(500); };
  rig.panel.Click(ControlId::cmdBestBid);
  rig.library.WhileSending = nullptr;
  rig.panel.Click(ControlId::cmdBestBid);
  rig.clock.AdvanceMilliseconds(120);
  rig.panel.Click(ControlId::cmdKillOrders);
  rig.panel.Click(ControlId::cmdReverse);
  rig.clock.AdvanceMilliseconds(179);  // 299 ms after the order: refusals do not count
  rig.panel.Click(ControlId::cmdMaxAsk);
  rig.clock.AdvanceMilliseconds(1);
  rig.panel.Click(ControlId::cmdReverse);
  rig.panel.Click(ControlId::cmdKillOrders);  // Kill does not count either...
  rig.panel.Click(ControlId::cmdBestAsk);     // ...but Reverse does
  EXPECT_EQ(rig.library.Sent, (Lines{kOrder + "S; PRICE=91; QUANTITY=2;", kKill,
                                     kOrder + "B; PRICE=110; QUANTITY=4;", kKill}));
  EXPECT_EQ(rig.LogLines(),
            (Lines{"M|250|0||250",
                   "Order not sent (cmdBestBid): 0 ms after the last order, closer than 300 ms",
                   "M|250|0||250",
                   "Order not sent (cmdReverse): 120 ms after the last order, closer than 300 ms",
                   "Order not sent (cmdMaxAsk): 299 ms after the last order, closer than 300 ms",
                   "M|250|0||250", "M|250|0||250",
                   "Order not sent (cmdBestAsk): 0 ms after the last order, closer than 300 ms"}));
  EXPECT_EQ(rig.PriceLook(), ControlLook::Live);
}

TEST(PanelGuard, ALostConnectionIsShownReportedAndMadeAgainOnceACheck) {
  PanelRig rig;
  rig.profile.Values["Guard/ConnectionCheckMs"] = "1000";
  rig.profile.Values["Guard/StaleAfterMs"] = "60000";
  ASSERT_TRUE(rig.panel.Start());
  rig.PokeBook(kBook);
  rig.panel.Click(ControlId::cmdBestAsk);
  rig.library.Calls.clear();
  rig.library.QuikConnectedResult = 9;
  rig.Wait(999);
  EXPECT_TRUE(rig.library.Calls.empty());  // not due yet
  rig.Wait(1);
  EXPECT_EQ(rig.library.Calls, (Lines{"IsDllConnected", "IsQuikConnected"}));
  EXPECT_EQ(rig.PriceLook(), ControlLook::Disconnected);
  EXPECT_EQ(rig.Caption(ControlId::lblStatus), "Not connected to the terminal");
  EXPECT_TRUE(rig.panel.Window().Visible(ControlId::lblStatus));
  const std::string lost =
      "The connection to the terminal is lost: TRANS2QUIK_IS_QUIK_CONNECTED answered 9 "
      "(TRANS2QUIK_QUIK_DISCONNECTED). Orders from the price buttons and Reverse are not sent "
      "until it is back.";
  ASSERT_EQ(rig.services.AppLog.Entries.size(), 2U);  // after the order's
  EXPECT_EQ(rig.services.AppLog.Entries[1], (EventLogEntry{lost, EventType::Warning}));
  rig.panel.Click(ControlId::cmdBestBid);
  rig.panel.Click(ControlId::cmdReverse);
  rig.panel.Click(ControlId::cmdKillOrders);
  EXPECT_EQ(
      rig.LogLines(),
      (Lines{"M|250|0||250", lost, "Order not sent (cmdBestBid): the terminal is not connected",
             "Order not sent (cmdReverse): the terminal is not connected", "M|250|0||250"}));

  // The library has lost the terminal too: one connect a check, as start-up
  // makes it; still lost is no news.
  rig.library.Calls.clear();
  rig.library.DllConnectedResult = 11;
  rig.Wait(1000);
  rig.Wait(1000);
  EXPECT_EQ(rig.library.Calls,
            (Lines{"IsDllConnected", "IsQuikConnected", "Connect C:\\QUIK", "IsDllConnected",
                   "IsQuikConnected", "IsDllConnected", "IsQuikConnected", "Connect C:\\QUIK",
                   "IsDllConnected", "IsQuikConnected"}));
  EXPECT_EQ(rig.services.AppLog.Entries.size(), 3U);

  // A library that fails is no connection either; an answer of 10 and 8 is.
  rig.library.Failure = AppError(453, "Vestrel", "Specified DLL function not found");
  rig.Wait(1000);
  EXPECT_EQ(rig.PriceLook(), ControlLook::Disconnected);
  rig.library.Failure.reset();
  rig.library.DllConnectedResult = 10;
  rig.library.QuikConnectedResult = 8;
  rig.Wait(1000);
  EXPECT_EQ(rig.PriceLook(), ControlLook::Live);
  EXPECT_FALSE(rig.panel.Window().Visible(ControlId::lblStatus));
  EXPECT_EQ(rig.services.AppLog.Entries.back(),
            (EventLogEntry{"The connection to the terminal is back.", EventType::Information}));
  EXPECT_EQ(rig.LogLines().back(), "The connection to the terminal is back.");
  rig.panel.Click(ControlId::cmdBestBid);
  EXPECT_EQ(rig.library.Sent.size(), 3U);

  rig.panel.Shutdown();  // no checks after shutdown
  rig.library.Calls.clear();
  rig.Wait(5000);
  EXPECT_TRUE(rig.library.Calls.empty());
}

TEST(PanelGuard, AReportTheApplicationLogRefusesNeitherStopsTheCheckNorIsAnError) {
  PanelRig rig;
  rig.profile.Values["Guard/ConnectionCheckMs"] = "1000";
  ASSERT_TRUE(rig.panel.Start());
  rig.library.Calls.clear();
  rig.library.DllConnectedResult = 11;
  rig.services.AppLog.FailingWrites = 1000;
  rig.Wait(1000);
  EXPECT_EQ(rig.library.Calls, (Lines{"IsDllConnected", "IsQuikConnected", "Connect C:\\QUIK",
                                      "IsDllConnected", "IsQuikConnected"}));
  ASSERT_EQ(rig.LogLines().size(), 1U);
  EXPECT_EQ(rig.PriceLook(), ControlLook::Disconnected);
  rig.library.DllConnectedResult = 10;
  rig.Wait(1000);
  EXPECT_EQ(rig.LogLines().back(), "The connection to the terminal is back.");
  EXPECT_EQ(rig.PriceLook(), ControlLook::Live);
  rig.services.AppLog.FailingWrites = 0;
  EXPECT_TRUE(rig.services.AppLog.Entries.empty());  // not even an error record
}

TEST(PanelHotkeys, AKeyIsAClickOnItsButtonWithExactlyItsModifiers) {
  PanelRig rig;
  rig.profile.Values.insert({{"Hotkeys/BestBid", "Ctrl+F2"},
                             {"Hotkeys/Kill", "Space"},
                             {"Hotkeys/Reverse", "ctrl+f2"},  // taken: stays off
                             {"Hotkeys/Ladder", "F9"}});      // no ladder: not the panel's
  ASSERT_TRUE(rig.panel.Start());
  EXPECT_EQ(rig.panel.Ladder(), nullptr);
  EXPECT_FALSE(rig.panel.KeyPress(KeyChord{0x78}));
  rig.PokeBook(kBook);
  EXPECT_FALSE(rig.panel.KeyPress(kF2));
  EXPECT_FALSE(rig.panel.KeyPress(KeyChord{0x71, true, false, true}));  // Ctrl+Shift+F2
  EXPECT_TRUE(rig.library.Sent.empty());
  EXPECT_TRUE(rig.panel.KeyPress(kCtrlF2));
  EXPECT_TRUE(rig.panel.KeyPress(kCtrlF2, true));  // held down: still the panel's, sends nothing
  EXPECT_TRUE(rig.panel.KeyPress(kSpace));
  EXPECT_EQ(rig.library.Sent, (Lines{kOrder + "S; PRICE=91; QUANTITY=2;", kKill}));
  EXPECT_EQ(rig.services.AppLog.Entries.front(),
            (EventLogEntry{contract::IniSectionPrefix(contract::kHotkeysSection) +
                               "Reverse=Ctrl+F2 is already the key of BestBid; this key stays off.",
                           EventType::Warning}));
  EXPECT_TRUE(rig.hotkeys.Registered.empty());  // only while the panel has the focus
}

TEST(PanelHotkeys, GlobalKeysAreRegisteredOnceAndAKeyAnotherProgramHoldsIsOneWarning) {
  PanelRig rig;
  rig.profile.Values.insert({{"Hotkeys/Global", "1"},
                             {"Hotkeys/MaxBid", "Shift+Alt+B"},
                             {"Hotkeys/MaxAsk", "Num5"},
                             {"Hotkeys/Reverse", "num5"},  // taken: neither bound nor registered
                             {"Hotkeys/Kill", "F12"},
                             {"Ladder/Enabled", "1"},
                             {"Hotkeys/Ladder", "Num5"},  // the ladder's keys are checked alike
                             {"Hotkeys/Centre", "F9"},
                             {"Main/BaseContract", "Si"}});
  rig.hotkeys.Held.insert(0x7B);  // F12
  ASSERT_TRUE(rig.panel.Start());
  EXPECT_EQ(
      rig.hotkeys.Registered,
      (std::vector<FakeGlobalHotkeys::Key>{
          {0x42, false, true, true}, {0x65, false, false, false}, {0x78, false, false, false}}));
  EXPECT_EQ(rig.services.AppLog.Entries,
            (std::vector<EventLogEntry>{
                {contract::IniSectionPrefix(contract::kHotkeysSection) +
                     "Reverse=Num5 is already the key of MaxAsk; this key stays off.",
                 EventType::Warning},
                {contract::IniSectionPrefix(contract::kHotkeysSection) +
                     "Ladder=Num5 is already the key of MaxAsk; this key stays off.",
                 EventType::Warning},
                {contract::IniSectionPrefix(contract::kHotkeysSection) +
                     "Kill=F12 cannot be registered for the whole system "
                     "(another program holds it); it works only while the panel has the focus.",
                 EventType::Warning}}));
  EXPECT_TRUE(rig.panel.KeyPress(KeyChord{0x7B}));  // from the panel's own windows
  // Kill cancels on the base contract the trader set.
  EXPECT_EQ(rig.library.Sent, Lines{"TRANS_ID=1; ACCOUNT=A1; ACTION=KILL_ALL_FUTURES_ORDERS; "
                                    "CLASSCODE=C1;BASE_CONTRACT=Si"});
  rig.panel.Shutdown();
  EXPECT_TRUE(rig.hotkeys.Registered.empty());
}

TEST(PanelHotkeys, WarningsTheApplicationLogCannotTakeNeverStopStartUp) {
  PanelRig rig;
  rig.profile.Values.insert({{"Hotkeys/Global", "1"},
                             {"Hotkeys/BestBid", "Ctrl+F2"},
                             {"Hotkeys/Reverse", "Ctrl+F2"},
                             {"Hotkeys/Kill", "F12"},
                             {"Guard/StaleAfterMs", "soon"}});
  rig.hotkeys.Held.insert(0x7B);
  rig.services.AppLog.FailingWrites = 1000;
  ASSERT_TRUE(rig.panel.Start());
  EXPECT_EQ(rig.hotkeys.Registered,
            (std::vector<FakeGlobalHotkeys::Key>{{0x71, true, false, false}}));
  rig.services.AppLog.FailingWrites = 0;
  rig.PokeBook(kBook);
  EXPECT_EQ(rig.Caption(ControlId::cmdBestBid), "101");  // the DDE server runs
  EXPECT_TRUE(rig.panel.KeyPress(kCtrlF2));
  EXPECT_EQ(rig.library.Sent, (Lines{kOrder + "S; PRICE=91; QUANTITY=2;"}));
}

}  // namespace
}  // namespace vestrel

namespace vestrel {
namespace {

constexpr KeyChord kF9{0x78};

struct RiskRig : PanelRig {
  RiskRig() {
    profile.Values["Paper/Enabled"] = "1";
    profile.Values["Hotkeys/Flatten"] = "F9";
    profile.Values["Sound/Fill"] = "fill.wav";
    profile.Values["Sound/Refused"] = "D:\\refused.wav";
  }
};

const std::string kFillSound = "C:\\QUIK\\fill.wav";
const std::string kRefusedSound = "D:\\refused.wav";

TEST(PanelRisk, OnPaperTheLotsLimitCountsWorkingOrdersAndFlattenClosesWhatFilled) {
  RiskRig rig;
  rig.profile.Values["Risk/MaxPosition"] = "2";
  ASSERT_TRUE(rig.panel.Start());
  rig.PokeBook(kBook);                     // sells 103 102 101, buys 100 99 98
  rig.panel.Click(ControlId::cmdBestAsk);  // buys 2 at 110: rests until the next book
  rig.panel.Click(ControlId::cmdBestAsk);  // 2 more would make 4
  EXPECT_EQ(rig.LogLines().back(),
            "Order not sent (cmdBestAsk): the position could reach 4 lots, the limit is 2");
  EXPECT_EQ(rig.library.Sent.size(), 0U);      // paper: the terminal's library sees nothing
  rig.PokeBook(kBook);                         // fills 2 at 101
  EXPECT_TRUE(rig.panel.KeyPress(kF9));        // sells 2 at 100 - 10
  EXPECT_TRUE(rig.panel.KeyPress(kF9, true));  // held down: nothing more
  rig.PokeBook(kBook);
  EXPECT_TRUE(rig.panel.KeyPress(kF9));
  const Lines lines = rig.LogLines();
  ASSERT_EQ(lines.size(), 6U);
  EXPECT_EQ(lines[2], "PAPER FILL B 2 @ 101 | POSITION 2 @ 101 | REALISED 0");
  EXPECT_EQ(lines[3], "paper order 2 accepted|250|0||250");
  EXPECT_EQ(lines[4], "PAPER FILL S 2 @ 100 | POSITION 0 @ 0 | REALISED -2");
  EXPECT_EQ(lines[5], "Flatten: nothing sent, the position is flat");
  EXPECT_EQ(rig.sounds.Played, (Lines{kRefusedSound, kFillSound, kFillSound}));
  EXPECT_TRUE(rig.services.ErrorEntries().empty());
  EXPECT_TRUE(rig.Warnings().empty());
}

TEST(PanelRisk, AtTheDailyLossLimitOneWarningAndOnlyOrdersThatReduceThePositionGoOut) {
  RiskRig rig;
  rig.profile.Values["Risk/DailyLossLimit"] = "5";
  ASSERT_TRUE(rig.panel.Start());
  rig.PokeBook(kBook);
  rig.panel.Click(ControlId::cmdBestAsk);
  rig.PokeBook(kBook);  // long 2 at 101
  const std::vector<Level> falling = {{5, 98, 0}, {0, 97, 4}};
  rig.PokeBook(falling);  // open (97 - 101) * 2 = -8
  rig.PokeBook(falling);

  ASSERT_EQ(rig.Warnings().size(), 1U);
  EXPECT_EQ(rig.Warnings()[0].Text,
            "Marlowin.ini [Risk] DailyLossLimit=5: the day's profit is -8; from now on only "
            "orders that reduce the position go out.");
  const std::size_t sent = rig.services.AppLog.Entries.size();
  rig.panel.Click(ControlId::cmdBestAsk);
  EXPECT_EQ(rig.LogLines().back(),
            "Order not sent (cmdBestAsk): the profit is -8, the loss limit is 5; only orders "
            "that reduce the position go out");
  EXPECT_EQ(rig.services.AppLog.Entries.size(), sent);
  rig.panel.Click(ControlId::cmdBestBid);  // sells 2: reduces
  rig.panel.Click(ControlId::cmdKillOrders);
  EXPECT_EQ(rig.services.AppLog.Entries.size(), sent + 2);
  EXPECT_EQ(rig.sounds.Played, (Lines{kFillSound, kRefusedSound}));
}

TEST(PanelRisk, WithoutATradingStateLimitsAreOffButOneThatCannotBeReadStillFailsSafe) {
  PanelRig rig;
  rig.profile.Values["Risk/MaxPosition"] = "1";
  rig.profile.Values["Sound/Refused"] = "refused.wav";
  rig.sounds.Unplayable.insert("C:\\QUIK\\refused.wav");
  ASSERT_TRUE(rig.panel.Start());
  ASSERT_EQ(rig.Warnings().size(), 1U);
  EXPECT_EQ(rig.Warnings()[0].Text,
            "Marlowin.ini [Risk] needs the trading state (paper mode, or [Live] Orders=1); the "
            "limits stay off.");
  rig.PokeBook(kBook);
  rig.panel.Click(ControlId::cmdBestAsk);
  rig.panel.Click(ControlId::cmdBestAsk);
  EXPECT_EQ(rig.library.Sent.size(), 2U);
  // The terminal refuses: the refused sound, whose file cannot be played:
  // one warning for it, however often.
  rig.library.SendResult = 5;
  rig.panel.Click(ControlId::cmdBestAsk);
  rig.panel.Click(ControlId::cmdKillOrders);
  EXPECT_EQ(rig.sounds.Played.size(), 2U);
  ASSERT_EQ(rig.Warnings().size(), 2U);
  EXPECT_EQ(rig.Warnings()[1].Text,
            "Marlowin.ini [Sound] Refused=C:\\QUIK\\refused.wav cannot be played (no such "
            "file, or not a wave sound).");

  PanelRig mistyped;
  mistyped.profile.Values["Risk/MaxPosition"] = "two";
  ASSERT_TRUE(mistyped.panel.Start());
  EXPECT_EQ(mistyped.Warnings().size(), 1U);  // the value's; the fail-safe holds regardless
  mistyped.PokeBook(kBook);
  mistyped.panel.Click(ControlId::cmdBestAsk);
  mistyped.panel.Click(ControlId::cmdKillOrders);
  EXPECT_EQ(mistyped.library.Sent, Lines{kKill});
  EXPECT_EQ(mistyped.LogLines().front(),
            "Order not sent (cmdBestAsk): the position is not known yet, so the [Risk] limits "
            "cannot be checked");
}

}  // namespace
}  // namespace vestrel
