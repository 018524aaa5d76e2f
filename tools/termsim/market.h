#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "book_top.h"
#include "xltable_writer.h"

namespace vestrel::termsim {

using xltable::Cell;
using xltable::Sheet;

struct MarketOptions {
  // Price levels a side.
  int Levels = 10;
  // The first best sell price, and the price step between levels.
  double Start = 100000;
  double Tick = 10;
  // Volumes are drawn from 1 to this.
  int MaxVolume = 500;
  // The column titles, left to right. "PRICE" holds the level's price,
  // "SELL_VOLUME" the sell side's volumes, "BUY_VOLUME" the buy side's,
  // "VOLUME" both sides'; a column of any other title stays empty.
  std::vector<std::string> Columns{"BUY_VOLUME", "PRICE", "SELL_VOLUME"};
  std::uint64_t Seed = 1;
};

// A random-walk market in one instrument, as the terminal's order book shows
// it: every book has the titles in row 1, then 2 x Levels price levels with
// prices descending by Tick, the sell side in the upper half and the buy side
// in the lower half. A level's volume stands in its side's column; the other
// side's column is left empty there, as the terminal leaves it. Between books
// the best sell price moves by -1, 0 or +1 tick and the spread is one or two
// ticks; the same seed gives the same books.
class Market {
 public:
  explicit Market(MarketOptions options);

  // The next book.
  Sheet Next();

  // The best prices of the last book.
  double BestSell() const { return Price(bestSellTicks_); }
  double BestBuy() const { return Price(bestSellTicks_ - spreadTicks_); }
  // The last book's best prices with their volumes, as the stand-in
  // transaction library fills against them.
  BookTop Top(std::uint64_t sequence) const {
    return {sequence, BookLevel{BestSell(), bestSellVolume_}, BookLevel{BestBuy(), bestBuyVolume_}};
  }
  std::size_t Rows() const { return 1 + 2 * static_cast<std::size_t>(options_.Levels); }
  std::size_t Columns() const { return options_.Columns.size(); }

 private:
  double Price(std::int64_t ticks) const { return static_cast<double>(ticks) * options_.Tick; }
  // A number from 0 to bound - 1.
  std::uint64_t Draw(std::uint64_t bound);

  MarketOptions options_;
  std::uint64_t state_;
  std::int64_t bestSellTicks_;
  std::int64_t spreadTicks_ = 1;
  std::int64_t bestSellVolume_ = 0;
  std::int64_t bestBuyVolume_ = 0;
  bool first_ = true;
};

}  // namespace vestrel::termsim
