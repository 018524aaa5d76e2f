// The paper exchange and the position its fills build, on their own: what a
// transaction is answered, when a resting order fills and at what price, and
// the average-cost arithmetic, checked case by case and against a reference
// computed another way from random books and orders.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "common/conversions.h"
#include "fakes/fake_ports.h"
#include "paper/paper_exchange.h"
#include "paper/paper_position.h"
#include "paper/paper_trading.h"
#include "trading/trading_state.h"
#include "trading/trading_text.h"

namespace vestrel {
namespace {

using testing::FakeRegionalSettings;

struct Answer {
  std::int32_t Result = -1;
  std::int32_t ReplyCode = -1;
  std::int32_t TransId = -1;
  double OrderNum = -1;
  std::string ResultMessage = "?";
  std::string ErrorMessage = "?";
};

Answer Send(PaperExchange& exchange, const std::string& transaction,
            std::int32_t bufferSize = 250) {
  Answer answer;
  std::int32_t extended = -1;
  answer.Result = exchange.SendSyncTransaction(transaction, answer.ReplyCode, answer.TransId,
                                               answer.OrderNum, answer.ResultMessage, bufferSize,
                                               extended, answer.ErrorMessage, bufferSize);
  EXPECT_EQ(extended, 0);
  return answer;
}

std::string Order(char side, const std::string& price, const std::string& quantity = "1") {
  return std::string(
             "ACCOUNT=A1; TYPE=L; TRANS_ID=7; CLASSCODE=C1; SECCODE=S1; ACTION=NEW_ORDER; "
             "OPERATION=") +
         side + "; PRICE=" + price + "; QUANTITY=" + quantity + ";";
}

const std::string kKill =
    "TRANS_ID=1; ACCOUNT=A1; ACTION=KILL_ALL_FUTURES_ORDERS; CLASSCODE=C1;BASE_CONTRACT=RTS";

struct PaperExchangeTest : ::testing::Test {
  FakeRegionalSettings regional;  // decimal separator ','
  PaperExchange exchange{regional};
};

TEST_F(PaperExchangeTest, ConnectsAndAnswersEveryTransactionAsAnAcceptingTerminal) {
  std::int32_t extended = -1;
  EXPECT_EQ(exchange.Connect("C:\\QUIK", extended), 0);
  EXPECT_EQ(exchange.IsDllConnected(extended), 10);
  EXPECT_EQ(exchange.IsQuikConnected(extended), 8);

  const Answer first = Send(exchange, Order('B', "98660"));
  EXPECT_EQ(first.Result, 0);
  EXPECT_EQ(first.ReplyCode, 3);
  EXPECT_EQ(first.TransId, 7);
  EXPECT_EQ(first.OrderNum, 1);
  EXPECT_EQ(first.ResultMessage, "paper order 1 accepted");
  EXPECT_EQ(first.ErrorMessage, "");
  const Answer kill = Send(exchange, kKill);
  EXPECT_EQ(kill.TransId, 1);
  EXPECT_EQ(kill.OrderNum, 2);
  EXPECT_EQ(kill.ResultMessage, "paper order 2 accepted");
  // A buffer too small for the message gets what fits, as from the library.
  EXPECT_EQ(Send(exchange, Order('S', "98660,5"), 11).ResultMessage, "paper order");

  EXPECT_EQ(exchange.Disconnect(extended), 0);
}

TEST_F(PaperExchangeTest, AnOrderItCannotReadIsRefusedWithoutANumber) {
  for (const std::string& bad :
       {Order('X', "100"), Order('B', "100.5"), Order('B', "*"), Order('S', "100", "0"),
        Order('S', "100", "1,5"), Order('S', "100", "-2"), std::string("ACTION=NEW_ORDER;")}) {
    SCOPED_TRACE(bad);
    const Answer answer = Send(exchange, bad);
    EXPECT_EQ(answer.Result, 5);
    EXPECT_EQ(answer.ReplyCode, 0);
    EXPECT_EQ(answer.OrderNum, 0);
    EXPECT_EQ(answer.ResultMessage, "");
    EXPECT_EQ(answer.ErrorMessage.rfind("paper: NEW_ORDER needs ", 0), 0U);
  }
  EXPECT_TRUE(exchange.Resting().empty());
  EXPECT_EQ(Send(exchange, Order('B', "100")).OrderNum, 1);  // the count goes on from 1
}

TEST(PaperExchangeFeed, ItsOrdersCancelsAndFillsReachTheTradingStateAsTheStreamsWould) {
  FakeRegionalSettings regional;
  TradingState state;
  state.SnapshotComplete();
  PaperExchange exchange(regional, &state);
  Send(exchange, Order('B', "100", "2"));  // 1
  Send(exchange, Order('S', "120"));       // 2
  ASSERT_EQ(state.WorkingOrders().size(), 2U);
  EXPECT_EQ(state.WorkingOrders()[0].TransId, 7);
  EXPECT_EQ(state.WorkingLots(OrderSide::Buy), 2);

  exchange.BookChanged(99, 98);
  const std::vector<Fill> fills = state.TakeNewFills();
  ASSERT_EQ(fills.size(), 1U);
  EXPECT_EQ(fills[0].Trade.OrderNumber, 1);
  EXPECT_EQ(state.CurrentPosition().Quantity(), 2);
  EXPECT_EQ(state.WorkingLots(OrderSide::Buy), 0);

  // One order cancelled by its number; the others stay.
  Send(exchange, Order('S', "130"));  // 3
  const auto killOrder = [](const std::string& key) {
    return "TRANS_ID=4; ACTION=KILL_ORDER; CLASSCODE=C1; SECCODE=S1; ORDER_KEY=" + key + ";";
  };
  const Answer cancelled = Send(exchange, killOrder("3"));
  EXPECT_EQ(cancelled.Result, 0);
  EXPECT_EQ(cancelled.ReplyCode, 3);
  EXPECT_EQ(cancelled.TransId, 4);
  EXPECT_EQ(cancelled.OrderNum, 3);  // the cancelled order's, no number of its own
  EXPECT_EQ(cancelled.ResultMessage, PaperCancelledMessage(3));
  ASSERT_EQ(state.WorkingOrders().size(), 1U);
  EXPECT_EQ(state.WorkingOrders()[0].Number, 2);
  ASSERT_EQ(exchange.Resting().size(), 1U);
  // An order no longer working (filled, cancelled, never placed) is refused
  // as the terminal refuses it, and nothing else changes.
  for (const char* gone : {"1", "3", "99"}) {
    const Answer refused = Send(exchange, killOrder(gone));
    EXPECT_EQ(refused.Result, 0);
    EXPECT_EQ(refused.ReplyCode, 4);
    EXPECT_EQ(refused.OrderNum, 0);
    EXPECT_EQ(refused.ResultMessage, PaperNoOrderMessage(std::stoll(gone)));
  }
  for (const char* unreadable : {"", "x", "2.5"}) {
    EXPECT_EQ(Send(exchange, killOrder(unreadable)).Result, 5) << unreadable;
  }
  EXPECT_EQ(state.WorkingOrders().size(), 1U);
  EXPECT_EQ(state.CurrentPosition().Quantity(), 2);
  EXPECT_EQ(Send(exchange, Order('S', "140")).OrderNum, 4);

  Send(exchange, kKill);
  EXPECT_TRUE(state.WorkingOrders().empty());
  EXPECT_TRUE(state.TakeNewFills().empty());
}

// Fills as (side, quantity, price) and the position after each.
struct Step {
  OrderSide Side;
  std::int64_t Quantity;
  double Price;
  std::int64_t Position;
  double Average;
  double Realised;
};

TEST(PaperPosition, KeepsTheAverageCostAndRealisesWhatAFillCloses) {
  constexpr OrderSide B = OrderSide::Buy;
  constexpr OrderSide S = OrderSide::Sell;
  const std::vector<Step> steps = {
      {B, 1, 98660, 1, 98660, 0},    // opens long
      {B, 2, 98690, 3, 98680, 0},    // adds: (98660 + 2 * 98690) / 3
      {S, 1, 98700, 2, 98680, 20},   // reduces: the average stays
      {S, 5, 98670, -3, 98670, 0},   // closes 2 (-20) and opens 3 short at the fill
      {B, 1, 98600, -2, 98670, 70},  // a short realises average - exit
      {S, 2, 98650, -4, 98660, 70},  // adds to the short
      {B, 4, 98665, 0, 0, 50},       // flat: the average is 0
      {S, 2, 10.1, -2, 10.1, 50},    // from flat the average is the price itself
      {B, 2, 10.2, 0, 0, 49.8},
  };
  PaperPosition position;
  for (const Step& step : steps) {
    position.Apply(step.Side, step.Quantity, step.Price);
    EXPECT_EQ(position.Quantity(), step.Position);
    EXPECT_DOUBLE_EQ(position.AveragePrice(), step.Average);
    EXPECT_NEAR(position.Realised(), step.Realised, 1e-9);
  }
  EXPECT_EQ(PositionText(position, ','), "POSITION 0 @ 0 | REALISED 49,8");
  position.Apply(S, 3, 98660.5);
  EXPECT_EQ(PaperFillText({{0, 9, S, 98660.5, 3}, position}, ','),
            "PAPER FILL S 3 @ 98660,5 | POSITION -3 @ 98660,5 | REALISED 49,8");
}

// The reference: every order fills at the first book after it that crosses
// it (a buy at the lowest sell price at or below its limit, a sell at the
// highest buy price at or above it), unless a kill came first; position and
// realised profit from the whole list of fills. Limits and books on the same
// half points make fills exactly at the limit common.
struct Reference {
  struct Event {
    enum Kind { Order, Kill, Book } What;
    OrderSide Side = OrderSide::Buy;
    double Price = 0;  // the order's limit
    std::int64_t Quantity = 0;
    std::optional<double> LowestSell;
    std::optional<double> HighestBuy;
    std::int64_t Number = 0;
  };

  // The fills, ordered by the book that made them and then by order number.
  static std::vector<PaperFill> Fills(const std::vector<Event>& events) {
    std::map<std::pair<std::size_t, std::int64_t>, PaperFill> byBook;
    for (std::size_t i = 0; i < events.size(); ++i) {
      const Event& order = events[i];
      if (order.What != Event::Order) {
        continue;
      }
      for (std::size_t j = i + 1; j < events.size() && events[j].What != Event::Kill; ++j) {
        const Event& book = events[j];
        if (book.What != Event::Book) {
          continue;
        }
        if (order.Side == OrderSide::Buy && book.LowestSell && *book.LowestSell <= order.Price) {
          byBook[{j, order.Number}] = {order.Number, order.Side, order.Quantity, *book.LowestSell};
          break;
        }
        if (order.Side == OrderSide::Sell && book.HighestBuy && *book.HighestBuy >= order.Price) {
          byBook[{j, order.Number}] = {order.Number, order.Side, order.Quantity, *book.HighestBuy};
          break;
        }
      }
    }
    std::vector<PaperFill> fills;
    for (const auto& [key, fill] : byBook) {
      fills.push_back(fill);
    }
    return fills;
  }

  std::int64_t Position = 0;
  double Average = 0;
  double Realised = 0;

  // The cost of the open lots (signed like the position) rather than their
  // average: adding lots adds their cost, closing lots takes away their share
  // of it, and what is realised is the cash that went in and out plus the
  // cost of what is still open.
  explicit Reference(const std::vector<PaperFill>& fills) {
    double cash = 0;
    double cost = 0;
    for (const PaperFill& fill : fills) {
      const std::int64_t change = fill.Side == OrderSide::Buy ? fill.Quantity : -fill.Quantity;
      cash -= static_cast<double>(change) * fill.Price;
      const std::int64_t before = Position;
      Position += change;
      if (before == 0 || (before > 0) == (change > 0)) {
        cost += static_cast<double>(change) * fill.Price;
      } else if (Position == 0 || (before > 0) != (Position > 0)) {
        cost = static_cast<double>(Position) * fill.Price;  // closed, the rest at the fill
      } else {
        cost *= static_cast<double>(Position) / static_cast<double>(before);
      }
    }
    Average = Position == 0 ? 0 : cost / static_cast<double>(Position);
    Realised = cash + cost;
  }
};

TEST(PaperProperty, RandomBooksAndOrdersFillAndAddUpAsTheReferenceSays) {
  for (unsigned seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    auto uniform = [&](int low, int high) {
      return std::uniform_int_distribution<int>(low, high)(random);
    };
    FakeRegionalSettings regional;
    regional.Separator = seed % 2 == 0 ? ',' : '.';
    PaperExchange exchange(regional);
    PaperPosition position;
    std::vector<Reference::Event> events;
    std::vector<PaperFill> fills;

    for (int step = 0; step < 120; ++step) {
      const int kind = uniform(0, 9);
      if (kind < 5) {  // an order, in half points around 100
        const OrderSide side = uniform(0, 1) == 0 ? OrderSide::Buy : OrderSide::Sell;
        const double price = uniform(180, 220) / 2.0;
        const std::int64_t quantity = uniform(1, 5);
        const std::string text =
            Order(side == OrderSide::Buy ? 'B' : 'S', NumberText(price, regional.Separator),
                  std::to_string(quantity));
        const Answer answer = Send(exchange, text);
        ASSERT_EQ(answer.Result, 0);
        events.push_back({Reference::Event::Order, side, price, quantity, std::nullopt,
                          std::nullopt, static_cast<std::int64_t>(answer.OrderNum)});
      } else if (kind == 5) {
        Send(exchange, kKill);
        events.push_back(
            {Reference::Event::Kill, OrderSide::Buy, 0, 0, std::nullopt, std::nullopt, 0});
      } else {  // a book: a spread of 0.5 to 3, a half sometimes without prices
        const double sell = uniform(190, 214) / 2.0;
        const double buy = sell - uniform(1, 6) / 2.0;
        Reference::Event book{Reference::Event::Book, OrderSide::Buy, 0, 0,
                              std::nullopt,           std::nullopt,   0};
        if (uniform(0, 9) != 0) {
          book.LowestSell = sell;
        }
        if (uniform(0, 9) != 0) {
          book.HighestBuy = buy;
        }
        events.push_back(book);
        for (const PaperFill& fill : exchange.BookChanged(book.LowestSell, book.HighestBuy)) {
          position.Apply(fill.Side, fill.Quantity, fill.Price);
          fills.push_back(fill);
        }
      }
    }

    const std::vector<PaperFill> expected = Reference::Fills(events);
    ASSERT_EQ(fills.size(), expected.size());
    for (std::size_t i = 0; i < fills.size(); ++i) {
      EXPECT_EQ(fills[i].OrderNumber, expected[i].OrderNumber);
      EXPECT_EQ(fills[i].Side, expected[i].Side);
      EXPECT_EQ(fills[i].Quantity, expected[i].Quantity);
      EXPECT_EQ(fills[i].Price, expected[i].Price);
    }
    const Reference reference(expected);
    EXPECT_EQ(position.Quantity(), reference.Position);
    EXPECT_NEAR(position.AveragePrice(), reference.Average, 1e-9);
    EXPECT_NEAR(position.Realised(), reference.Realised, 1e-6);
  }
}

}  // namespace
}  // namespace vestrel
