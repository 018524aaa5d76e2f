// Live trading through the whole panel against a faked library: the order
// and trade streams feeding the trading state and what the trader sees of it,
// the asynchronous send and its replies, and the shutdown's order of calls.
#include "live/live_trading.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_panel_ports.h"

namespace vestrel {
namespace {

using namespace testing;
using Lines = std::vector<std::string>;

constexpr StreamMode kNew = StreamMode::New;
constexpr StreamMode kSnapshot = StreamMode::Snapshot;
constexpr StreamMode kEnd = StreamMode::SnapshotEnd;

OrderStatusEvent Order(StreamMode mode, std::int64_t number, bool sell, double price,
                       std::int64_t left, std::int32_t status = kOrderActive,
                       const std::string& secCode = "S1") {
  OrderStatusEvent order;
  order.Mode = mode;
  order.Number = number;
  order.ClassCode = "C1";
  order.SecCode = secCode;
  order.Price = price;
  order.Balance = left;
  order.IsSell = sell;
  order.Status = status;
  return order;
}

TradeStatusEvent Trade(StreamMode mode, std::int64_t number, std::int64_t order, bool sell,
                       double price, std::int64_t lots, const std::string& secCode = "S1") {
  return {mode, number, order, "C1", secCode, price, lots, 0, sell};
}

struct LiveRig : FakePanelPorts {
  explicit LiveRig(const char* key) { profile.Values[std::string("Live/") + key] = "1"; }
  // A book of one sell and one buy level.
  void Poke(double sell, double buy) { PokeBook({{1, sell, 0}, {0, buy, 1}}); }
  void Fire(const TerminalEvent& event) { ASSERT_TRUE(streams.Fire(event)); }
  const std::string& Label() { return panel.Window().Caption(ControlId::lblPaper); }
};

TEST(LiveOrders, TheSnapshotBuildsSilentlyThenEachFillIsReportedOnceWhateverTheOrderOfEvents) {
  LiveRig rig("Orders");
  ASSERT_TRUE(rig.panel.Start());
  EXPECT_EQ(rig.library.Calls,
            (Lines{"Connect C:\\QUIK", "IsDllConnected", "IsQuikConnected", "Unavailable",
                   "SetSink", "SubscribeOrders C1 S1", "SubscribeTrades C1 S1", "StartOrders",
                   "StartTrades", "SetConnectionStatusCallback"}));

  // The day so far: a buy of 3 with 2 filled, and another instrument's trade.
  rig.Fire(Order(kSnapshot, 10, false, 100, 1));
  rig.Fire(Trade(kSnapshot, 1, 10, false, 100, 1));
  rig.Fire(Trade(kSnapshot, 7, 70, false, 50, 5, "OTHER"));
  rig.Fire(Order(kEnd, 0, false, 0, 0));
  EXPECT_GE(rig.shell.Wakes.load(), 1);
  rig.panel.TerminalEventsArrived();
  EXPECT_FALSE(rig.panel.Window().Visible(ControlId::lblPaper));  // trades' snapshot not done
  rig.Fire(Trade(kEnd, 2, 10, false, 101, 1));  // the trades' snapshot's last item
  // In the same batch, the first fill after the snapshot: a trade before its order.
  rig.Fire(Trade(kNew, 3, 11, true, 102, 1));
  rig.panel.TerminalEventsArrived();
  EXPECT_TRUE(rig.panel.Window().Visible(ControlId::lblPaper));
  const std::string fill = "FILL S 1 @ 102 | POSITION 1 @ 100,5 | REALISED 1,5";
  EXPECT_EQ(rig.AppLogTexts(), Lines{fill});
  EXPECT_EQ(rig.services.AppLog.Entries[0].Type, EventType::Information);
  EXPECT_EQ(rig.LogLines(), Lines{fill});
  EXPECT_EQ(rig.Label(), "POSITION 1 @ 100,5 | REALISED 1,5 | OPEN ? | ORDERS 1");

  // Repeats, late updates and the rest of the sell: each changes things once.
  rig.Fire(Trade(kNew, 3, 11, true, 102, 1));
  rig.Fire(Order(kNew, 11, true, 102, 1));  // 2 lots, 1 filled
  rig.Fire(Order(kNew, 10, false, 100, 0, 3));
  rig.Fire(Order(kNew, 10, false, 100, 1));  // late: the order is filled
  rig.Fire(Trade(kNew, 4, 11, true, 103, 1, "OTHER"));
  rig.panel.TerminalEventsArrived();
  EXPECT_EQ(rig.AppLogTexts().size(), 1U);
  EXPECT_EQ(rig.Label(), "POSITION 1 @ 100,5 | REALISED 1,5 | OPEN ? | ORDERS 1");
  EXPECT_EQ(rig.panel.Trading().WorkingLots(OrderSide::Sell), 1);

  // Open profit against the book: a long against its best buy.
  rig.Poke(99, 98);
  EXPECT_EQ(rig.Label(), "POSITION 1 @ 100,5 | REALISED 1,5 | OPEN -2,5 | ORDERS 1");

  rig.Fire(Order(kNew, 11, true, 102, 1, kOrderCancelled));
  rig.Fire(Order(kNew, 11, true, 102, 1));  // late: cancelled stays cancelled
  rig.panel.TerminalEventsArrived();
  EXPECT_EQ(rig.Label(), "POSITION 1 @ 100,5 | REALISED 1,5 | OPEN -2,5 | ORDERS 0");

  // Shutdown: what waits is still written, and so is a fill reported while
  // the streams end; they end before the disconnect, and nothing reaches the
  // panel after it.
  rig.Fire(Trade(kNew, 5, 12, true, 99, 1));
  rig.streams.WhileUnsubscribing = [&] { rig.Fire(Trade(kNew, 8, 13, false, 98, 1)); };
  rig.library.Calls.clear();
  rig.panel.Shutdown();
  EXPECT_EQ(rig.library.Calls,
            (Lines{"UnsubscribeOrders", "UnsubscribeTrades", "Disconnect", "Detach"}));
  const Lines texts = rig.AppLogTexts();
  EXPECT_EQ(Lines(texts.end() - 2, texts.end()),
            (Lines{"FILL S 1 @ 99 | POSITION 0 @ 0 | REALISED 0",
                   "FILL B 1 @ 98 | POSITION 1 @ 98 | REALISED 0"}));
  EXPECT_FALSE(rig.streams.Fire(Trade(kNew, 6, 12, true, 99, 1)));
  rig.panel.TerminalEventsArrived();  // a wake posted before the window went
  EXPECT_EQ(rig.panel.Trading().CurrentPosition().Quantity(), 1);
  EXPECT_TRUE(rig.services.ErrorEntries().empty());
}

TEST(LiveOrders, TheConnectionCallbackDrivesTheStatusLine) {
  LiveRig rig("Orders");
  ASSERT_TRUE(rig.panel.Start());
  ConnectionStatusEvent lost{9, 0, "lost"};
  rig.Fire(lost);
  rig.panel.TerminalEventsArrived();
  EXPECT_EQ(rig.panel.Window().Caption(ControlId::lblStatus), "Not connected to the terminal");
  rig.panel.Tick();  // the connection watch, off, does not clear it
  EXPECT_EQ(rig.panel.Window().Caption(ControlId::lblStatus), "Not connected to the terminal");
  rig.Fire(ConnectionStatusEvent{8, 0, ""});
  rig.panel.TerminalEventsArrived();
  EXPECT_FALSE(rig.panel.Window().Visible(ControlId::lblStatus));
}

TEST(LiveOrders, StreamsTheLibraryCannotGiveAreOneWarningAndTheRestGoesOnAsWithout) {
  for (const bool unavailable : {true, false}) {
    LiveRig rig("Orders");
    if (unavailable) {
      rig.streams.UnavailableText = "TRANS2QUIK_START_TRADES is missing";
    } else {
      rig.streams.StartTradesResult = 6;
    }
    ASSERT_TRUE(rig.panel.Start());
    ASSERT_EQ(rig.services.AppLog.Entries.size(), 1U) << unavailable;
    EXPECT_EQ(rig.services.AppLog.Entries[0].Type, EventType::Warning);
    EXPECT_EQ(rig.services.AppLog.Entries[0].Text,
              unavailable ? "Marlowin.ini [Live] Orders=1: TRANS2QUIK_START_TRADES is missing; the "
                            "panel goes on without it."
                          : "Marlowin.ini [Live] Orders=1: the terminal's library did not open the "
                            "order and trade streams (result 6); the panel goes on without it.");
    if (!unavailable) {
      // Half a subscription is taken back at once.
      EXPECT_EQ(Lines(rig.library.Calls.end() - 3, rig.library.Calls.end()),
                (Lines{"UnsubscribeOrders", "UnsubscribeTrades", "SetConnectionStatusCallback"}));
    }
    rig.Poke(101, 100);
    rig.panel.Click(ControlId::cmdBestAsk);
    EXPECT_EQ(rig.library.Sent.size(), 1U);  // orders go out as always
    EXPECT_FALSE(rig.panel.Window().Visible(ControlId::lblPaper));
    rig.panel.Shutdown();
    EXPECT_EQ(rig.library.Calls.back() == "Detach", !unavailable);
  }
}

// The terminal reports an order on its stream some time after the send (a
// reply delayed, the library's thread behind): until then, or until it is
// refused, the order counts against the lots limit, so a second click cannot
// pass a limit the first one already fills.
TEST(LiveOrders, AnOrderSentCountsAgainstTheLotsLimitUntilTheStreamShowsItOrItIsRefused) {
  for (const bool async : {false, true}) {
    LiveRig rig("Orders");
    rig.profile.Values["Risk/MaxPosition"] = "2";
    if (async) {
      rig.profile.Values["Live/Async"] = "1";
    }
    ASSERT_TRUE(rig.panel.Start());
    rig.Fire(Order(kEnd, 0, false, 0, 0));
    rig.Fire(Trade(kEnd, 0, 0, false, 0, 0));
    rig.panel.TerminalEventsArrived();
    rig.Poke(101, 100);
    const auto sends = [&] { return rig.library.Sent.size() + rig.streams.Sent.size(); };
    const auto buy = [&] {
      rig.panel.Click(ControlId::cmdBestAsk);  // 2 lots
      return sends();
    };
    ASSERT_EQ(buy(), 1U) << async;
    EXPECT_EQ(buy(), 1U) << async;
    EXPECT_EQ(rig.LogLines().back(),
              "Order not sent (cmdBestAsk): the position could reach 4 lots, the limit is 2");
    // The stream shows it (the synchronous reply numbered it 7; the
    // asynchronous one has not come: by its TRANS_ID), then its cancel: room
    // again.
    OrderStatusEvent shown = Order(kNew, 7, false, 110, 2);
    shown.TransId = 1;
    rig.Fire(shown);
    rig.panel.TerminalEventsArrived();
    EXPECT_EQ(buy(), 1U) << async;
    shown.Status = kOrderCancelled;
    rig.Fire(shown);
    rig.panel.TerminalEventsArrived();
    // The next one's reply numbers it 12: the stream's order 12 is that one,
    // whatever TRANS_ID it carries.
    rig.library.SendReply = FakeTransactionLibrary::Reply{3, 1, 12, "M", 0, ""};
    EXPECT_EQ(buy(), 2U) << async;
    if (async) {
      rig.Fire(TransactionReplyEvent{0, 0, 3, 2, 12, "M"});
    }
    rig.Fire(Order(kNew, 12, false, 110, 2, kOrderCancelled));
    rig.panel.TerminalEventsArrived();
    // The next is refused, by the synchronous reply or the asynchronous one:
    // it never works, and the limit has room for another.
    rig.library.SendReply = FakeTransactionLibrary::Reply{4, 1, 0, "", 0, "not enough funds"};
    EXPECT_EQ(buy(), 3U) << async;
    if (async) {
      rig.Fire(TransactionReplyEvent{0, 0, 4, 3, 0, "not enough funds"});
      rig.panel.TerminalEventsArrived();
    }
    EXPECT_EQ(buy(), 4U) << async;
  }
}

TEST(LiveAsync, EachTransactionHasItsOwnIdAndItsReplyIsWrittenAsASynchronousOneWhenItComes) {
  LiveRig rig("Async");
  ASSERT_TRUE(rig.panel.Start());
  EXPECT_EQ(Lines(rig.library.Calls.begin() + 3, rig.library.Calls.end()),
            (Lines{"Unavailable", "SetSink", "SetTransactionsReplyCallback",
                   "SetConnectionStatusCallback"}));
  rig.Poke(101, 100);
  rig.panel.Click(ControlId::cmdBestBid);
  rig.panel.Click(ControlId::cmdKillOrders);
  rig.panel.Click(ControlId::cmdReverse);
  const std::string order =
      "ACCOUNT=A1; TYPE=L; TRANS_ID=%; CLASSCODE=C1; SECCODE=S1; ACTION=NEW_ORDER; OPERATION=";
  const auto withId = [](std::string text, char id) {
    text[text.find('%')] = id;
    return text;
  };
  EXPECT_EQ(rig.streams.Sent,
            (Lines{withId(order, '1') + "S; PRICE=91; QUANTITY=2;",
                   "TRANS_ID=2; ACCOUNT=A1; ACTION=KILL_ALL_FUTURES_ORDERS; CLASSCODE=C1;"
                   "BASE_CONTRACT=RTS",
                   withId(order, '3') + "B; PRICE=110; QUANTITY=4;"}));
  EXPECT_TRUE(rig.library.Sent.empty());
  EXPECT_TRUE(rig.services.AppLog.Entries.empty());  // nothing until the replies

  // Replies in any order, one of an id this run never sent: each written
  // exactly as a synchronous send writes its reply.
  rig.Fire(TransactionReplyEvent{0, 0, 3, 3, 8, "M3"});
  rig.Fire(TransactionReplyEvent{0, 0, 3, 1, 7, "M"});
  rig.Fire(TransactionReplyEvent{5, 4, 0, 99, 0, "wrong"});
  rig.panel.TerminalEventsArrived();
  EXPECT_EQ(rig.AppLogTexts(),
            (Lines{"3|3|8|M3|250|0||250", "3|1|7|M|250|0||250", "0|99|0||250|4|wrong|250"}));
  EXPECT_EQ(rig.LogLines(), (Lines{"M3|250|0||250", "M|250|0||250", "|250|4|wrong|250"}));

  // Refused at once: written at once, as a synchronous send the library
  // refuses.
  rig.streams.AsyncResult = 6;
  rig.streams.AsyncExtendedErrorCode = 2;
  rig.streams.AsyncErrorMessage = "no terminal";
  rig.panel.Click(ControlId::cmdBestAsk);
  EXPECT_NE(rig.streams.Sent.back().find("TRANS_ID=4;"), std::string::npos);
  EXPECT_EQ(rig.AppLogTexts().back(), "0|0|0||250|2|no terminal|250");
  EXPECT_EQ(rig.LogLines().back(), "|250|2|no terminal|250");

  rig.library.Calls.clear();
  rig.panel.Shutdown();
  EXPECT_EQ(rig.library.Calls, (Lines{"Disconnect", "Detach"}));
  EXPECT_TRUE(rig.services.ErrorEntries().empty());
}

TEST(LiveAsync, AReplyCallbackTheLibraryRefusesLeavesSendsSynchronous) {
  LiveRig rig("Async");
  rig.streams.ReplyCallbackResult = 1;
  rig.streams.ReplyCallbackMessage = "busy";
  ASSERT_TRUE(rig.panel.Start());
  EXPECT_EQ(rig.AppLogTexts(),
            (Lines{"Marlowin.ini [Live] Async=1: the terminal's library did not take the reply "
                   "callback (result 1): busy; the panel goes on without it."}));
  rig.Poke(101, 100);
  rig.panel.Click(ControlId::cmdBestAsk);
  EXPECT_TRUE(rig.streams.Sent.empty());
  ASSERT_EQ(rig.library.Sent.size(), 1U);
  EXPECT_NE(rig.library.Sent[0].find("TRANS_ID=1;"), std::string::npos);
}

}  // namespace
}  // namespace vestrel
