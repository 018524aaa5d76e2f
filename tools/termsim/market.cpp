#include "market.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace vestrel::termsim {

Market::Market(MarketOptions options) : options_(std::move(options)), state_(options_.Seed) {
  if (options_.Levels < 1 || options_.Tick <= 0 || options_.MaxVolume < 1 ||
      options_.Columns.empty()) {
    throw std::invalid_argument(
        "a market needs a level a side, a positive tick and volume, and "
        "a column");
  }
  bestSellTicks_ = std::llround(options_.Start / options_.Tick);
}

std::uint64_t Market::Draw(std::uint64_t bound) {
  // splitmix64: the same numbers on every platform.
  state_ += 0x9E3779B97F4A7C15ULL;
  std::uint64_t z = state_;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  z ^= z >> 31;
  return z % bound;
}

Sheet Market::Next() {
  if (!first_) {
    bestSellTicks_ += static_cast<std::int64_t>(Draw(3)) - 1;
    spreadTicks_ = 1 + static_cast<std::int64_t>(Draw(4) == 0);
  }
  first_ = false;
  // Keep every price above 0.
  const std::int64_t lowest = spreadTicks_ + options_.Levels;
  bestSellTicks_ = std::max(bestSellTicks_, lowest);

  Sheet sheet;
  sheet.reserve(Rows());
  std::vector<Cell>& titles = sheet.emplace_back();
  for (const std::string& title : options_.Columns) {
    titles.emplace_back(title);
  }
  const int levels = options_.Levels;
  for (int level = 0; level < 2 * levels; ++level) {
    const bool sell = level < levels;
    const std::int64_t ticks = sell ? bestSellTicks_ + (levels - 1 - level)
                                    : bestSellTicks_ - spreadTicks_ - (level - levels);
    const auto lots =
        static_cast<std::int64_t>(1 + Draw(static_cast<std::uint64_t>(options_.MaxVolume)));
    const auto volume = static_cast<double>(lots);
    if (level == levels - 1) {
      bestSellVolume_ = lots;
    } else if (level == levels) {
      bestBuyVolume_ = lots;
    }
    std::vector<Cell>& row = sheet.emplace_back();
    for (const std::string& title : options_.Columns) {
      if (title == "PRICE") {
        row.emplace_back(Price(ticks));
      } else if (title == "VOLUME" || (sell && title == "SELL_VOLUME") ||
                 (!sell && title == "BUY_VOLUME")) {
        row.emplace_back(volume);
      } else {
        row.emplace_back(std::monostate{});
      }
    }
  }
  return sheet;
}

}  // namespace vestrel::termsim
