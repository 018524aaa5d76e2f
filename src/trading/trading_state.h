#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "trading/order_side.h"
#include "trading/position.h"

namespace vestrel {

enum class OrderStatus { Active, Filled, Cancelled, Rejected };

// What the exchange says of one order of this instrument, as it is now.
struct OrderUpdate {
  std::int64_t Number = 0;
  std::int64_t TransId = 0;  // 0 when not known (an order placed elsewhere)
  OrderSide Side = OrderSide::Buy;
  double Price = 0;
  std::int64_t LotsTotal = 0;
  std::int64_t LotsLeft = 0;
  OrderStatus Status = OrderStatus::Active;
};

// One trade of this instrument: part or all of an order filled.
struct TradeReport {
  std::int64_t TradeNumber = 0;
  std::int64_t OrderNumber = 0;
  OrderSide Side = OrderSide::Buy;
  double Price = 0;
  std::int64_t Lots = 0;
};

struct WorkingOrder {
  std::int64_t Number = 0;
  std::int64_t TransId = 0;
  OrderSide Side = OrderSide::Buy;
  double Price = 0;
  std::int64_t LotsLeft = 0;
};

// A trade that reached the position, and the position right after it.
struct Fill {
  TradeReport Trade;
  Position After;
};

// The trader's orders, fills and position in the instrument, built from the
// exchange's order and trade streams (or the paper exchange's).
//
// The streams may repeat themselves and arrive in any order, so every input
// is applied so that seeing it twice, or late, changes nothing twice:
// - a trade counts once by its number, whether or not its order is known;
// - an order's lots left never grow back, and once it is filled, cancelled or
//   rejected it stays so; it works while active with lots left, its lots left
//   also bounded by the lots its trades have filled (a trade seen before the
//   order update that accounts for it);
// - the position is built from the trades alone.
// The streams start with the day's orders and trades so far: those build the
// state silently, and only trades after SnapshotComplete are reported as
// fills.
class TradingState {
 public:
  void Apply(const OrderUpdate& update);
  void Apply(const TradeReport& trade);
  void SnapshotComplete() { complete_ = true; }
  bool IsComplete() const { return complete_; }

  // The fills since the last call, in the order their trades arrived; each
  // is given once.
  std::vector<Fill> TakeNewFills();

  // A new order the panel has sent that the order stream has not shown yet.
  // It works on its side from the send, so that an order sent before the
  // terminal has reported the one before cannot pass a limit that one
  // already fills. The stream's first update of an order with that
  // TRANS_ID and side takes its place (the oldest first: without
  // asynchronous sends every order carries TRANS_ID 1).
  void OrderSent(std::int64_t transId, OrderSide side, std::int64_t lots);
  // The order of that TRANS_ID sent last was refused: it will never work.
  void OrderNotPlaced(std::int64_t transId);
  // The terminal's reply numbered the oldest order of that TRANS_ID not yet
  // numbered: the stream's first update of that number takes its place,
  // whatever TRANS_ID it carries. A number that is not a whole positive one
  // changes nothing.
  void OrderPlaced(std::int64_t transId, double number);

  const Position& CurrentPosition() const { return position_; }
  // By order number; orders sent and not yet shown are not among them.
  std::vector<WorkingOrder> WorkingOrders() const;
  // Orders sent and not yet shown included.
  std::int64_t WorkingLots(OrderSide side) const;

 private:
  struct OrderRecord {
    bool Known = false;  // an update has come, not only trades
    OrderUpdate Latest;
    std::int64_t Traded = 0;
  };
  static std::int64_t LotsLeft(const OrderRecord& order);

  struct SentOrder {
    std::int64_t TransId = 0;
    OrderSide Side = OrderSide::Buy;
    std::int64_t Lots = 0;
    std::int64_t Number = 0;  // 0 until the reply gives it
  };

  std::map<std::int64_t, OrderRecord> orders_;
  std::vector<SentOrder> sent_;  // oldest first
  std::set<std::int64_t> tradeNumbers_;
  Position position_;
  std::vector<Fill> newFills_;
  bool complete_ = false;
};

}  // namespace vestrel

namespace vestrel {

// Where the panel's trading state is now: none when the panel has none (live
// trading without the terminal's order streams).
using TradingStateSource = std::function<const TradingState*()>;

}  // namespace vestrel
