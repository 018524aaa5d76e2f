#include "book/book_sides.h"

#include <string>

#include "common/conversions.h"

namespace vestrel {
namespace {

// (height - 1) / 2: half the number of level rows, possibly with a half.
double HalfLevels(std::int32_t height) { return (static_cast<double>(height) - 1.0) / 2.0; }

}  // namespace

BookSides HalvesByRowCount(std::int32_t height) {
  BookSides sides;
  sides.SellLast = ToInteger(HalfLevels(height) + 1);
  sides.BuyFirst = ToInteger(HalfLevels(height) + 2);
  sides.BuyLast = ToInteger(HalfLevels(height) + sides.BuyFirst - 1);
  return sides;
}

std::optional<BookSides> SidesByVolumeColumns(const DecodedTable& table, std::int32_t sellColumn,
                                              std::int32_t buyColumn, std::int32_t height) {
  if (sellColumn == buyColumn) {
    return std::nullopt;
  }
  std::int32_t lastSell = 0;
  std::int32_t firstBuy = 0;
  for (std::int64_t r = 2; r <= height; ++r) {
    const auto row = static_cast<std::int32_t>(r);
    const bool sell = table.HoldsValue(row, sellColumn);
    const bool buy = table.HoldsValue(row, buyColumn);
    if (sell && !buy) {
      lastSell = row;
    } else if (buy && !sell && firstBuy == 0) {
      firstBuy = row;
    }
  }
  if (lastSell == 0 || firstBuy != lastSell + 1) {
    return std::nullopt;
  }
  return BookSides{2, lastSell, firstBuy, height};
}

BookSides FindSides(const DecodedTable& table, std::int32_t sellColumn, std::int32_t buyColumn,
                    std::int32_t height) {
  if (const std::optional<BookSides> sides =
          SidesByVolumeColumns(table, sellColumn, buyColumn, height)) {
    return *sides;
  }
  return HalvesByRowCount(height);
}

}  // namespace vestrel
