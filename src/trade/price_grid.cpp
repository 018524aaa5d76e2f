#include "trade/price_grid.h"

#include <cmath>

namespace vestrel {
namespace {

// Beyond this many steps a double cannot hold every whole number of steps.
constexpr double kMostSteps = 9007199254740992.0;  // 2^53

double OntoGrid(double price, double tick, bool up) {
  if (!(tick > 0) || !std::isfinite(price)) {
    return price;
  }
  const double steps = price / tick;
  if (!std::isfinite(steps) || std::abs(steps) >= kMostSteps) {
    return price;
  }
  // price and tick come from decimal text, so their quotient is off a whole
  // number of steps by a few units in its last place (about 2e-16 of it
  // each) when the price is on the grid: some fifty such units still are
  // far less than any real distance from it.
  const double nearest = std::round(steps);
  const double tolerance = 1e-14 * std::abs(steps) + 1e-9;
  if (std::abs(steps - nearest) <= tolerance) {
    return price;
  }
  return (up ? std::ceil(steps) : std::floor(steps)) * tick;
}

}  // namespace

double GridUp(double price, double tick) { return OntoGrid(price, tick, true); }

double GridDown(double price, double tick) { return OntoGrid(price, tick, false); }

}  // namespace vestrel
