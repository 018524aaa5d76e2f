#include "trading/trading_state.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

namespace vestrel {

void TradingState::Apply(const OrderUpdate& update) {
  OrderRecord& order = orders_[update.Number];
  if (!order.Known) {
    order.Known = true;
    order.Latest = update;
    auto sent = std::find_if(sent_.begin(), sent_.end(),
                             [&](const SentOrder& item) { return item.Number == update.Number; });
    if (sent == sent_.end() && update.TransId != 0) {
      sent = std::find_if(sent_.begin(), sent_.end(), [&](const SentOrder& item) {
        return item.Number == 0 && item.TransId == update.TransId && item.Side == update.Side;
      });
    }
    if (sent != sent_.end()) {
      sent_.erase(sent);
    }
    return;
  }
  if (order.Latest.Status != OrderStatus::Active) {
    return;  // a late or repeated update of an order that is done
  }
  const std::int64_t left = std::min(order.Latest.LotsLeft, update.LotsLeft);
  const std::int64_t transId = update.TransId != 0 ? update.TransId : order.Latest.TransId;
  order.Latest = update;
  order.Latest.LotsLeft = left;
  order.Latest.TransId = transId;
}

void TradingState::Apply(const TradeReport& trade) {
  if (trade.Lots <= 0 || !tradeNumbers_.insert(trade.TradeNumber).second) {
    return;
  }
  orders_[trade.OrderNumber].Traded += trade.Lots;
  position_.Apply(trade.Side, trade.Lots, trade.Price);
  if (complete_) {
    newFills_.push_back({trade, position_});
  }
}

void TradingState::OrderSent(std::int64_t transId, OrderSide side, std::int64_t lots) {
  if (lots > 0) {
    sent_.push_back({transId, side, lots});
  }
}

void TradingState::OrderNotPlaced(std::int64_t transId) {
  const auto last = std::find_if(sent_.rbegin(), sent_.rend(),
                                 [&](const SentOrder& item) { return item.TransId == transId; });
  if (last != sent_.rend()) {
    sent_.erase(std::next(last).base());
  }
}

void TradingState::OrderPlaced(std::int64_t transId, double number) {
  // Order numbers are whole and well inside 64 bits; anything else is no number.
  if (!(number >= 1 && number < 1e18) || number != std::floor(number)) {
    return;
  }
  const auto whole = static_cast<std::int64_t>(number);
  const auto sent = std::find_if(sent_.begin(), sent_.end(), [&](const SentOrder& item) {
    return item.Number == 0 && item.TransId == transId;
  });
  if (sent == sent_.end()) {
    return;
  }
  const auto order = orders_.find(whole);
  if (order != orders_.end() && order->second.Known) {
    sent_.erase(sent);  // the stream showed it first, under another TRANS_ID
  } else {
    sent->Number = whole;
  }
}

std::vector<Fill> TradingState::TakeNewFills() { return std::exchange(newFills_, {}); }

std::int64_t TradingState::LotsLeft(const OrderRecord& order) {
  if (!order.Known || order.Latest.Status != OrderStatus::Active) {
    return 0;
  }
  return std::max<std::int64_t>(
      0, std::min(order.Latest.LotsLeft, order.Latest.LotsTotal - order.Traded));
}

std::vector<WorkingOrder> TradingState::WorkingOrders() const {
  std::vector<WorkingOrder> working;
  for (const auto& [number, order] : orders_) {
    if (const std::int64_t left = LotsLeft(order); left > 0) {
      working.push_back(
          {number, order.Latest.TransId, order.Latest.Side, order.Latest.Price, left});
    }
  }
  return working;
}

std::int64_t TradingState::WorkingLots(OrderSide side) const {
  std::int64_t lots = 0;
  for (const auto& [number, order] : orders_) {
    if (order.Latest.Side == side) {
      lots += LotsLeft(order);
    }
  }
  for (const SentOrder& sent : sent_) {
    if (sent.Side == side) {
      lots += sent.Lots;
    }
  }
  return lots;
}

}  // namespace vestrel
