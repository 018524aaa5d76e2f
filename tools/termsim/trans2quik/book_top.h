#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vestrel::termsim {

// One side's best level of an order book.
struct BookLevel {
  double Price = 0;
  std::int64_t Volume = 0;
  bool operator==(const BookLevel&) const = default;
};

// The top of the book termsim poked last, as it hands it to the stand-in
// transaction library through a small file: one line
//
//   BOOK <sequence> <best sell price> <its volume> <best buy price> <its volume>
//
// with "-" for the price and volume of a side without levels. Prices use "."
// whatever the locale. The sequence is the poke's number: the library fills
// against each book's volume once, and a new sequence brings fresh volume.
struct BookTop {
  std::uint64_t Sequence = 0;
  std::optional<BookLevel> Sell;  // the lowest sell price
  std::optional<BookLevel> Buy;   // the highest buy price
  bool operator==(const BookTop&) const = default;
};

// The file's text, line end included.
std::string FormatBookTop(const BookTop& book);

// None for text that is not one whole such line (a file being written, an
// empty one, or another file altogether); blanks and a CR LF are allowed.
std::optional<BookTop> ParseBookTop(std::string_view text);

}  // namespace vestrel::termsim
