#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "book_top.h"
#include "transaction_text.h"

namespace vestrel::termsim {

// The library's order statuses on the order stream.
inline constexpr long kOrderActive = 1;
inline constexpr long kOrderCancelled = 2;
inline constexpr long kOrderFilled = 3;

// The reply codes of a transaction the terminal executed, or did not.
inline constexpr long kReplyExecuted = 3;
inline constexpr long kReplyNotExecuted = 4;

// Order numbers beyond 32 bits, as a busy exchange hands them out; trade
// numbers from a range of their own.
inline constexpr std::uint64_t kFirstOrderNumber = 5000000001;
inline constexpr std::uint64_t kFirstTradeNumber = 9000000001;

// An order of the day, as it stands.
struct Order {
  std::uint64_t Number = 0;
  std::uint32_t TransId = 0;
  std::string ClassCode;
  std::string SecCode;
  bool IsSell = false;
  double Price = 0;
  std::int64_t Quantity = 0;
  std::int64_t Balance = 0;  // lots left
  long Status = kOrderActive;
  bool operator==(const Order&) const = default;
};

// A trade of the day: lots of one order at one price.
struct Trade {
  std::uint64_t Number = 0;
  std::uint64_t OrderNumber = 0;
  std::string ClassCode;
  std::string SecCode;
  bool IsSell = false;
  double Price = 0;
  std::int64_t Lots = 0;
  bool operator==(const Trade&) const = default;
};

// What changed, in the order it happened: an order's new state or a trade.
using Report = std::variant<Order, Trade>;

// The terminal's answer to a well-formed transaction.
struct Reply {
  long Result = 0;
  long ReplyCode = kReplyExecuted;
  std::uint64_t OrderNumber = 0;
  std::string Message;
};

// What the script asks of the next transaction.
struct ExchangeRules {
  // A new order is refused: a reply "not executed" and no order.
  bool RejectOrder = false;
  // The base contract of every instrument traded here: a
  // KILL_ALL_FUTURES_ORDERS naming another cancels nothing.
  std::string BaseContract = "RTS";
};

// An exchange behind the terminal: new orders rest until they are cancelled
// or filled against the top of the book.
//
// A NEW_ORDER gets the next order number whatever it holds, as the terminal
// registers it; it rests only when it has OPERATION B or S, a PRICE and a
// whole QUANTITY above 0. Fills take the best opposite price (the order's
// price or better), at most the volume shown there once per book, orders in
// the order they came.
class Exchange {
 public:
  Reply Execute(const Transaction& transaction, const ExchangeRules& rules);

  // Fills resting orders the book crosses; at most maxLotsPerFill lots of an
  // order at a time (0: as many as the book holds).
  void Match(const BookTop& book, std::int64_t maxLotsPerFill);

  // A trade done before the library was loaded, with its filled order: part
  // of the day, reported by no stream but their snapshots.
  void SeedTrade(const std::string& classCode, const std::string& secCode, bool isSell,
                 std::int64_t lots, double price);

  // What changed since the last call.
  std::vector<Report> TakeReports();

  const std::vector<Order>& Orders() const { return orders_; }
  bool AnyActive() const;
  const std::vector<Trade>& Trades() const { return trades_; }

 private:
  Reply NewOrder(const Transaction& transaction, const ExchangeRules& rules);
  Reply KillOrder(const Transaction& transaction);
  void Cancel(Order& order);
  void Fill(Order& order, double price, std::int64_t lots);

  std::vector<Order> orders_;
  std::vector<Trade> trades_;
  std::vector<Report> reports_;
  std::uint64_t nextOrderNumber_ = kFirstOrderNumber;
  std::uint64_t nextTradeNumber_ = kFirstTradeNumber;
  // The book being filled against, and the volume of its top levels taken.
  std::uint64_t bookSequence_ = 0;
  std::int64_t sellTaken_ = 0;
  std::int64_t buyTaken_ = 0;
};

// The instruments a stream is subscribed to: each SUBSCRIBE adds a class
// with a "|"-separated list of codes (empty: the class's every instrument).
class InstrumentFilter {
 public:
  void Add(std::string_view classCode, std::string_view secCodes);
  bool Matches(std::string_view classCode, std::string_view secCode) const;
  bool Empty() const { return entries_.empty(); }
  void Clear() { entries_.clear(); }

 private:
  struct Entry {
    std::string ClassCode;
    std::string SecCode;  // empty: any
  };
  std::vector<Entry> entries_;
};

}  // namespace vestrel::termsim
