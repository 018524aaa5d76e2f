#include "trading/position.h"

#include <algorithm>

namespace vestrel {

void Position::Apply(OrderSide side, std::int64_t lots, double price) {
  if (lots <= 0) {
    return;
  }
  const std::int64_t change = side == OrderSide::Buy ? lots : -lots;
  const std::int64_t held = quantity_ < 0 ? -quantity_ : quantity_;
  if (quantity_ == 0) {
    // From flat the average is the fill price itself, not price * q / q.
    average_ = price;
  } else if ((quantity_ > 0) == (change > 0)) {
    average_ = (average_ * static_cast<double>(held) + price * static_cast<double>(lots)) /
               static_cast<double>(held + lots);
  } else {
    const std::int64_t closed = std::min(lots, held);
    const double perLot = quantity_ > 0 ? price - average_ : average_ - price;
    realised_ += perLot * static_cast<double>(closed);
    if (lots == held) {
      average_ = 0;
    } else if (lots > held) {
      average_ = price;
    }
  }
  quantity_ += change;
}

std::optional<double> Position::OpenProfit(std::optional<double> bestBuy,
                                           std::optional<double> bestSell) const {
  if (quantity_ == 0) {
    return 0.0;
  }
  const std::optional<double>& exit = quantity_ > 0 ? bestBuy : bestSell;
  if (!exit) {
    return std::nullopt;
  }
  const double perLot = quantity_ > 0 ? *exit - average_ : average_ - *exit;
  return perLot * static_cast<double>(quantity_ > 0 ? quantity_ : -quantity_);
}

}  // namespace vestrel
