#include "trade/order_commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_ports.h"
#include "fakes/fake_transaction_library.h"
#include "trading/trading_state.h"

namespace vestrel {
namespace {

using testing::FakeLogServices;
using testing::FakeMessageBox;
using testing::FakeTransactionLibrary;
using Lines = std::vector<std::string>;

class NoWindows : public ModelessWindows {
 public:
  void ShowLog() override {}
  void ShowAbout() override {}
};

std::string Order(const char* operation, const std::string& price, const std::string& quantity) {
  return std::string(
             "ACCOUNT=A1; TYPE=L; TRANS_ID=1; CLASSCODE=C1; SECCODE=S1; "
             "ACTION=NEW_ORDER; OPERATION=") +
         operation + "; PRICE=" + price + "; QUANTITY=" + quantity + ";";
}
std::string Buy(const std::string& price, const std::string& n) { return Order("B", price, n); }
std::string Sell(const std::string& price, const std::string& n) { return Order("S", price, n); }

struct Panel {
  FakeLogServices services;
  FakeMessageBox boxes;
  FakeTransactionLibrary library;
  bool closing = false;
  LogWindowModel logWindow{services.Log, services.Regional, closing};
  TradingGateway gateway{services.Log, services.AppLog, services.Regional,
                         boxes,        library,         logWindow};
  MainWindowModel window;
  Settings settings{"A1", "S1", "C1", 1, 10, 0, ""};
  NoWindows windows;
  OrderSettings orders;
  ShownPrices prices;
  OrderCommands commands{services.Log, services.Regional, window, settings, orders,
                         prices,       gateway,           windows};

  // Prices as the order book shows them (captions "*" until the first table).
  void ShowPrices(const char* maxBid, const char* bestBid, const char* bestAsk,
                  const char* maxAsk) {
    const char separator = services.Regional.DecimalSeparator();
    prices = {ReadShownPrice(maxBid, separator), ReadShownPrice(bestBid, separator),
              ReadShownPrice(bestAsk, separator), ReadShownPrice(maxAsk, separator)};
  }
};

TEST(OrderStrings, LimitOrdersAndTheCancelAllReadExactly) {
  Panel p;
  p.commands.SendLimitOrder(OrderSide::Buy, 710, 2);
  p.commands.SendLimitOrder(OrderSide::Sell, 710.25, 2);
  p.commands.KillAllOrders();
  EXPECT_EQ(p.library.Sent,
            (Lines{"ACCOUNT=A1; TYPE=L; TRANS_ID=1; CLASSCODE=C1; SECCODE=S1; ACTION=NEW_ORDER; "
                   "OPERATION=B; PRICE=710; QUANTITY=2;",
                   Sell("710,25", "2"),
                   "TRANS_ID=1; ACCOUNT=A1; ACTION=KILL_ALL_FUTURES_ORDERS; CLASSCODE=C1;"
                   "BASE_CONTRACT=RTS"}));
  EXPECT_FALSE(p.window.Enabled(ControlId::cmdReverse));  // none of them touches Reverse

  // One order by its number (the base contract the trader sets: panel_test).
  p.commands.KillOrder(1234567890123);
  EXPECT_EQ(p.library.Sent.back(),
            "TRANS_ID=1; ACTION=KILL_ORDER; CLASSCODE=C1; SECCODE=S1; ORDER_KEY=1234567890123;");
  EXPECT_EQ(p.logWindow.Lines().size(), 4U);  // each logged like every transaction
}

TEST(PriceButtons, EachMovesItsPriceByItsOffsetAndSetsTheReverseColour) {
  Panel p;
  p.ShowPrices("750", "720", "700", "650");
  p.library.SendResult = 5;  // a rejected order still sets the colour
  struct Case {
    void (OrderCommands::*click)();
    std::string expected;
    OleColor reverseColour;
  };
  for (const Case& c :
       std::vector<Case>{{&OrderCommands::BuyAtBestAsk, Buy("710", "1"), kColorRed},
                         {&OrderCommands::SellAtBestBid, Sell("710", "1"), kColorGreen},
                         {&OrderCommands::BuyAtLargestAsk, Buy("655", "1"), kColorRed},
                         {&OrderCommands::SellAtLargestBid, Sell("745", "1"), kColorGreen}}) {
    (p.commands.*c.click)();
    EXPECT_EQ(p.library.Sent.back(), c.expected);
    EXPECT_EQ(p.window.BackColor(ControlId::cmdReverse), c.reverseColour) << c.expected;
    EXPECT_TRUE(p.window.Enabled(ControlId::cmdReverse));
  }
  EXPECT_EQ(p.library.Sent.size(), 4U);

  // The locale's separator, and prices at or below zero sent as they are.
  p.ShowPrices("4", "5", "0,5", "*");
  p.commands.BuyAtBestAsk();
  p.commands.SellAtBestBid();
  p.commands.SellAtLargestBid();
  EXPECT_EQ(Lines(p.library.Sent.begin() + 4, p.library.Sent.end()),
            (Lines{Buy("10,5", "1"), Sell("-5", "1"), Sell("-1", "1")}));
  EXPECT_TRUE(p.services.ErrorEntries().empty());
}

TEST(PriceButtons, ACaptionThatIsNoNumberSendsNothingAndIsLoggedUnderTheButton) {
  Panel p;
  p.commands.SellAtBestBid();
  p.commands.BuyAtBestAsk();
  p.commands.SellAtLargestBid();
  p.commands.BuyAtLargestAsk();
  EXPECT_TRUE(p.library.Sent.empty());
  EXPECT_FALSE(p.window.Enabled(ControlId::cmdReverse));
  const Lines entries = p.services.ErrorEntries();
  ASSERT_EQ(entries.size(), 4U);
  EXPECT_EQ(entries[0],
            "ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.frmMain.cmdBestBid_Click IN LINE: 1. "
            "ERROR =  13 (Type mismatch)");
  EXPECT_NE(entries[3].find("SOURCE: Vestrel.frmMain.cmdMaxAsk_Click IN"), std::string::npos);
}

TEST(PriceButtons, AFailingSendIsLoggedAlongTheChainAndLeavesTheReverseStateAlone) {
  Panel p;
  p.ShowPrices("750", "720", "700", "650");
  p.commands.BuyAtBestAsk();  // Reverse now red: it would sell
  p.library.Failure = ErrorOf(errors::NoEntryPoint);
  p.commands.SellAtBestBid();
  EXPECT_EQ(p.window.BackColor(ControlId::cmdReverse), kColorRed);
  const Lines entries = p.services.ErrorEntries();
  ASSERT_EQ(entries.size(), 3U);
  EXPECT_NE(entries[1].find("SOURCE: Vestrel.frmMain.SendTrans->Vestrel.frmMain.LimitSell IN "
                            "LINE: 2. ERROR =  453 (Can't find DLL entry point) ADDITIONAL "
                            "PARAMS: \r\ndblPrice = 710\r\n"),
            std::string::npos)
      << entries[1];
  EXPECT_EQ(entries[2],
            "ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.frmMain.SendTrans->Vestrel.frmMain."
            "LimitSell->Vestrel.frmMain.cmdBestBid_Click IN LINE: 3. ERROR =  453 (Can't find "
            "DLL entry point)");
}

TEST(Reverse, SellsTwiceTheSizeAfterABuyAndBuysAfterASellWithoutChangingItsColour) {
  Panel p;
  p.ShowPrices("750", "720", "700", "650");
  p.commands.Reverse();  // disabled before the first order: nothing happens
  EXPECT_TRUE(p.library.Sent.empty());

  p.commands.BuyAtBestAsk();
  p.commands.Reverse();
  p.commands.Reverse();
  p.commands.SellAtBestBid();
  p.commands.KillAllOrders();
  p.commands.Reverse();
  EXPECT_EQ(p.library.Sent,
            (Lines{Buy("710", "1"), Sell("710", "2"), Sell("710", "2"), Sell("710", "1"),
                   KillAllOrdersText(p.settings, 1), Buy("710", "2")}));
  EXPECT_EQ(p.window.BackColor(ControlId::cmdReverse), kColorGreen);
  EXPECT_TRUE(p.services.ErrorEntries().empty());
}

TEST(Reverse, ADoubledSizeBeyond32BitsIsAnOverflowAndSendsNothing) {
  Panel p;
  p.ShowPrices("750", "720", "700", "650");
  p.settings.Size = 1073741824;
  p.commands.BuyAtBestAsk();
  EXPECT_EQ(p.library.Sent.back(), Buy("710", "1073741824"));
  p.commands.Reverse();
  p.settings.Size = -1073741825;
  ++p.services.Regional.Clock.Minute;  // past the minute in which repeats are only counted
  p.commands.Reverse();
  EXPECT_EQ(p.library.Sent.size(), 1U);
  EXPECT_EQ(p.services.ErrorEntries(),
            Lines(2,
                  "ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.frmMain.cmdReverse_Click IN LINE: "
                  "3. ERROR =  6 (Overflow)"));

  p.settings.Size = 1073741823;
  p.commands.Reverse();
  EXPECT_EQ(p.library.Sent.back(), Sell("710", "2147483646"));

  // A caption that is no number stops it first.
  p.prices.BestBid = ReadShownPrice("*", ',');
  p.settings.Size = 2000000000;
  p.commands.Reverse();
  EXPECT_EQ(p.library.Sent.size(), 2U);
  EXPECT_NE(p.services.ErrorEntries().back().find("LINE: 2. ERROR =  13"), std::string::npos);
}

// Refuses every order of the purpose Refuse names, and records what it saw.
struct RecordingCheck : OrderCheck {
  bool MaySend(std::string_view source, OrderSide side, std::int64_t lots,
               OrderPurpose purpose) override {
    Seen.push_back(std::string(source) + (side == OrderSide::Buy ? " B " : " S ") +
                   std::to_string(lots) + (purpose == OrderPurpose::Close ? " close" : ""));
    return purpose != Refuse;
  }
  std::optional<OrderPurpose> Refuse;
  Lines Seen;
};

struct TradingPanel : Panel {
  TradingPanel() {
    commands.AttachTrading(check, logWindow, [this] { return known ? &state : nullptr; });
    state.SnapshotComplete();
    ShowPrices("750", "720", "700", "650");
  }
  void Hold(OrderSide side, std::int64_t lots) {
    state.Apply(TradeReport{++trades, 0, side, 705, lots});
  }

  RecordingCheck check;
  TradingState state;
  bool known = true;
  std::int64_t trades = 0;
};

TEST(OrderCheck, EveryNewOrderAsksItFirstAndARefusedOneIsNotSentNorRemembered) {
  TradingPanel p;
  p.check.Refuse = OrderPurpose::Trade;
  p.commands.BuyAtBestAsk();
  p.commands.SellAtLargestBid();
  EXPECT_TRUE(p.library.Sent.empty());
  EXPECT_FALSE(p.window.Enabled(ControlId::cmdReverse));
  p.check.Refuse.reset();
  p.commands.BuyAtBestAsk();
  p.check.Refuse = OrderPurpose::Trade;
  p.commands.Reverse();
  p.commands.KillAllOrders();  // never asked
  EXPECT_EQ(p.library.Sent, (Lines{Buy("710", "1"), KillAllOrdersText(p.settings, 1)}));
  EXPECT_EQ(p.check.Seen,
            (Lines{"cmdBestAsk B 1", "cmdMaxBid S 1", "cmdBestAsk B 1", "cmdReverse S 2"}));
}

TEST(Flatten, ClosesTheWholePositionAtTheBestOppositePriceMovedBySafeSpreadOnTheGrid) {
  TradingPanel p;
  p.orders.Tick = 3;
  p.Hold(OrderSide::Buy, 3);
  p.commands.Flatten();  // a long sells at the best buy price 700 - 10, down the grid
  p.Hold(OrderSide::Sell, 5);
  p.commands.Flatten();  // a short buys at the best sell price 720 + 10, up the grid
  EXPECT_EQ(p.library.Sent, (Lines{Sell("690", "3"), Buy("732", "2")}));
  EXPECT_EQ(p.check.Seen, (Lines{"Flatten S 3 close", "Flatten B 2 close"}));
  EXPECT_TRUE(p.services.ErrorEntries().empty());
}

TEST(Flatten, FlatUnknownOrWithoutAPriceSendsNothingAndSaysWhy) {
  TradingPanel p;
  p.commands.Flatten();
  p.state = TradingState();  // its first snapshot not complete
  p.Hold(OrderSide::Buy, 1);
  p.commands.Flatten();
  p.known = false;
  p.commands.Flatten();
  p.known = true;
  p.state.SnapshotComplete();
  p.ShowPrices("750", "720", "*", "650");
  p.commands.Flatten();
  EXPECT_TRUE(p.library.Sent.empty());
  const std::string at = "06.12.2026 14:05:09|";
  EXPECT_EQ(p.logWindow.Lines(),
            (Lines{at + "Flatten: nothing sent, the position is flat",
                   at + "Flatten: nothing sent, the position is not known",
                   at + "Flatten: nothing sent, the position is not known",
                   at + "Flatten: nothing sent, the book has no best buy price"}));
}

TEST(KillOrdersAt, CancelsEachWorkingOrderAtThePriceAndNoOther) {
  TradingPanel p;
  const auto order = [](std::int64_t number, OrderSide side, double price, std::int64_t left) {
    return OrderUpdate{number, 0, side, price, 2, left, OrderStatus::Active};
  };
  p.state.Apply(order(11, OrderSide::Buy, 100.07, 2));
  p.state.Apply(order(12, OrderSide::Sell, 100.07, 1));
  p.state.Apply(order(13, OrderSide::Buy, 100.08, 2));
  p.state.Apply(order(14, OrderSide::Buy, 100.07, 0));  // filled: nothing to cancel
  // 100.07 as the ladder may work it out, not as the order was placed.
  EXPECT_EQ(p.commands.KillOrdersAt(1.0007 * 100), 2U);
  EXPECT_EQ(p.library.Sent,
            (Lines{KillOrderText(p.settings, 11, 1), KillOrderText(p.settings, 12, 1)}));
  p.known = false;
  EXPECT_EQ(p.commands.KillOrdersAt(100.08), 0U);
}

}  // namespace
}  // namespace vestrel
