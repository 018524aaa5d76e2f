#include "common/conversions.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "common/app_error.h"

namespace vestrel {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsBlank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

// Checks the grammar [+-] digits [sep digits] [(e|E) [+-] digits] with at least
// one mantissa digit, and rewrites it with '.' as the separator for the
// locale-independent parsers.
bool NormaliseNumber(std::string_view text, char separator, std::string& out) {
  out.clear();
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    if (text[i] == '-') {
      out += '-';
    }
    ++i;
  }
  std::size_t mantissaDigits = 0;
  while (i < text.size() && IsDigit(text[i])) {
    out += text[i++];
    ++mantissaDigits;
  }
  if (i < text.size() && text[i] == separator) {
    out += '.';
    ++i;
    while (i < text.size() && IsDigit(text[i])) {
      out += text[i++];
      ++mantissaDigits;
    }
  }
  if (mantissaDigits == 0) {
    return false;
  }
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    out += 'e';
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
      out += text[i++];
    }
    std::size_t exponentDigits = 0;
    while (i < text.size() && IsDigit(text[i])) {
      out += text[i++];
      ++exponentDigits;
    }
    if (exponentDigits == 0) {
      return false;
    }
  }
  return i == text.size();
}

}  // namespace

double ToNumber(std::string_view text, char decimalSeparator) {
  std::string normalised;
  if (!NormaliseNumber(TrimBlanks(text), decimalSeparator, normalised)) {
    RaiseTypeMismatch();
  }
  double value = 0.0;
  const char* first = normalised.data();
  const char* last = first + normalised.size();
  const auto result = std::from_chars(first, last, value);
  if (result.ec == std::errc()) {
    return value;
  }
  // Out of range: strtod tells an overflow (HUGE_VAL) from an underflow.
  errno = 0;
  value = std::strtod(normalised.c_str(), nullptr);
  if (std::isinf(value)) {
    RaiseOverflow();
  }
  return value;
}

double RoundHalfEven(double value) {
  // nearbyint rounds in the current mode, which is to-nearest-even unless
  // someone changed it; the explicit form keeps the result independent of that.
  const double floor = std::floor(value);
  const double diff = value - floor;
  if (diff < 0.5) {
    return floor;
  }
  if (diff > 0.5) {
    return floor + 1.0;
  }
  return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

std::int32_t ToInteger(std::string_view text, char decimalSeparator) {
  return ToInteger(ToNumber(text, decimalSeparator));
}

std::int32_t ToInteger(double value) {
  const double rounded = RoundHalfEven(value);
  if (rounded < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
      rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
    RaiseOverflow();
  }
  return static_cast<std::int32_t>(rounded);
}

std::string NumberText(double value, char decimalSeparator) {
  if (value == 0.0) {
    return "0";  // also for -0
  }
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::general, 15);
  std::string text(buffer.data(), result.ptr);
  for (char& c : text) {
    if (c == '.') {
      c = decimalSeparator;
    } else if (c == 'e') {
      c = 'E';
    }
  }
  return text;
}

std::string IntegerText(std::int64_t value) { return std::to_string(value); }

}  // namespace vestrel
