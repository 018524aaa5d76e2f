#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vestrel::termsim {

// One poke as the terminal sends it: the item and the data.
struct RecordedPoke {
  std::string Item;
  std::vector<std::uint8_t> Data;
  bool operator==(const RecordedPoke&) const = default;
};

// A file of recorded pokes is text, one poke a line: the item, a tab, and the
// data as hexadecimal digits, two a byte, without separators; lines end with
// LF (a CR before it is ignored). Empty lines and lines that begin with '#'
// are skipped. The item may hold anything but a tab or a line break.

// The poke's line, LF included.
std::string FormatPokeLine(const RecordedPoke& poke);

// The pokes of a whole file. A line that is not a poke throws
// std::runtime_error naming its line number.
std::vector<RecordedPoke> ParsePokeFile(std::string_view text);

}  // namespace vestrel::termsim
