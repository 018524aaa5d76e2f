#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vestrel {

// The decoded table: text cells indexed (row, column), rows 0..R and columns
// 0..C as the XLTable header gives them; row 0 and column 0 stay empty.
// Storage grows as cells are written, so a header announcing 65535 x 65535
// cells costs nothing until cells arrive; unwritten cells read as empty.
//
// The decoder refills this one table for every accepted poke. A poke that
// arrives during a modal wait inside the order book's handling of the previous
// one refills it in place, so a reader must not keep references to cell texts
// across anything that may pump messages.
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
  // Set, copying the text into the cell's own storage.
  void Assign(std::int32_t row, std::int32_t column, std::string_view text);

  // Cells holding storage (written, possibly with empty text).
  std::size_t StoredCells() const { return cells_.size(); }

 private:
  struct StoredCell {
    StoredCell(std::uint64_t key, std::string_view text) : Key(key), Text(text) {}
    StoredCell(std::uint64_t key, std::string&& text) : Key(key), Text(std::move(text)) {}
    std::uint64_t Key;
    std::string Text;
  };

  std::uint64_t Key(std::int32_t row, std::int32_t column) const {
    return static_cast<std::uint64_t>(row) * (static_cast<std::uint64_t>(columns_) + 1) +
           static_cast<std::uint64_t>(column);
  }
  std::size_t FirstSlot(std::uint64_t key) const;
  // Writes a data cell's text, replacing what it held; checks bounds.
  template <class Text>
  void Store(std::int32_t row, std::int32_t column, Text&& text);
  void Grow();

  bool hasBounds_ = false;
  std::int32_t rows_ = 0;
  std::int32_t columns_ = 0;
  // Written cells in writing order, found through an open-addressing index
  // (linear probing): a slot holds 1 + the cell's position, 0 when free. The
  // index has a power-of-two size of at least twice the cells, so a read is a
  // hash and a probe or two whatever the table's shape.
  std::vector<StoredCell> cells_;
  std::vector<std::uint32_t> slots_;
  int slotBits_ = 0;
};

}  // namespace vestrel
