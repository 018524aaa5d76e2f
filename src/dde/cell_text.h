#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vestrel {

// Room for any number cell's text.
using CellTextBuffer = std::array<char, 32>;

// Text of a number cell, exactly as NumberText writes it (at most 15
// significant digits, no trailing zeros, the user's decimal separator), but
// without the general formatter for the prices and volumes an order book
// carries: values with up to four decimals below 1E+15 are written directly.
// The text lives in `buffer`.
std::string_view FloatCellText(double value, char decimalSeparator, CellTextBuffer& buffer);

// Texts of the XLTable Boolean, error and integer cells. Error codes outside
// the seven the format defines are written "#ERR" and the code.
std::string_view BooleanCellText(std::uint16_t value, CellTextBuffer& buffer);
std::string_view ErrorCellText(std::uint16_t code, CellTextBuffer& buffer);
std::string_view IntegerCellText(std::uint16_t value, CellTextBuffer& buffer);

}  // namespace vestrel
