// The trading state against scripted order and trade streams: the first
// snapshot, callbacks repeated or out of order, partial fills, cancels and
// rejections, a position reversed through zero, its label, and the limits.
#include "trading/trading_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "trading/risk_check.h"
#include "trading/trading_text.h"

namespace vestrel {
namespace {

constexpr auto kBuy = OrderSide::Buy;
constexpr auto kSell = OrderSide::Sell;

OrderUpdate Order(std::int64_t number, OrderSide side, double price, std::int64_t total,
                  std::int64_t left, OrderStatus status = OrderStatus::Active,
                  std::int64_t transId = 0) {
  return {number, transId, side, price, total, left, status};
}

std::vector<std::string> FillLines(TradingState& state) {
  std::vector<std::string> lines;
  for (const Fill& fill : state.TakeNewFills()) {
    lines.push_back(FillText(fill, ','));
  }
  return lines;
}

std::vector<std::int64_t> WorkingLots(const TradingState& state) {
  std::vector<std::int64_t> lots;
  for (const WorkingOrder& order : state.WorkingOrders()) {
    lots.push_back(order.LotsLeft);
  }
  return lots;
}

TEST(TradingState, TheSnapshotBuildsSilentlyAndEachLaterFillIsReportedOnce) {
  TradingState state;
  state.Apply(Order(10, kBuy, 98600, 3, 1));
  state.Apply(TradeReport{1, 10, kBuy, 98600, 2});
  state.Apply(TradeReport{1, 10, kBuy, 98600, 2});  // the snapshot's trade again
  EXPECT_TRUE(FillLines(state).empty());
  EXPECT_EQ(state.CurrentPosition().Quantity(), 2);
  state.SnapshotComplete();

  state.Apply(TradeReport{2, 10, kBuy, 98660.5, 1});
  state.Apply(Order(10, kBuy, 98600, 3, 0, OrderStatus::Filled));
  state.Apply(TradeReport{2, 10, kBuy, 98660.5, 1});
  EXPECT_EQ(FillLines(state),
            std::vector<std::string>{"FILL B 1 @ 98660,5 | POSITION 3 @ 98620,1666666667 | "
                                     "REALISED 0"});
  EXPECT_TRUE(FillLines(state).empty());
  EXPECT_TRUE(state.WorkingOrders().empty());
}

TEST(TradingState, RepeatedLateAndEarlyCallbacksChangeNothingTwice) {
  TradingState state;
  state.SnapshotComplete();

  // A trade before its order's first update, which still shows every lot.
  state.Apply(TradeReport{5, 20, kSell, 99000, 1});
  state.Apply(Order(20, kSell, 99000, 3, 3, OrderStatus::Active, 77));
  EXPECT_EQ(WorkingLots(state), std::vector<std::int64_t>{2});
  // The update that accounts for it, repeated, then an older one late.
  state.Apply(Order(20, kSell, 99000, 3, 2));
  state.Apply(Order(20, kSell, 99000, 3, 2));
  state.Apply(Order(20, kSell, 99000, 3, 3));
  ASSERT_EQ(state.WorkingOrders().size(), 1u);
  EXPECT_EQ(state.WorkingOrders()[0].LotsLeft, 2);
  EXPECT_EQ(state.WorkingOrders()[0].TransId, 77);  // kept when later updates lack it
  EXPECT_EQ(state.WorkingLots(kSell), 2);
  EXPECT_EQ(state.WorkingLots(kBuy), 0);

  // A partial fill, then the cancel of the rest; an active update after the
  // cancel does not revive it.
  state.Apply(TradeReport{6, 20, kSell, 99010, 1});
  EXPECT_EQ(WorkingLots(state), std::vector<std::int64_t>{1});
  state.Apply(Order(20, kSell, 99000, 3, 1, OrderStatus::Cancelled));
  state.Apply(Order(20, kSell, 99000, 3, 1));
  EXPECT_TRUE(state.WorkingOrders().empty());

  // A rejected order never works; a zero-lot trade is no trade.
  state.Apply(Order(21, kBuy, 98000, 5, 5, OrderStatus::Rejected));
  state.Apply(Order(21, kBuy, 98000, 5, 5));
  state.Apply(TradeReport{7, 21, kBuy, 98000, 0});
  EXPECT_TRUE(state.WorkingOrders().empty());

  EXPECT_EQ(state.CurrentPosition().Quantity(), -2);
  EXPECT_EQ(state.CurrentPosition().AveragePrice(), 99005);
  EXPECT_EQ(FillLines(state).size(), 2u);
}

TEST(TradingState, APositionReversedThroughZeroAndItsLabel) {
  TradingState state;
  state.SnapshotComplete();
  state.Apply(TradeReport{1, 1, kBuy, 100000, 1});
  state.Apply(TradeReport{2, 2, kSell, 99980, 1});
  state.Apply(TradeReport{3, 3, kBuy, 99900, 1});
  state.Apply(TradeReport{4, 4, kBuy, 99980, 1});
  state.Apply(Order(5, kSell, 100100, 1, 1));
  EXPECT_EQ(TradingLabelText(state, 99960, 99970, ','),
            "POSITION 2 @ 99940 | REALISED -20 | OPEN 40 | ORDERS 1");
  EXPECT_EQ(TradingLabelText(state, std::nullopt, 99970, ','),
            "POSITION 2 @ 99940 | REALISED -20 | OPEN ? | ORDERS 1");

  // Selling 3 closes 2 (realising +10 each) and opens 1 short at the price.
  state.Apply(TradeReport{5, 6, kSell, 99950, 3});
  EXPECT_EQ(TradingLabelText(state, 99960, 99970.5, ','),
            "POSITION -1 @ 99950 | REALISED 0 | OPEN -20,5 | ORDERS 1");
  state.Apply(TradeReport{6, 7, kBuy, 99940, 1});
  EXPECT_EQ(TradingLabelText(state, std::nullopt, std::nullopt, ','),
            "POSITION 0 @ 0 | REALISED 10 | OPEN 0 | ORDERS 1");
}

TEST(RiskRefusal, TheLotsLimitCountsWorkingOrdersAndLetsAReductionThrough) {
  TradingState state;
  state.SnapshotComplete();
  state.Apply(TradeReport{1, 1, kBuy, 100, 1});
  state.Apply(Order(2, kBuy, 99, 1, 1));
  const RiskLimits limits{2, 0};
  EXPECT_EQ(RiskRefusal(state, kBuy, 1, limits, 100, 101, ','),
            "the position could reach 3 lots, the limit is 2");
  EXPECT_EQ(RiskRefusal(state, kSell, 3, limits, 100, 101, ','), std::nullopt);
  EXPECT_EQ(RiskRefusal(state, kSell, 4, limits, 100, 101, ','),
            "the position could reach -3 lots, the limit is 2");
  // Over the limit already (a limit lowered, a fill elsewhere): only less.
  state.Apply(TradeReport{2, 3, kBuy, 100, 4});
  EXPECT_EQ(RiskRefusal(state, kSell, 1, limits, 100, 101, ','), std::nullopt);
  EXPECT_NE(RiskRefusal(state, kBuy, 1, limits, 100, 101, ','), std::nullopt);
  EXPECT_EQ(RiskRefusal(state, kBuy, 1, RiskLimits{}, 100, 101, ','), std::nullopt);
}

TEST(RiskRefusal, AtTheLossLimitOnlyOrdersThatReduceThePositionGoOut) {
  TradingState state;
  state.SnapshotComplete();
  state.Apply(TradeReport{1, 1, kBuy, 100, 2});
  const RiskLimits limits{0, 10};
  // Open -8 at 96: not yet at the limit.
  EXPECT_EQ(RiskRefusal(state, kBuy, 1, limits, 96, 97, ','), std::nullopt);
  // Open -10 at 95: at the limit.
  const char* refusal =
      "the profit is -10, the loss limit is 10; only orders that reduce the position go out";
  EXPECT_EQ(RiskRefusal(state, kBuy, 1, limits, 95, 97, ','), refusal);
  EXPECT_EQ(RiskRefusal(state, kSell, 2, limits, 95, 97, ','), std::nullopt);
  EXPECT_EQ(RiskRefusal(state, kSell, 3, limits, 95, 97, ','), refusal);  // through zero
  state.Apply(Order(2, kSell, 110, 1, 1));
  EXPECT_EQ(RiskRefusal(state, kSell, 2, limits, 95, 97, ','), refusal);  // with the working one
  EXPECT_EQ(RiskRefusal(state, kSell, 1, limits, 95, 97, ','), std::nullopt);
  // No buy price to value the long against: its loss is unknown.
  EXPECT_NE(RiskRefusal(state, kBuy, 1, limits, std::nullopt, 97, ','), std::nullopt);
}

TEST(OrderRefusal, LimitsThatCannotBeReadOrAPositionNotKnownLetOnlyReductionsOut) {
  TradingState state;
  state.Apply(TradeReport{1, 1, kSell, 100, 2});
  const RiskLimits unreadable{0, 0, true};
  const char* unknown = "the position is not known yet, so the [Risk] limits cannot be checked";
  // Before the first snapshot is whole, or with no state at all, nothing is
  // known to reduce the position.
  EXPECT_EQ(OrderRefusal(&state, kBuy, 1, unreadable, 100, 101, ','), unknown);
  EXPECT_EQ(OrderRefusal(nullptr, kBuy, 1, RiskLimits{5, 0}, 100, 101, ','), unknown);
  EXPECT_EQ(OrderRefusal(nullptr, kBuy, 1, RiskLimits{}, 100, 101, ','), std::nullopt);
  state.SnapshotComplete();
  EXPECT_EQ(OrderRefusal(&state, kBuy, 2, unreadable, 100, 101, ','), std::nullopt);
  EXPECT_EQ(OrderRefusal(&state, kBuy, 3, unreadable, 100, 101, ','),
            "the [Risk] settings cannot be read; only orders that reduce the position go out");
  EXPECT_NE(OrderRefusal(&state, kSell, 1, unreadable, 100, 101, ','), std::nullopt);
}

}  // namespace
}  // namespace vestrel
