#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vestrel {

// The decoded table: text cells indexed (row, column), rows 0..R and columns
// 0..C as the XLTable header gives them; row 0 and column 0 stay empty.
// Storage grows as cells are written, so a header announcing 65535 x 65535
// cells costs nothing until cells arrive; unwritten cells read as empty.
class DecodedTable {
 public:
  // False until the first header has been accepted: no storage, no bounds.
  bool HasBounds() const { return hasBounds_; }
  std::int32_t Rows() const { return rows_; }
  std::int32_t Columns() const { return columns_; }

  // A new empty table of rows x columns.
  void Reset(std::int32_t rows, std::int32_t columns);

  // The cell's text. Outside 0..R, 0..C, or before the first header, raises
  // the subscript-out-of-range error 9.
  const std::string& Cell(std::int32_t row, std::int32_t column) const;

  // Writes a data cell (1..R, 1..C); outside the bounds raises error 9.
  void Set(std::int32_t row, std::int32_t column, std::string text);

  // Cells holding storage (written, possibly with empty text).
  std::size_t StoredCells() const { return cells_.size(); }

 private:
  std::int64_t Index(std::int32_t row, std::int32_t column) const;

  bool hasBounds_ = false;
  std::int32_t rows_ = 0;
  std::int32_t columns_ = 0;
  // (row * (C + 1) + column, text), sorted by index; cells arrive in reading
  // order, so writing is an append.
  std::vector<std::pair<std::int64_t, std::string>> cells_;
};

}  // namespace vestrel
