#pragma once

// Builds XLTable byte streams as the terminal sends them, for tests, benchmarks
// and the fuzzer's seed corpus.

#include <bit>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vestrel::testing {

class XLTableBuilder {
 public:
  // The table header block: type 16, size 4, rows, columns.
  XLTableBuilder& Header(std::uint16_t rows, std::uint16_t columns) {
    return Word(0x10).Word(4).Word(rows).Word(columns);
  }
  XLTableBuilder& Word(std::uint16_t word) {
    bytes_.push_back(static_cast<std::uint8_t>(word & 0xFF));
    bytes_.push_back(static_cast<std::uint8_t>(word >> 8));
    return *this;
  }
  XLTableBuilder& Raw(std::initializer_list<std::uint8_t> bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
  }
  // A block of any type with the given data bytes; the size word is their count.
  XLTableBuilder& Block(std::uint16_t type, const std::vector<std::uint8_t>& data) {
    Word(type).Word(static_cast<std::uint16_t>(data.size()));
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    return *this;
  }
  XLTableBuilder& Floats(const std::vector<double>& values) {
    std::vector<std::uint8_t> data;
    for (const double value : values) {
      auto bits = std::bit_cast<std::uint64_t>(value);
      for (int i = 0; i < 8; ++i, bits >>= 8) {
        data.push_back(static_cast<std::uint8_t>(bits & 0xFF));
      }
    }
    return Block(1, data);
  }
  XLTableBuilder& Strings(const std::vector<std::string_view>& values) {
    std::vector<std::uint8_t> data;
    for (const std::string_view value : values) {
      data.push_back(static_cast<std::uint8_t>(value.size()));
      data.insert(data.end(), value.begin(), value.end());
    }
    return Block(2, data);
  }
  XLTableBuilder& Booleans(const std::vector<std::uint16_t>& values) { return Words(3, values); }
  XLTableBuilder& Errors(const std::vector<std::uint16_t>& codes) { return Words(4, codes); }
  XLTableBuilder& Blanks(std::uint16_t count) { return Words(5, {count}); }
  XLTableBuilder& Integers(const std::vector<std::int16_t>& values) {
    std::vector<std::uint16_t> words;
    for (const std::int16_t value : values) {
      words.push_back(static_cast<std::uint16_t>(value));
    }
    return Words(6, words);
  }
  XLTableBuilder& Skip(std::uint16_t count) { return Words(7, {count}); }

  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

 private:
  XLTableBuilder& Words(std::uint16_t type, const std::vector<std::uint16_t>& words) {
    std::vector<std::uint8_t> data;
    for (const std::uint16_t word : words) {
      data.push_back(static_cast<std::uint8_t>(word & 0xFF));
      data.push_back(static_cast<std::uint8_t>(word >> 8));
    }
    return Block(type, data);
  }

  std::vector<std::uint8_t> bytes_;
};

// One cell of a table to encode: empty, a number or a text.
using SheetCell = std::variant<std::monostate, double, std::string>;

// Encodes rows of cells (all of the same length) as the terminal does: the
// header, then one block for every run of neighbouring cells of one kind in
// reading order, empty cells as blank blocks. Runs are cut where a block
// would pass 65535 data bytes.
inline std::vector<std::uint8_t> EncodeSheet(const std::vector<std::vector<SheetCell>>& rows) {
  XLTableBuilder builder;
  const std::size_t columns = rows.empty() ? 0 : rows.front().size();
  builder.Header(static_cast<std::uint16_t>(rows.size()), static_cast<std::uint16_t>(columns));
  std::vector<SheetCell> cells;
  for (const auto& row : rows) {
    cells.insert(cells.end(), row.begin(), row.end());
  }
  std::size_t at = 0;
  while (at < cells.size()) {
    const std::size_t kind = cells[at].index();
    std::size_t end = at;
    std::size_t bytes = 0;
    while (end < cells.size() && cells[end].index() == kind) {
      const std::size_t width = kind == 1   ? 8
                                : kind == 2 ? 1 + std::get<std::string>(cells[end]).size()
                                            : 0;
      if (bytes + width > 0xFFFF || (kind == 0 && end - at == 0xFFFF)) {
        break;
      }
      bytes += width;
      ++end;
    }
    if (kind == 0) {
      builder.Blanks(static_cast<std::uint16_t>(end - at));
    } else if (kind == 1) {
      std::vector<double> values;
      for (std::size_t i = at; i < end; ++i) {
        values.push_back(std::get<double>(cells[i]));
      }
      builder.Floats(values);
    } else {
      std::vector<std::string_view> values;
      for (std::size_t i = at; i < end; ++i) {
        values.push_back(std::get<std::string>(cells[i]));
      }
      builder.Strings(values);
    }
    at = end;
  }
  return builder.Bytes();
}

// The terminal's order book of `levels` price levels a side: titles
// SELL_VOLUME, PRICE, BUY_VOLUME in row 1, the sell side above the buy side,
// prices descending by `step` from `top`, and no volume of the other side.
inline std::vector<std::vector<SheetCell>> OrderBookSheet(int levels, double top, double step) {
  std::vector<std::vector<SheetCell>> rows;
  rows.push_back({std::string("SELL_VOLUME"), std::string("PRICE"), std::string("BUY_VOLUME")});
  for (int level = 0; level < 2 * levels; ++level) {
    const double price = top - step * level;
    const double volume = 1 + (level * 37) % 500;
    if (level < levels) {
      rows.push_back({volume, price, std::monostate{}});
    } else {
      rows.push_back({std::monostate{}, price, volume});
    }
  }
  return rows;
}

}  // namespace vestrel::testing
