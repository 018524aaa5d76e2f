#pragma once

#include <cstdint>

#include "trade/order_commands.h"

namespace vestrel {

// One paper fill: the order it completes, its side, its whole quantity and
// the book price it was filled at.
struct PaperFill {
  std::int64_t OrderNumber = 0;
  OrderSide Side = OrderSide::Buy;
  std::int64_t Quantity = 0;
  double Price = 0;
};

// The position paper fills build, kept at average cost.
//
// Quantity is signed: above 0 long, below 0 short. A fill on the side of the
// position (or from flat) adds to it, and the average price becomes the
// quantity-weighted mean of the old average and the fill price. A fill
// against it closes min(fill, |position|) lots and realises, for each,
// exit - average on a long and average - exit on a short; the average of
// what stays open does not change. A fill larger than the position reverses
// it: the rest opens at the fill price. Flat, the average is 0.
class PaperPosition {
 public:
  void Apply(OrderSide side, std::int64_t quantity, double price);

  std::int64_t Quantity() const { return quantity_; }
  double AveragePrice() const { return average_; }
  // Realised profit in price points since start-up (per lot times lots).
  double Realised() const { return realised_; }

 private:
  std::int64_t quantity_ = 0;
  double average_ = 0;
  double realised_ = 0;
};

}  // namespace vestrel
