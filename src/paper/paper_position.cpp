#include "paper/paper_position.h"

#include <algorithm>

namespace vestrel {

void PaperPosition::Apply(OrderSide side, std::int64_t quantity, double price) {
  if (quantity <= 0) {
    return;
  }
  const std::int64_t change = side == OrderSide::Buy ? quantity : -quantity;
  const std::int64_t held = quantity_ < 0 ? -quantity_ : quantity_;
  if (quantity_ == 0) {
    // From flat the average is the fill price itself, not price * q / q.
    average_ = price;
  } else if ((quantity_ > 0) == (change > 0)) {
    average_ = (average_ * static_cast<double>(held) + price * static_cast<double>(quantity)) /
               static_cast<double>(held + quantity);
  } else {
    const std::int64_t closed = std::min(quantity, held);
    const double perLot = quantity_ > 0 ? price - average_ : average_ - price;
    realised_ += perLot * static_cast<double>(closed);
    if (quantity == held) {
      average_ = 0;
    } else if (quantity > held) {
      average_ = price;
    }
  }
  quantity_ += change;
}

}  // namespace vestrel
