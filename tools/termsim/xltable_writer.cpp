#include "xltable_writer.h"

#include <algorithm>
#include <bit>
#include <stdexcept>

namespace vestrel::termsim {
namespace {

constexpr std::size_t kMaxWord = 0xFFFF;
constexpr std::size_t kMaxString = 0xFF;
constexpr std::uint16_t kTable = 0x10;
constexpr std::uint16_t kFloat = 0x01;
constexpr std::uint16_t kString = 0x02;
constexpr std::uint16_t kBlank = 0x05;

enum Kind : std::size_t { kEmpty = 0, kNumber = 1, kText = 2 };

class Writer {
 public:
  void Word(std::size_t value) {
    bytes_.push_back(static_cast<std::uint8_t>(value & 0xFF));
    bytes_.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
  }
  void Float(double value) {
    auto bits = std::bit_cast<std::uint64_t>(value);
    for (int i = 0; i < 8; ++i, bits >>= 8) {
      bytes_.push_back(static_cast<std::uint8_t>(bits & 0xFF));
    }
  }
  void Text(const std::string& text) {
    const std::size_t length = std::min(text.size(), kMaxString);
    bytes_.push_back(static_cast<std::uint8_t>(length));
    bytes_.insert(bytes_.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
  }
  std::vector<std::uint8_t>& Bytes() { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

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

std::string RangeItem(std::size_t rows, std::size_t columns) {
  return "R1C1:R" + std::to_string(rows) + "C" + std::to_string(columns);
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

  Writer out;
  out.Word(kTable);
  out.Word(4);
  out.Word(sheet.size());
  out.Word(columns);
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
    switch (kind) {
      case kNumber:
        out.Word(kFloat);
        out.Word(size);
        for (std::size_t i = at; i < end; ++i) {
          out.Float(std::get<double>(*cells[i]));
        }
        break;
      case kText:
        out.Word(kString);
        out.Word(size);
        for (std::size_t i = at; i < end; ++i) {
          out.Text(std::get<std::string>(*cells[i]));
        }
        break;
      default:
        out.Word(kBlank);
        out.Word(2);
        out.Word(end - at);
        break;
    }
    at = end;
  }
  return std::move(out.Bytes());
}

}  // namespace vestrel::termsim
