#pragma once

#include <cstdint>
#include <optional>

#include "trading/order_side.h"

namespace vestrel {

// A position in one instrument, kept at average cost.
//
// Lots are signed: above 0 long, below 0 short. A fill on the side of the
// position (or from flat) adds to it, and the average price becomes the
// lot-weighted mean of the old average and the fill price. A fill against it
// closes min(fill, |position|) lots and realises, for each, exit - average on
// a long and average - exit on a short; the average of what stays open does
// not change. A fill larger than the position reverses it: the rest opens at
// the fill price. Flat, the average is 0.
class Position {
 public:
  void Apply(OrderSide side, std::int64_t lots, double price);

  std::int64_t Quantity() const { return quantity_; }
  double AveragePrice() const { return average_; }
  // Realised profit in price points (per lot times lots).
  double Realised() const { return realised_; }

  // What closing now would realise: a long against the book's best buy
  // price, a short against its best sell price. 0 when flat; none when the
  // side it would close against has no price.
  std::optional<double> OpenProfit(std::optional<double> bestBuy,
                                   std::optional<double> bestSell) const;

 private:
  std::int64_t quantity_ = 0;
  double average_ = 0;
  double realised_ = 0;
};

}  // namespace vestrel
