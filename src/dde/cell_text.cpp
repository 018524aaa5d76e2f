#include "dde/cell_text.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>

#include "common/conversions.h"

namespace vestrel {
namespace {

std::string_view Copied(std::string_view text, CellTextBuffer& buffer) {
  const std::size_t length = std::min(text.size(), buffer.size());
  std::copy_n(text.data(), length, buffer.data());
  return {buffer.data(), length};
}

// The digits of a whole number. 32-bit arithmetic where the value allows:
// i686 code does 64-bit divisions in library calls, over ten times slower.
char* WriteDigits(char* first, char* last, std::uint64_t value) {
  if (value <= std::numeric_limits<std::uint32_t>::max()) {
    return std::to_chars(first, last, static_cast<std::uint32_t>(value)).ptr;
  }
  return std::to_chars(first, last, value).ptr;
}

// Equality of two doubles as stored. Comparing the bits rounds both to double
// even where the arithmetic keeps more precision (the x87 unit of i686 code),
// which would otherwise find 7124 / 100 unequal to the double 71.24.
bool SameDouble(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

}  // namespace

std::string_view FloatCellText(double value, char decimalSeparator, CellTextBuffer& buffer) {
  // A decimal D = m / 10^k with at most 15 significant digits that rounds to
  // the value is what rounding the value to 15 significant digits gives back
  // (doubles carry 15 decimal digits faithfully), so any such D found is the
  // text. Between 1E-4 and 1E+15 the general format writes it in plain digits.
  static constexpr double kScale[] = {1.0, 10.0, 100.0, 1000.0, 10000.0};
  static constexpr double kPlainLimit = 1e15;
  const double magnitude = std::fabs(value);
  if (!(magnitude >= 1e-4 && magnitude < kPlainLimit)) {
    return Copied(NumberText(value, decimalSeparator), buffer);
  }
  char* const first = buffer.data();
  char* digits = first;
  if (value < 0) {
    *digits++ = '-';
  }
  // Through the signed type: i686 converts to it in one instruction.
  const auto whole = static_cast<std::uint64_t>(static_cast<std::int64_t>(magnitude));
  if (static_cast<double>(whole) == magnitude) {
    const char* end = WriteDigits(digits, first + buffer.size(), whole);
    return {first, static_cast<std::size_t>(end - first)};
  }
  for (int decimals = 1; decimals < 5; ++decimals) {
    const double scaled = magnitude * kScale[decimals] + 0.5;
    if (scaled >= kPlainLimit) {
      break;
    }
    const auto mantissa = static_cast<std::uint64_t>(static_cast<std::int64_t>(scaled));
    if (!SameDouble(static_cast<double>(mantissa) / kScale[decimals], magnitude)) {
      continue;
    }
    // The mantissa's digits with at least one before the separator, then the
    // separator, then the fraction without its trailing zeros.
    char raw[24];
    char* rawEnd = WriteDigits(raw, raw + sizeof raw, mantissa);
    auto rawLength = static_cast<int>(rawEnd - raw);
    const int leadingZeros = std::max(decimals + 1 - rawLength, 0);
    std::fill_n(digits, leadingZeros, '0');
    std::copy(raw, rawEnd, digits + leadingZeros);
    char* end = digits + leadingZeros + rawLength;
    char* separator = end - decimals;
    std::copy_backward(separator, end, end + 1);
    *separator = decimalSeparator;
    ++end;
    while (end[-1] == '0') {
      --end;
    }
    if (end[-1] == decimalSeparator) {
      --end;
    }
    return {first, static_cast<std::size_t>(end - first)};
  }
  return Copied(NumberText(value, decimalSeparator), buffer);
}

std::string_view BooleanCellText(std::uint16_t value, CellTextBuffer& /*buffer*/) {
  return value != 0 ? "TRUE" : "FALSE";
}

std::string_view ErrorCellText(std::uint16_t code, CellTextBuffer& buffer) {
  switch (code) {
    case 0:
      return "#NULL!";
    case 7:
      return "#DIV/0!";
    case 15:
      return "#VALUE!";
    case 23:
      return "#REF!";
    case 29:
      return "#NAME?";
    case 36:
      return "#NUM!";
    case 42:
      return "#N/A";
    default:
      return Copied("#ERR" + std::to_string(code), buffer);
  }
}

std::string_view IntegerCellText(std::uint16_t value, CellTextBuffer& buffer) {
  const auto result =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), static_cast<std::int16_t>(value));
  return {buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data())};
}

}  // namespace vestrel
