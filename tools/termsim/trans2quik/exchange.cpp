#include "exchange.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace vestrel::termsim {
namespace {

std::uint32_t TransIdOf(const Transaction& transaction) {
  const auto id = ParsePositive(transaction.Field("TRANS_ID"));
  return id && *id <= std::numeric_limits<std::uint32_t>::max() ? static_cast<std::uint32_t>(*id)
                                                                : 0;
}

std::string NumberText(std::uint64_t number) { return std::to_string(number); }

}  // namespace

Reply Exchange::Execute(const Transaction& transaction, const ExchangeRules& rules) {
  const std::string action = transaction.Field("ACTION");
  if (action == "NEW_ORDER") {
    return NewOrder(transaction, rules);
  }
  if (action == "KILL_ORDER") {
    return KillOrder(transaction);
  }
  if (action == "KILL_ALL_FUTURES_ORDERS") {
    const std::string classCode = transaction.Field("CLASSCODE");
    const std::string base = transaction.Field("BASE_CONTRACT");
    if (base.empty() || base == rules.BaseContract) {
      for (Order& order : orders_) {
        if (order.Status == kOrderActive && (classCode.empty() || order.ClassCode == classCode)) {
          Cancel(order);
        }
      }
    }
    return {0, kReplyExecuted, 0, "All futures orders cancelled."};
  }
  return {0, kReplyExecuted, 0, "Transaction executed."};
}

Reply Exchange::NewOrder(const Transaction& transaction, const ExchangeRules& rules) {
  if (rules.RejectOrder) {
    return {0, kReplyNotExecuted, 0, "Order rejected: not enough funds."};
  }
  const std::uint64_t number = nextOrderNumber_++;
  const std::string operation = transaction.Field("OPERATION");
  const auto price = ParsePrice(transaction.Field("PRICE"));
  const auto quantity = ParsePositive(transaction.Field("QUANTITY"));
  if ((operation == "B" || operation == "S") && price && quantity) {
    Order order{number,
                TransIdOf(transaction),
                transaction.Field("CLASSCODE"),
                transaction.Field("SECCODE"),
                operation == "S",
                *price,
                *quantity,
                *quantity,
                kOrderActive};
    orders_.push_back(order);
    reports_.emplace_back(std::move(order));
  }
  return {0, kReplyExecuted, number, "Order " + NumberText(number) + " registered."};
}

Reply Exchange::KillOrder(const Transaction& transaction) {
  const std::string key = transaction.Field("ORDER_KEY");
  const auto number = ParsePositive(key);
  const std::string classCode = transaction.Field("CLASSCODE");
  const std::string secCode = transaction.Field("SECCODE");
  const auto found = std::find_if(orders_.begin(), orders_.end(), [&](const Order& order) {
    return number && order.Number == static_cast<std::uint64_t>(*number) &&
           (classCode.empty() || order.ClassCode == classCode) &&
           (secCode.empty() || order.SecCode == secCode);
  });
  if (found == orders_.end()) {
    return {0, kReplyNotExecuted, 0, "Order " + key + " not found."};
  }
  if (found->Status != kOrderActive) {
    return {0, kReplyNotExecuted, found->Number,
            "Order " + NumberText(found->Number) + " is no longer active."};
  }
  Cancel(*found);
  return {0, kReplyExecuted, found->Number, "Order " + NumberText(found->Number) + " cancelled."};
}

void Exchange::Cancel(Order& order) {
  order.Status = kOrderCancelled;
  reports_.emplace_back(order);
}

void Exchange::Fill(Order& order, double price, std::int64_t lots) {
  order.Balance -= lots;
  order.Status = order.Balance == 0 ? kOrderFilled : kOrderActive;
  reports_.emplace_back(order);
  Trade trade{
      nextTradeNumber_++, order.Number, order.ClassCode, order.SecCode, order.IsSell, price, lots};
  trades_.push_back(trade);
  reports_.emplace_back(std::move(trade));
}

void Exchange::Match(const BookTop& book, std::int64_t maxLotsPerFill) {
  if (book.Sequence != bookSequence_) {
    bookSequence_ = book.Sequence;
    sellTaken_ = 0;
    buyTaken_ = 0;
  }
  for (Order& order : orders_) {
    if (order.Status != kOrderActive) {
      continue;
    }
    const std::optional<BookLevel>& against = order.IsSell ? book.Buy : book.Sell;
    std::int64_t& taken = order.IsSell ? buyTaken_ : sellTaken_;
    if (!against || (order.IsSell ? against->Price < order.Price : against->Price > order.Price)) {
      continue;
    }
    std::int64_t lots = std::min(order.Balance, against->Volume - taken);
    if (maxLotsPerFill > 0) {
      lots = std::min(lots, maxLotsPerFill);
    }
    if (lots > 0) {
      taken += lots;
      Fill(order, against->Price, lots);
    }
  }
}

void Exchange::SeedTrade(const std::string& classCode, const std::string& secCode, bool isSell,
                         std::int64_t lots, double price) {
  const std::uint64_t number = nextOrderNumber_++;
  orders_.push_back({number, 0, classCode, secCode, isSell, price, lots, 0, kOrderFilled});
  trades_.push_back({nextTradeNumber_++, number, classCode, secCode, isSell, price, lots});
}

bool Exchange::AnyActive() const {
  return std::any_of(orders_.begin(), orders_.end(),
                     [](const Order& order) { return order.Status == kOrderActive; });
}

std::vector<Report> Exchange::TakeReports() { return std::exchange(reports_, {}); }

void InstrumentFilter::Add(std::string_view classCode, std::string_view secCodes) {
  if (secCodes.empty()) {
    entries_.push_back({std::string(classCode), {}});
    return;
  }
  while (!secCodes.empty()) {
    const std::size_t bar = secCodes.find('|');
    const std::string_view code = secCodes.substr(0, bar);
    if (!code.empty()) {
      entries_.push_back({std::string(classCode), std::string(code)});
    }
    secCodes = bar == std::string_view::npos ? std::string_view() : secCodes.substr(bar + 1);
  }
}

bool InstrumentFilter::Matches(std::string_view classCode, std::string_view secCode) const {
  return std::any_of(entries_.begin(), entries_.end(), [&](const Entry& entry) {
    return entry.ClassCode == classCode && (entry.SecCode.empty() || entry.SecCode == secCode);
  });
}

}  // namespace vestrel::termsim
