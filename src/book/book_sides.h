#pragma once

#include <cstdint>
#include <optional>

#include "dde/decoded_table.h"

namespace vestrel {

// Where each side's rows lie in a table: the sell side from SellFirst to
// SellLast (its last row holds the best sell price), the buy side from
// BuyFirst (the best buy price) to BuyLast. Row 1 holds the column titles.
struct BookSides {
  std::int32_t SellFirst = 2;
  std::int32_t SellLast = 0;
  std::int32_t BuyFirst = 0;
  std::int32_t BuyLast = 0;
  bool operator==(const BookSides&) const = default;
};

// The halves' layout: the upper half of the level rows is the sell side,
// the lower half the buy side, rows found from half their number rounded
// half to even. With an odd number of levels the middle row is read by
// nothing (H = 20) or by both sides (H = 22); with one level both sides are
// row 2.
BookSides HalvesByRowCount(std::int32_t height);

// The sides as the volume columns tell them: a sell level holds a volume in
// the sell column and none in the buy column, a buy level the other way
// round. None unless they tell it plainly: two different columns, at least
// one level of each kind, and the last sell level right above the first buy
// level. Rows of neither kind (a blank volume) above or below that meeting
// point stay with their side, so the scan that reads them fails as it
// always did.
std::optional<BookSides> SidesByVolumeColumns(const DecodedTable& table, std::int32_t sellColumn,
                                              std::int32_t buyColumn, std::int32_t height);

// The sides of a table: by its volume columns where they tell them, so a
// book with more levels on one side than the other is read right; by the
// halves otherwise. That covers a single VOLUME column (every level holds a
// volume for both sides, so only the row count can split them), a one-sided
// book and a table whose sides interleave or leave an unclear row between
// them, which read exactly as they always did.
BookSides FindSides(const DecodedTable& table, std::int32_t sellColumn, std::int32_t buyColumn,
                    std::int32_t height);

}  // namespace vestrel
