#pragma once

#include <cstdint>

#include "trading/order_side.h"
#include "trading/position.h"

namespace vestrel {

// One paper fill: the order it completes, its side, its whole quantity and
// the book price it was filled at.
struct PaperFill {
  std::int64_t OrderNumber = 0;
  OrderSide Side = OrderSide::Buy;
  std::int64_t Quantity = 0;
  double Price = 0;
};

// The position paper fills build: the same average-cost position as live
// trading's.
using PaperPosition = Position;

}  // namespace vestrel
