#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vestrel {

// The decoded table: text cells indexed (row, column), rows 0..R and columns
// 0..C as the XLTable header gives them; row 0 and column 0 stay empty.
// Storage grows as cells are written, so a header announcing 65535 x 65535
// cells costs nothing until cells arrive; unwritten cells read as empty.
//
// A number cell keeps its value and makes its text when it is first read:
// a reader looks at a few columns of a table, and turning every number of a
// poke into text would cost more than the rest of the decode. Reading is
// therefore not thread-safe, even through a const table.
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

  // The value a number cell's text reads as, without making the text, when
  // that text is the value's own digits: a whole number below 1E+15 (the
  // volumes and most prices of an order book) written with this decimal
  // separator. Nothing for any other cell: read its text. Checks the bounds
  // as Cell does.
  std::optional<double> WholeNumber(std::int32_t row, std::int32_t column,
                                    char decimalSeparator) const;
  // The value a number cell holds, without making its text, when that text
  // is written with this decimal separator; its text reads back as the value
  // to 15 significant digits, and a larger value never reads back smaller.
  // Nothing for any other cell. Checks the bounds as Cell does.
  std::optional<double> StoredNumber(std::int32_t row, std::int32_t column,
                                     char decimalSeparator) const;
  // Whether the cell holds a number, or a text with anything but blanks;
  // one look-up, without making a number's text. Checks the bounds as Cell
  // does.
  bool HoldsValue(std::int32_t row, std::int32_t column) const;

  // Writes a data cell (1..R, 1..C); outside the bounds raises error 9.
  void Set(std::int32_t row, std::int32_t column, std::string text);
  // Set, copying the text into the cell's own storage.
  void Assign(std::int32_t row, std::int32_t column, std::string_view text);
  // A number cell: its text is FloatCellText(value, decimalSeparator).
  void AssignNumber(std::int32_t row, std::int32_t column, double value, char decimalSeparator) {
    StoredCell& cell = Store(row, column);
    cell.Number = value;
    cell.DecimalSeparator = decimalSeparator;
    cell.Pending = true;
    cell.IsNumber = true;
  }

  // A run of `count` number cells written from (row, column) on, left to
  // right and row after row, as AssignNumber would; the i-th value's IEEE
  // bits are bitsAt(i). The cursor ends after the run, which must lie within
  // the table. Bits, not doubles: i686 code would move each value through
  // the x87 unit.
  template <class BitsAt>
  void AssignNumbers(std::int32_t& row, std::int32_t& column, std::size_t count,
                     const BitsAt& bitsAt, char decimalSeparator);

  // Cells holding storage (written, possibly with empty text).
  std::size_t StoredCells() const { return usedCells_; }

 private:
  struct StoredCell {
    // Its key, in a sparse table only: a dense table finds a cell by its
    // slot, and its decoding loop does not spend the writes.
    std::uint64_t Key = 0;
    double Number = 0;
    // The text; for a number cell, once it has been read.
    mutable std::string Text;
    // A number cell whose text is still to be made.
    mutable bool Pending = false;
    // Written as a number (Number holds its value).
    bool IsNumber = false;
    char DecimalSeparator = '.';
  };

  std::uint64_t Key(std::int32_t row, std::int32_t column) const {
    return static_cast<std::uint64_t>(row) * (static_cast<std::uint64_t>(columns_) + 1) +
           static_cast<std::uint64_t>(column);
  }
  // Key in a dense table (fewer than 2^14 cells), in 32-bit arithmetic: on
  // i686 a 64-bit product takes three multiplications and spills registers
  // in the decoder's busiest loop.
  std::uint32_t DenseKey(std::int32_t row, std::int32_t column) const {
    return static_cast<std::uint32_t>(row) * (static_cast<std::uint32_t>(columns_) + 1U) +
           static_cast<std::uint32_t>(column);
  }
  std::size_t FirstSlot(std::uint64_t key) const;
  // The stored cell at (row, column), null for one never written; raises
  // error 9 outside the bounds.
  const StoredCell* Find(std::int32_t row, std::int32_t column) const;
  // The stored cell for a data cell (1..R, 1..C), made empty when there was
  // none; checks the bounds. Inline for what the decoder does most: a new
  // cell of a small table, with its storage kept from an earlier table.
  StoredCell& Store(std::int32_t row, std::int32_t column) {
    if (dense_ && row >= 1 && row <= rows_ && column >= 1 && column <= columns_ &&
        usedCells_ < cells_.size()) {
      const std::uint32_t key = DenseKey(row, column);
      std::uint32_t& slot = slots_[key];
      if (slot == 0) {
        StoredCell& cell = cells_[usedCells_++];
        slot = static_cast<std::uint32_t>(usedCells_);
        cell.Pending = false;
        cell.IsNumber = false;
        return cell;
      }
    }
    return StoreAnywhere(row, column);
  }
  StoredCell& StoreAnywhere(std::int32_t row, std::int32_t column);
  void Grow();

  bool hasBounds_ = false;
  std::int32_t rows_ = 0;
  std::int32_t columns_ = 0;
  // Written cells in writing order (the first usedCells_; the others are kept
  // for the next tables with their text buffers), found through an index whose slot holds
  // 1 + the cell's position, 0 for a cell never written. A table of up to
  // kDenseSlots cells (the order books) indexes every cell directly by its
  // key. A larger one uses open addressing (linear probing) with a
  // power-of-two size of at least twice the cells, so a read is a hash and a
  // probe or two whatever the table's shape.
  std::vector<StoredCell> cells_;
  std::size_t usedCells_ = 0;
  std::vector<std::uint32_t> slots_;
  bool dense_ = false;
  int slotBits_ = 0;
};

template <class BitsAt>
void DecodedTable::AssignNumbers(std::int32_t& row, std::int32_t& column, std::size_t count,
                                 const BitsAt& bitsAt, char decimalSeparator) {
  // A dense table's cells number fewer than 2^14, so a cell's position and
  // the run's end fit 32 bits once the cursor is known to be inside it.
  if (dense_ && row >= 1 && row <= rows_ && column >= 1 && column <= columns_ && count > 0 &&
      count <= cells_.size() - usedCells_ &&
      static_cast<std::uint32_t>(row - 1) * static_cast<std::uint32_t>(columns_) +
              static_cast<std::uint32_t>(column - 1) + static_cast<std::uint32_t>(count) <=
          static_cast<std::uint32_t>(rows_) * static_cast<std::uint32_t>(columns_)) {
    // An order book's float runs: one key computed, then stepped. The
    // table's members are read into locals once: the cells' byte-sized
    // fields could alias any of them, and i686 code would reload them all
    // after every cell.
    std::uint32_t key = DenseKey(row, column);
    std::uint32_t* const slots = slots_.data();
    StoredCell* const cells = cells_.data();
    std::size_t used = usedCells_;
    const std::int32_t columns = columns_;
    std::int32_t atRow = row;
    std::int32_t at = column;
    for (std::size_t i = 0; i < count; ++i) {
      std::uint32_t& slot = slots[key];
      StoredCell* cell = nullptr;
      if (slot == 0) {
        cell = &cells[used++];
        slot = static_cast<std::uint32_t>(used);
      } else {
        cell = &cells[slot - 1];
      }
      const std::uint64_t bits = bitsAt(i);
      std::memcpy(&cell->Number, &bits, sizeof bits);
      cell->DecimalSeparator = decimalSeparator;
      cell->Pending = true;
      cell->IsNumber = true;
      if (++at > columns) {
        at = 1;
        ++atRow;
        key += 2;  // past column 0 of the next row
      } else {
        ++key;
      }
    }
    usedCells_ = used;
    row = atRow;
    column = at;
    return;
  }
  for (std::size_t i = 0; i < count; ++i) {
    AssignNumber(row, column, std::bit_cast<double>(bitsAt(i)), decimalSeparator);
    if (++column > columns_) {
      column = 1;
      ++row;
    }
  }
}

}  // namespace vestrel
