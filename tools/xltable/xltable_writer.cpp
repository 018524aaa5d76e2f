#include "xltable_writer.h"

#include <algorithm>
#include <bit>
#include <stdexcept>

namespace vestrel::xltable {
namespace {

constexpr std::size_t kMaxWord = 0xFFFF;
constexpr std::size_t kMaxString = 0xFF;
constexpr std::uint16_t kHeader = 0x10;
constexpr std::uint16_t kFloat = 0x01;
constexpr std::uint16_t kString = 0x02;
constexpr std::uint16_t kBoolean = 0x03;
constexpr std::uint16_t kError = 0x04;
constexpr std::uint16_t kBlank = 0x05;
constexpr std::uint16_t kInteger = 0x06;
constexpr std::uint16_t kSkip = 0x07;

enum Kind : std::size_t { kEmpty = 0, kNumber = 1, kText = 2 };

void AppendWord(std::vector<std::uint8_t>& bytes, std::size_t word) {
  bytes.push_back(static_cast<std::uint8_t>(word & 0xFF));
  bytes.push_back(static_cast<std::uint8_t>((word >> 8) & 0xFF));
}

std::size_t Width(const Cell& cell) {
  switch (cell.index()) {
    case kNumber:
      return 8;
    case kText:
      return 1 + std::min(std::get<std::string>(cell).size(), kMaxString);
    default:
      return 0;
  }
}

}  // namespace

XLTableBuilder& XLTableBuilder::Header(std::uint16_t rows, std::uint16_t columns) {
  return Word(kHeader).Word(4).Word(rows).Word(columns);
}

XLTableBuilder& XLTableBuilder::Word(std::uint16_t word) {
  AppendWord(bytes_, word);
  return *this;
}

XLTableBuilder& XLTableBuilder::Raw(std::initializer_list<std::uint8_t> bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}

XLTableBuilder& XLTableBuilder::Block(std::uint16_t type, const std::vector<std::uint8_t>& data) {
  if (data.size() > kMaxWord) {
    throw std::invalid_argument("an XLTable block holds at most 65535 data bytes");
  }
  Word(type).Word(static_cast<std::uint16_t>(data.size()));
  bytes_.insert(bytes_.end(), data.begin(), data.end());
  return *this;
}

XLTableBuilder& XLTableBuilder::Floats(const std::vector<double>& values) {
  std::vector<std::uint8_t> data;
  data.reserve(8 * values.size());
  for (const double value : values) {
    auto bits = std::bit_cast<std::uint64_t>(value);
    for (int i = 0; i < 8; ++i, bits >>= 8) {
      data.push_back(static_cast<std::uint8_t>(bits & 0xFF));
    }
  }
  return Block(kFloat, data);
}

XLTableBuilder& XLTableBuilder::Strings(const std::vector<std::string_view>& values) {
  std::vector<std::uint8_t> data;
  for (const std::string_view value : values) {
    const std::size_t length = std::min(value.size(), kMaxString);
    data.push_back(static_cast<std::uint8_t>(length));
    data.insert(data.end(), value.begin(), value.begin() + static_cast<std::ptrdiff_t>(length));
  }
  return Block(kString, data);
}

XLTableBuilder& XLTableBuilder::Booleans(const std::vector<std::uint16_t>& values) {
  return Words(kBoolean, values);
}

XLTableBuilder& XLTableBuilder::Errors(const std::vector<std::uint16_t>& codes) {
  return Words(kError, codes);
}

XLTableBuilder& XLTableBuilder::Blanks(std::uint16_t count) { return Words(kBlank, {count}); }

XLTableBuilder& XLTableBuilder::Integers(const std::vector<std::int16_t>& values) {
  return Words(kInteger, std::vector<std::uint16_t>(values.begin(), values.end()));
}

XLTableBuilder& XLTableBuilder::Skip(std::uint16_t count) { return Words(kSkip, {count}); }

XLTableBuilder& XLTableBuilder::Words(std::uint16_t type, const std::vector<std::uint16_t>& words) {
  std::vector<std::uint8_t> data;
  data.reserve(2 * words.size());
  for (const std::uint16_t word : words) {
    AppendWord(data, word);
  }
  return Block(type, data);
}

std::vector<std::uint8_t> EncodeXLTable(const Sheet& sheet) {
  const std::size_t columns = sheet.empty() ? 0 : sheet.front().size();
  if (sheet.size() > kMaxWord || columns > kMaxWord) {
    throw std::invalid_argument("an XLTable sheet has at most 65535 rows and columns");
  }
  std::vector<const Cell*> cells;
  cells.reserve(sheet.size() * columns);
  for (const auto& row : sheet) {
    if (row.size() != columns) {
      throw std::invalid_argument("every row of a sheet must be as long as the first");
    }
    for (const Cell& cell : row) {
      cells.push_back(&cell);
    }
  }

  XLTableBuilder out;
  out.Header(static_cast<std::uint16_t>(sheet.size()), static_cast<std::uint16_t>(columns));
  std::size_t at = 0;
  while (at < cells.size()) {
    const std::size_t kind = cells[at]->index();
    std::size_t end = at;
    std::size_t size = 0;
    while (end < cells.size() && cells[end]->index() == kind) {
      const std::size_t width = Width(*cells[end]);
      if (size + width > kMaxWord || (kind == kEmpty && end - at == kMaxWord)) {
        break;
      }
      size += width;
      ++end;
    }
    if (kind == kNumber) {
      std::vector<double> values;
      for (std::size_t i = at; i < end; ++i) {
        values.push_back(std::get<double>(*cells[i]));
      }
      out.Floats(values);
    } else if (kind == kText) {
      std::vector<std::string_view> values;
      for (std::size_t i = at; i < end; ++i) {
        values.push_back(std::get<std::string>(*cells[i]));
      }
      out.Strings(values);
    } else {
      out.Blanks(static_cast<std::uint16_t>(end - at));
    }
    at = end;
  }
  return out.TakeBytes();
}

std::string RangeItem(std::size_t rows, std::size_t columns) {
  return "R1C1:R" + std::to_string(rows) + "C" + std::to_string(columns);
}

Sheet OrderBookSheet(int levels, double top, double step) {
  Sheet rows;
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

}  // namespace vestrel::xltable
