#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace vestrel::termsim {

// One cell of a sheet: empty, a number or a text (bytes in the system's ANSI
// code page, as the terminal sends them; at most 255 are kept).
using Cell = std::variant<std::monostate, double, std::string>;
// Rows of cells, every row as long as the first.
using Sheet = std::vector<std::vector<Cell>>;

// The item the terminal pokes a sheet of this size to: "R1C1:R<rows>C<columns>".
std::string RangeItem(std::size_t rows, std::size_t columns);

// Encodes a sheet in XLTable as the terminal does: the table header (type 16,
// size 4, rows, columns), then one block for every run of neighbouring cells
// of one kind in reading order, row by row: numbers as float blocks (type 1),
// texts as string blocks (type 2), empty cells as blank blocks (type 5, one
// count). A run is cut where its block would pass 65535 data bytes. A sheet of
// more than 65535 rows or columns, or with rows of unequal length, throws
// std::invalid_argument.
std::vector<std::uint8_t> EncodeXLTable(const Sheet& sheet);

}  // namespace vestrel::termsim
