#pragma once

#include <cstdint>
#include <optional>

#include "book/book_view.h"

namespace vestrel {

// The ladder's price step when the settings give none: the smallest positive
// difference between neighbouring price levels of the books seen so far. It
// only ever shrinks, as a finer step shows up in a later book.
class TickFinder {
 public:
  void See(const BookView& book);
  // None before a book with two different prices.
  std::optional<double> Tick() const { return tick_; }

 private:
  std::optional<double> tick_;
};

// The step number of a price on the grid of tick: the nearest whole number of
// steps. None when tick is not above 0 or the price is too far out for its
// steps to be told apart.
std::optional<std::int64_t> GridStep(double price, double tick);

}  // namespace vestrel
