#include "dde/xltable_decoder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <string>

#include "dde/cell_text.h"
#include "diag/error_scope.h"

namespace vestrel {
namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::int32_t kHeaderSize = 4;
constexpr const char* kUnknownTypeLine = "ParseXLTable:Unknown Type ";
constexpr std::int64_t kMaxPosition = std::numeric_limits<std::int32_t>::max();

[[noreturn]] void RaiseInvalidCall() { Raise(errors::InvalidCall); }

// ASCII reads the same in every ANSI code page and in UTF-8: the terminal's
// column titles need no conversion.
bool IsAscii(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(),
                     [](char byte) { return static_cast<unsigned char>(byte) < 0x80; });
}

// True when `width` bytes stand at position pos (from 1).
bool HasBytes(Bytes data, std::int64_t pos, std::size_t width) {
  return pos >= 1 && static_cast<std::uint64_t>(pos) - 1 + width <= data.size();
}

void RequireBytes(Bytes data, std::int32_t pos, std::size_t width) {
  if (!HasBytes(data, pos, width)) {
    RaiseInvalidCall();
  }
}

// The cursor moved by `distance` bytes; past the 32-bit range raises error 6.
std::int32_t Moved(std::int32_t pos, std::int64_t distance) {
  const std::int64_t moved = static_cast<std::int64_t>(pos) + distance;
  if (moved > kMaxPosition) {
    RaiseOverflow();
  }
  return static_cast<std::int32_t>(moved);
}

// The values at a position known to hold them.
std::uint16_t WordAt(Bytes data, std::int64_t pos) {
  const auto at = static_cast<std::size_t>(pos - 1);
  return static_cast<std::uint16_t>(data[at] | (data[at + 1] << 8));
}

// The IEEE bits of the little-endian double at a position known to hold one.
std::uint64_t FloatBitsAt(Bytes data, std::int64_t pos) {
  const auto at = static_cast<std::size_t>(pos - 1);
  std::uint64_t bits = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&bits, data.data() + at, sizeof bits);
  } else {
    for (std::size_t i = 8; i-- > 0;) {
      bits = (bits << 8) | data[at + i];
    }
  }
  return bits;
}

double FloatAt(Bytes data, std::int64_t pos) {
  return std::bit_cast<double>(FloatBitsAt(data, pos));
}

}  // namespace

std::int32_t XLTableDecoder::ReadByte(Bytes data, std::int32_t& pos) {
  ErrorScope scope(log_, "Vestrel.modDDE.GetByte", ParamRef("pData", data), ParamRef("pPos", pos));
  return scope.PassOn([&] {
    scope.Line = 1;
    RequireBytes(data, pos, 1);
    const std::int32_t value = data[static_cast<std::size_t>(pos) - 1];
    scope.Line = 2;
    pos = Moved(pos, 1);
    return value;
  });
}

std::int32_t XLTableDecoder::ReadWord(Bytes data, std::int32_t& pos) {
  ErrorScope scope(log_, "Vestrel.modDDE.GetWord", ParamRef("pData", data), ParamRef("pPos", pos));
  return scope.PassOn([&] {
    scope.Line = 1;
    RequireBytes(data, pos, 2);
    const std::int32_t value = WordAt(data, pos);
    scope.Line = 2;
    pos = Moved(pos, 2);
    return value;
  });
}

double XLTableDecoder::ReadFloat(Bytes data, std::int32_t& pos) {
  ErrorScope scope(log_, "Vestrel.modDDE.GetFloat", ParamRef("pData", data), ParamRef("pPos", pos));
  return scope.PassOn([&] {
    scope.Line = 1;
    RequireBytes(data, pos, 8);
    const double value = FloatAt(data, pos);
    scope.Line = 2;
    pos = Moved(pos, 8);
    return value;
  });
}

std::string XLTableDecoder::ReadString(Bytes data, std::int32_t& pos) {
  ErrorScope scope(log_, "Vestrel.modDDE.GetString", ParamRef("pData", data),
                   ParamRef("pPos", pos));
  return scope.PassOn([&] {
    scope.Line = 1;
    const std::int32_t length = ReadByte(data, pos);
    scope.Line = 2;
    // ReadByte has left the cursor at most one past the last byte.
    const std::size_t at = static_cast<std::size_t>(pos) - 1;
    const std::size_t kept = std::min(static_cast<std::size_t>(length), data.size() - at);
    const std::string_view bytes(reinterpret_cast<const char*>(data.data()) + at, kept);
    scope.Line = 3;
    pos = Moved(pos, length);
    return IsAscii(bytes) ? std::string(bytes) : regional_.AnsiToUtf8(bytes);
  });
}

void XLTableDecoder::ReadFloatBlock(Bytes data, std::int32_t& pos, std::int32_t size) {
  ErrorScope scope(log_, "Vestrel.modDDE.GetFloatS", ParamRef("pData", data), ParamRef("pPos", pos),
                   ParamRef("pSize", size));
  scope.PassOn([&] {
    scope.Line = 1;
    const std::int64_t end = static_cast<std::int64_t>(pos) + size;
    const char separator = regional_.DecimalSeparator();
    CellTextBuffer buffer;
    do {
      scope.Line = 2;
      const double value = ReadFloat(data, pos);
      scope.Line = 3;
      WriteValue(FloatCellText(value, separator, buffer));
      scope.Line = 4;
    } while (pos < end);
  });
}

void XLTableDecoder::ReadStringBlock(Bytes data, std::int32_t& pos, std::int32_t size) {
  ErrorScope scope(log_, "Vestrel.modDDE.GetStringS", ParamRef("pData", data),
                   ParamRef("pPos", pos), ParamRef("pSize", size));
  scope.PassOn([&] {
    scope.Line = 1;
    const std::int64_t end = static_cast<std::int64_t>(pos) + size;
    do {
      scope.Line = 2;
      const std::string value = ReadString(data, pos);
      scope.Line = 3;
      WriteValue(value);
      scope.Line = 4;
    } while (pos < end);
  });
}

template <class CellText>
void XLTableDecoder::ReadWordBlock(const char* source, Bytes data, std::int32_t& pos,
                                   std::int32_t size, CellText cellText) {
  ErrorScope scope(log_, source, ParamRef("pData", data), ParamRef("pPos", pos),
                   ParamRef("pSize", size));
  scope.PassOn([&] {
    scope.Line = 1;
    const std::int32_t blockBytes = std::max(size, 0);
    const std::int32_t end = Moved(pos, blockBytes);
    CellTextBuffer buffer;
    for (std::int32_t value = 0; value < blockBytes / 2; ++value) {
      scope.Line = 2;
      const std::int32_t word = ReadWord(data, pos);
      scope.Line = 3;
      WriteValue(cellText(static_cast<std::uint16_t>(word), buffer));
    }
    scope.Line = 4;
    pos = end;  // past an odd last byte
  });
}

void XLTableDecoder::ReadBooleanBlock(Bytes data, std::int32_t& pos, std::int32_t size) {
  ReadWordBlock("Vestrel.modDDE.GetBooleanS", data, pos, size, BooleanCellText);
}

void XLTableDecoder::ReadErrorBlock(Bytes data, std::int32_t& pos, std::int32_t size) {
  ReadWordBlock("Vestrel.modDDE.GetErrorS", data, pos, size, ErrorCellText);
}

void XLTableDecoder::ReadIntegerBlock(Bytes data, std::int32_t& pos, std::int32_t size) {
  ReadWordBlock("Vestrel.modDDE.GetIntegerS", data, pos, size, IntegerCellText);
}

void XLTableDecoder::ReadBlankBlock(Bytes data, std::int32_t& pos, std::int32_t size) {
  ErrorScope scope(log_, "Vestrel.modDDE.GetBlankS", ParamRef("pData", data), ParamRef("pPos", pos),
                   ParamRef("pSize", size));
  scope.PassOn([&] {
    scope.Line = 1;
    const std::int32_t end = Moved(pos, std::max(size, 0));
    scope.Line = 2;
    const std::int32_t count = size >= 2 ? ReadWord(data, pos) : 0;
    scope.Line = 3;
    if (count > CellsLeft()) {
      RaiseSubscriptOutOfRange();
    }
    scope.Line = 4;
    MoveCellCursor(count);
    scope.Line = 5;
    pos = end;
  });
}

void XLTableDecoder::ReadSkipBlock(Bytes data, std::int32_t& pos, std::int32_t size) {
  ErrorScope scope(log_, "Vestrel.modDDE.GetSkipS", ParamRef("pData", data), ParamRef("pPos", pos),
                   ParamRef("pSize", size));
  scope.PassOn([&] {
    scope.Line = 1;
    const std::int32_t end = Moved(pos, std::max(size, 0));
    scope.Line = 2;
    const std::int32_t count = size >= 2 ? ReadWord(data, pos) : 0;
    scope.Line = 3;
    MoveCellCursor(count);
    scope.Line = 4;
    pos = end;
  });
}

void XLTableDecoder::WriteValue(std::string_view value) {
  ErrorScope scope(log_, "Vestrel.modDDE.WriteValue", ParamRef("pValue", value));
  scope.PassOn([&] {
    scope.Line = 1;
    if (rowCursor_ < 1 || rowCursor_ > rowCount_ || columnCursor_ < 1 ||
        columnCursor_ > columnCount_) {
      RaiseSubscriptOutOfRange();
    }
    PutCell(value);
  });
}

void XLTableDecoder::PutCell(std::string_view text) {
  table_.Assign(rowCursor_, columnCursor_, text);
  if (++columnCursor_ > columnCount_) {
    columnCursor_ = 1;
    ++rowCursor_;
  }
}

void XLTableDecoder::PutAnsiCell(std::string_view bytes) {
  if (IsAscii(bytes)) {
    PutCell(bytes);
  } else {
    PutCell(regional_.AnsiToUtf8(bytes));
  }
}

std::int64_t XLTableDecoder::CellsLeft() const {
  if (rowCursor_ < 1 || columnCursor_ < 1) {
    return 0;
  }
  const std::int64_t total = static_cast<std::int64_t>(rowCount_) * columnCount_;
  const std::int64_t written =
      static_cast<std::int64_t>(rowCursor_ - 1) * columnCount_ + (columnCursor_ - 1);
  return std::max<std::int64_t>(total - written, 0);
}

void XLTableDecoder::MoveCellCursor(std::int32_t cells) {
  if (cells <= 0) {
    return;
  }
  if (rowCursor_ <= rowCount_ && cells <= columnCount_ - columnCursor_) {
    columnCursor_ += cells;  // within the row
    return;
  }
  if (cells >= CellsLeft()) {
    // At the table's end: nothing more can be written.
    rowCursor_ = rowCount_ + 1;
    columnCursor_ = 1;
    return;
  }
  // Cells are left, so the cursor is inside the table and C is at least 1.
  const std::int64_t next =
      static_cast<std::int64_t>(rowCursor_ - 1) * columnCount_ + (columnCursor_ - 1) + cells;
  rowCursor_ = static_cast<std::int32_t>(next / columnCount_) + 1;
  columnCursor_ = static_cast<std::int32_t>(next % columnCount_) + 1;
}

std::int64_t XLTableDecoder::DecodeWholeBlock(Bytes data, std::int64_t start, std::int32_t type,
                                              std::int32_t size) {
  switch (type) {
    case kXLString: {
      // Every length byte must be there; the last text may be cut short.
      std::int64_t at = start;
      std::int64_t values = 0;
      do {
        if (!HasBytes(data, at, 1)) {
          return 0;
        }
        at += 1 + data[static_cast<std::size_t>(at - 1)];
        ++values;
      } while (at < start + size);
      if (values > CellsLeft() || at > kMaxPosition) {
        return 0;
      }
      const std::int64_t end = at;
      for (at = start; values-- > 0;) {
        const auto from = static_cast<std::size_t>(at);
        const std::size_t length = std::min<std::size_t>(data[from - 1], data.size() - from);
        PutAnsiCell({reinterpret_cast<const char*>(data.data()) + from, length});
        at += 1 + data[from - 1];
      }
      return end;
    }
    case kXLBoolean:
    case kXLError:
    case kXLInteger: {
      const std::int64_t values = size / 2;
      if (values > CellsLeft() || !HasBytes(data, start, 2 * static_cast<std::size_t>(values)) ||
          start + size > kMaxPosition) {
        return 0;
      }
      const auto cellText = type == kXLBoolean ? BooleanCellText
                            : type == kXLError ? ErrorCellText
                                               : IntegerCellText;
      CellTextBuffer buffer;
      for (std::int64_t at = start; at < start + 2 * values; at += 2) {
        PutCell(cellText(WordAt(data, at), buffer));
      }
      return start + size;
    }
    case kXLSkip: {
      if (start + size > kMaxPosition || (size >= 2 && !HasBytes(data, start, 2))) {
        return 0;
      }
      MoveCellCursor(size >= 2 ? WordAt(data, start) : 0);
      return start + size;
    }
    default:
      return 0;
  }
}

bool XLTableDecoder::DecodeWholeBlocks(Bytes data, std::int32_t& pos) {
  // The order book's blocks, short float runs and blanks taking turns, are
  // decoded here with the cell cursor in locals; the other block types go
  // through DecodeWholeBlock.
  if (pos < 1) {
    return false;  // no block starts before the data
  }
  // Positions in 32 bits: a position stays within 1..kMaxPosition, and a
  // block's end (at most 65 539 bytes on) within 2^32, so nothing wraps; i686
  // code would otherwise spend two registers and two instructions on each.
  using Position = std::uint32_t;
  constexpr auto kLastPosition = static_cast<Position>(kMaxPosition);
  const auto has = [&data](Position position, std::size_t width) {
    return static_cast<std::size_t>(position) - 1 + width <= data.size();
  };
  const std::int32_t columns = columnCount_;
  std::int32_t row = rowCursor_;
  std::int32_t column = columnCursor_;
  std::int64_t cellsLeft = CellsLeft();
  auto at = static_cast<Position>(pos);
  bool passedEnd = false;
  while (has(at, 4) && at + 4 <= kLastPosition) {
    const std::int32_t type = WordAt(data, at);
    const std::int32_t size = WordAt(data, at + 2);
    const Position start = at + 4;
    if (type == kXLFloat) {
      // Whole values until at least `size` bytes are read, and at least one.
      const auto values = static_cast<Position>(std::max((size + 7) / 8, 1));
      const Position end = start + 8 * values;
      if (values > cellsLeft || !has(start, 8 * static_cast<std::size_t>(values)) ||
          end > kLastPosition) {
        break;
      }
      const Bytes run = data.subspan(start - 1, 8 * static_cast<std::size_t>(values));
      table_.AssignNumbers(
          row, column, values,
          [run](std::size_t i) { return FloatBitsAt(run, static_cast<std::int64_t>(8 * i) + 1); },
          separator_);
      cellsLeft -= values;
      at = end;
    } else if (type == kXLBlank) {
      if (start + static_cast<Position>(size) > kLastPosition || (size >= 2 && !has(start, 2))) {
        break;
      }
      const std::int32_t count = size >= 2 ? WordAt(data, start) : 0;
      if (count > cellsLeft) {
        break;
      }
      // Cells are left, so the cursor is inside the table and C is at least 1.
      if (count == 0) {
        // nothing to move
      } else if (count <= columns - column) {
        column += count;  // within the row
      } else if (count == columns - column + 1) {
        column = 1;  // to the row's end, as a book's blank volume does
        ++row;
      } else {
        const std::int64_t next =
            static_cast<std::int64_t>(row - 1) * columns + (column - 1) + count;
        row = static_cast<std::int32_t>(next / columns) + 1;
        column = static_cast<std::int32_t>(next % columns) + 1;
      }
      cellsLeft -= count;
      at = start + static_cast<Position>(size);
    } else {
      rowCursor_ = row;
      columnCursor_ = column;
      const std::int64_t end = DecodeWholeBlock(data, start, type, size);
      if (end == 0) {
        break;
      }
      row = rowCursor_;
      column = columnCursor_;
      cellsLeft = CellsLeft();
      at = static_cast<Position>(end);
    }
    if (row > rowCount_) {
      passedEnd = true;
      break;
    }
  }
  rowCursor_ = row;
  columnCursor_ = column;
  pos = static_cast<std::int32_t>(at);
  return passedEnd;
}

void XLTableDecoder::Decode(std::int32_t instance, Bytes bytes) {
  ErrorScope scope(log_, "Vestrel.modDDE.ParseXLTable", ParamRef("pInstID", instance),
                   ParamRef("strData", bytes));
  scope.PassOn([&] {
    scope.Line = 1;
    std::int32_t pos = 1;
    columnCursor_ = 1;
    rowCursor_ = 1;
    scope.Line = 2;
    if (ReadWord(bytes, pos) == kXLTableHeader) {
      scope.Line = 3;
      if (ReadWord(bytes, pos) == kHeaderSize) {
        scope.Line = 4;
        const std::int32_t rows = ReadWord(bytes, pos);
        const std::int32_t columns = ReadWord(bytes, pos);
        scope.Line = 5;
        rowCount_ = rows;
        columnCount_ = columns;
        // The last complete table is kept aside until this one is complete:
        // a poke that fails half-way must not leave half a book behind for
        // a later poke with a rejected header to hand on.
        std::swap(table_, lastComplete_);
        table_.Reset(rows, columns);
        separator_ = regional_.DecimalSeparator();
        try {
          DecodeBlocks(bytes, pos, scope.Line);
        } catch (...) {
          std::swap(table_, lastComplete_);
          throw;
        }
      }
    }
    scope.Line = 9;
    if (intake_) {
      intake_(instance, table_);
    }
  });
}

void XLTableDecoder::DecodeBlocks(Bytes bytes, std::int32_t& pos, std::int32_t& line) {
  do {
    if (wholeBlocks_) {
      line = 7;
      if (DecodeWholeBlocks(bytes, pos)) {
        line = 8;
        return;
      }
    }
    line = 6;
    const std::int32_t type = ReadWord(bytes, pos);
    const std::int32_t size = ReadWord(bytes, pos);
    line = 7;
    switch (type) {
      case kXLFloat:
        ReadFloatBlock(bytes, pos, size);
        break;
      case kXLString:
        ReadStringBlock(bytes, pos, size);
        break;
      case kXLBoolean:
        ReadBooleanBlock(bytes, pos, size);
        break;
      case kXLError:
        ReadErrorBlock(bytes, pos, size);
        break;
      case kXLBlank:
        ReadBlankBlock(bytes, pos, size);
        break;
      case kXLInteger:
        ReadIntegerBlock(bytes, pos, size);
        break;
      case kXLSkip:
        ReadSkipBlock(bytes, pos, size);
        break;
      default:
        appLog_.Write(kUnknownTypeLine + std::to_string(type));
        pos = Moved(pos, size);  // its data is not a block header
        break;
    }
    line = 8;
  } while (rowCursor_ <= rowCount_);
}

}  // namespace vestrel
