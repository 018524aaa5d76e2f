#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vestrel::termsim {

// A transaction in the terminal's language: KEY=value pairs, each closed by
// ";" (optional after the last), keys of upper-case letters, digits and "_",
// blanks around keys and values ignored.
struct Transaction {
  bool WellFormed = true;
  // The last value of each key.
  std::map<std::string, std::string, std::less<>> Fields;

  // The value of a key; empty when it is absent.
  std::string Field(std::string_view key) const;
};

Transaction ParseTransaction(std::string_view text);

// A price as the panel writes it, with "." or "," before the decimals; none
// for anything else.
std::optional<double> ParsePrice(std::string_view text);

// A whole number above 0 (a quantity or an order number); none otherwise.
std::optional<std::int64_t> ParsePositive(std::string_view text);

}  // namespace vestrel::termsim
