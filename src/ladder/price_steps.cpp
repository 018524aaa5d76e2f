#include "ladder/price_steps.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vestrel {
namespace {

// Beyond this many steps a double cannot hold every whole number of steps.
constexpr double kMostSteps = 9007199254740992.0;  // 2^53

// Prices come from decimal text, so the difference of two of them carries the
// error of binary arithmetic (100.02 - 100.01 is 0.0099999999999909): rounded
// to ten decimal places it is the step the terminal meant.
double Cleaned(double difference) {
  constexpr double kScale = 1e10;
  if (difference >= 1e6) {
    return difference;
  }
  return std::round(difference * kScale) / kScale;
}

}  // namespace

void TickFinder::See(const BookView& book) {
  std::vector<double> prices;
  prices.reserve(book.SellLevels.size() + book.BuyLevels.size());
  for (const auto* side : {&book.SellLevels, &book.BuyLevels}) {
    for (const BookLevel& level : *side) {
      prices.push_back(level.Price);
    }
  }
  std::sort(prices.begin(), prices.end());
  for (std::size_t i = 1; i < prices.size(); ++i) {
    const double step = Cleaned(prices[i] - prices[i - 1]);
    if (step > 0 && std::isfinite(step) && (!tick_ || step < *tick_)) {
      tick_ = step;
    }
  }
}

std::optional<std::int64_t> GridStep(double price, double tick) {
  if (!(tick > 0) || !std::isfinite(price)) {
    return std::nullopt;
  }
  const double steps = std::round(price / tick);
  if (!std::isfinite(steps) || std::abs(steps) >= kMostSteps) {
    return std::nullopt;
  }
  return static_cast<std::int64_t>(steps);
}

}  // namespace vestrel
