#pragma once

// Writes XLTable, the binary table format the terminal pokes over DDE: whole
// sheets as the terminal encodes them (termsim, tests, benchmarks, the
// fuzzer's seeds) and, block by block, any table at all, malformed ones
// included (tests).

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vestrel::xltable {

// One cell of a sheet: empty, a number or a text (bytes in the system's ANSI
// code page, as the terminal sends them; at most 255 are kept).
using Cell = std::variant<std::monostate, double, std::string>;
// Rows of cells, every row as long as the first.
using Sheet = std::vector<std::vector<Cell>>;

// Encodes a sheet in XLTable as the terminal does: the table header (type 16,
// size 4, rows, columns), then one block for every run of neighbouring cells
// of one kind in reading order, row by row: numbers as float blocks (type 1),
// texts as string blocks (type 2), empty cells as blank blocks (type 5, one
// count). A run is cut where its block would pass 65535 data bytes. A sheet of
// more than 65535 rows or columns, or with rows of unequal length, throws
// std::invalid_argument.
std::vector<std::uint8_t> EncodeXLTable(const Sheet& sheet);

// The item the terminal pokes a sheet of this size to: "R1C1:R<rows>C<columns>".
std::string RangeItem(std::size_t rows, std::size_t columns);

// The terminal's order book of `levels` price levels a side: titles
// SELL_VOLUME, PRICE, BUY_VOLUME in row 1, the sell side above the buy side,
// prices descending by `step` from `top`, and no volume of the other side.
Sheet OrderBookSheet(int levels, double top, double step);

// XLTable data block by block, each call appending to what is there.
class XLTableBuilder {
 public:
  // The table header block: type 16, size 4, rows, columns.
  XLTableBuilder& Header(std::uint16_t rows, std::uint16_t columns);
  XLTableBuilder& Word(std::uint16_t word);
  XLTableBuilder& Raw(std::initializer_list<std::uint8_t> bytes);
  // A block of any type with the given data bytes, at most 65535 (more throws
  // std::invalid_argument); the size word is their count.
  XLTableBuilder& Block(std::uint16_t type, const std::vector<std::uint8_t>& data);
  XLTableBuilder& Floats(const std::vector<double>& values);
  // Each string with its length byte; a string longer than 255 bytes keeps its
  // first 255.
  XLTableBuilder& Strings(const std::vector<std::string_view>& values);
  XLTableBuilder& Booleans(const std::vector<std::uint16_t>& values);
  XLTableBuilder& Errors(const std::vector<std::uint16_t>& codes);
  XLTableBuilder& Blanks(std::uint16_t count);
  XLTableBuilder& Integers(const std::vector<std::int16_t>& values);
  XLTableBuilder& Skip(std::uint16_t count);

  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
  std::vector<std::uint8_t> TakeBytes() { return std::move(bytes_); }

 private:
  XLTableBuilder& Words(std::uint16_t type, const std::vector<std::uint16_t>& words);

  std::vector<std::uint8_t> bytes_;
};

}  // namespace vestrel::xltable
