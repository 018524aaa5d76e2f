#include "book/book_sides.h"

#include <string>

#include "common/conversions.h"

namespace vestrel {
namespace {

// (height - 1) / 2: half the number of level rows, possibly with a half.
double HalfLevels(std::int32_t height) { return (static_cast<double>(height) - 1.0) / 2.0; }

// Whether the cell holds anything but blanks; a whole number without making
// its text.
bool HoldsValue(const DecodedTable& table, std::int32_t row, std::int32_t column, char separator) {
  if (table.WholeNumber(row, column, separator)) {
    return true;
  }
  return table.Cell(row, column).find_first_not_of(" \t") != std::string::npos;
}

}  // namespace

BookSides HalvesByRowCount(std::int32_t height) {
  BookSides sides;
  sides.SellLast = ToInteger(HalfLevels(height) + 1);
  sides.BuyFirst = ToInteger(HalfLevels(height) + 2);
  sides.BuyLast = ToInteger(HalfLevels(height) + sides.BuyFirst - 1);
  return sides;
}

std::optional<BookSides> SidesByVolumeColumns(const DecodedTable& table, std::int32_t sellColumn,
                                              std::int32_t buyColumn, std::int32_t height,
                                              char decimalSeparator) {
  if (sellColumn == buyColumn) {
    return std::nullopt;
  }
  std::int32_t lastSell = 0;
  std::int32_t firstBuy = 0;
  for (std::int64_t r = 2; r <= height; ++r) {
    const auto row = static_cast<std::int32_t>(r);
    const bool sell = HoldsValue(table, row, sellColumn, decimalSeparator);
    const bool buy = HoldsValue(table, row, buyColumn, decimalSeparator);
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
                    std::int32_t height, char decimalSeparator) {
  if (const std::optional<BookSides> sides =
          SidesByVolumeColumns(table, sellColumn, buyColumn, height, decimalSeparator)) {
    return *sides;
  }
  return HalvesByRowCount(height);
}

}  // namespace vestrel
