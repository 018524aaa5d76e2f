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

// True when `width` bytes stand at position pPos (from 1).
bool HasBytes(Bytes data, std::int64_t pPos, std::size_t width) {
  return pPos >= 1 && static_cast<std::uint64_t>(pPos) - 1 + width <= data.size();
}

void RequireBytes(Bytes data, std::int32_t pPos, std::size_t width) {
  if (!HasBytes(data, pPos, width)) {
    RaiseInvalidCall();
  }
}

// The cursor moved by `distance` bytes; past the 32-bit range raises error 6.
std::int32_t Moved(std::int32_t pPos, std::int64_t distance) {
  const std::int64_t moved = static_cast<std::int64_t>(pPos) + distance;
  if (moved > kMaxPosition) {
    RaiseOverflow();
  }
  return static_cast<std::int32_t>(moved);
}

// The values at a position known to hold them.
std::uint16_t WordAt(Bytes data, std::int64_t pPos) {
  const auto at = static_cast<std::size_t>(pPos - 1);
  return static_cast<std::uint16_t>(data[at] | (data[at + 1] << 8));
}

// The IEEE bits of the little-endian double at a position known to hold one.
std::uint64_t FloatBitsAt(Bytes data, std::int64_t pPos) {
  const auto at = static_cast<std::size_t>(pPos - 1);
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

double FloatAt(Bytes data, std::int64_t pPos) {
  return std::bit_cast<double>(FloatBitsAt(data, pPos));
}

}  // namespace

std::int32_t XLTableDecoder::GetByte(Bytes pData, std::int32_t& pPos) {
  ErrorScope scope(log_, "Vestrel.modDDE.GetByte", ParamRef("pData", pData),
                   ParamRef("pPos", pPos));
  return scope.PassOn([&] {
    scope.Line = 1;
    RequireBytes(pData, pPos, 1);
    const std::int32_t value = pData[static_cast<std::size_t>(pPos) - 1];
    scope.Line = 2;
    pPos = Moved(pPos, 1);
    return value;
  });
}

std::int32_t XLTableDecoder::GetWord(Bytes pData, std::int32_t& pPos) {
  ErrorScope scope(log_, "Vestrel.modDDE.GetWord", ParamRef("pData", pData),
                   ParamRef("pPos", pPos));
  return scope.PassOn([&] {
    scope.Line = 1;
    RequireBytes(pData, pPos, 2);
    const std::int32_t value = WordAt(pData, pPos);
    scope.Line = 2;
    pPos = Moved(pPos, 2);
    return value;
  });
}

double XLTableDecoder::GetFloat(Bytes pData, std::int32_t& pPos) {
  ErrorScope scope(log_, "Vestrel.modDDE.GetFloat", ParamRef("pData", pData),
                   ParamRef("pPos", pPos));
  return scope.PassOn([&] {
    scope.Line = 1;
    RequireBytes(pData, pPos, 8);
    const double value = FloatAt(pData, pPos);
    scope.Line = 2;
    pPos = Moved(pPos, 8);
    return value;
  });
}

std::string XLTableDecoder::GetString(Bytes pData, std::int32_t& pPos) {
  ErrorScope scope(log_, "Vestrel.modDDE.GetString", ParamRef("pData", pData),
                   ParamRef("pPos", pPos));
  return scope.PassOn([&] {
    scope.Line = 1;
    const std::int32_t length = GetByte(pData, pPos);
    scope.Line = 2;
    // GetByte has left the cursor at most one past the last byte.
    const std::size_t at = static_cast<std::size_t>(pPos) - 1;
    const std::size_t kept = std::min(static_cast<std::size_t>(length), pData.size() - at);
    const std::string_view bytes(reinterpret_cast<const char*>(pData.data()) + at, kept);
    scope.Line = 3;
    pPos = Moved(pPos, length);
    return IsAscii(bytes) ? std::string(bytes) : regional_.AnsiToUtf8(bytes);
  });
}

void XLTableDecoder::GetFloatS(Bytes pData, std::int32_t& pPos, std::int32_t pSize) {
  ErrorScope scope(log_, "Vestrel.modDDE.GetFloatS", ParamRef("pData", pData),
                   ParamRef("pPos", pPos), ParamRef("pSize", pSize));
  scope.PassOn([&] {
    scope.Line = 1;
    const std::int64_t end = static_cast<std::int64_t>(pPos) + pSize;
    const char separator = regional_.DecimalSeparator();
    CellTextBuffer buffer;
    do {
      scope.Line = 2;
      const double value = GetFloat(pData, pPos);
      scope.Line = 3;
      WriteValue(FloatCellText(value, separator, buffer));
      scope.Line = 4;
    } while (pPos < end);
  });
}

void XLTableDecoder::GetStringS(Bytes pData, std::int32_t& pPos, std::int32_t pSize) {
  ErrorScope scope(log_, "Vestrel.modDDE.GetStringS", ParamRef("pData", pData),
                   ParamRef("pPos", pPos), ParamRef("pSize", pSize));
  scope.PassOn([&] {
    scope.Line = 1;
    const std::int64_t end = static_cast<std::int64_t>(pPos) + pSize;
    do {
      scope.Line = 2;
      const std::string value = GetString(pData, pPos);
      scope.Line = 3;
      WriteValue(value);
      scope.Line = 4;
    } while (pPos < end);
  });
}

template <class CellText>
void XLTableDecoder::GetWordRun(const char* source, Bytes pData, std::int32_t& pPos,
                                std::int32_t pSize, CellText cellText) {
  ErrorScope scope(log_, source, ParamRef("pData", pData), ParamRef("pPos", pPos),
                   ParamRef("pSize", pSize));
  scope.PassOn([&] {
    scope.Line = 1;
    const std::int32_t size = std::max(pSize, 0);
    const std::int32_t end = Moved(pPos, size);
    CellTextBuffer buffer;
    for (std::int32_t value = 0; value < size / 2; ++value) {
      scope.Line = 2;
      const std::int32_t word = GetWord(pData, pPos);
      scope.Line = 3;
      WriteValue(cellText(static_cast<std::uint16_t>(word), buffer));
    }
    scope.Line = 4;
    pPos = end;  // past an odd last byte
  });
}

void XLTableDecoder::GetBooleanS(Bytes pData, std::int32_t& pPos, std::int32_t pSize) {
  GetWordRun("Vestrel.modDDE.GetBooleanS", pData, pPos, pSize, BooleanCellText);
}

void XLTableDecoder::GetErrorS(Bytes pData, std::int32_t& pPos, std::int32_t pSize) {
  GetWordRun("Vestrel.modDDE.GetErrorS", pData, pPos, pSize, ErrorCellText);
}

void XLTableDecoder::GetIntegerS(Bytes pData, std::int32_t& pPos, std::int32_t pSize) {
  GetWordRun("Vestrel.modDDE.GetIntegerS", pData, pPos, pSize, IntegerCellText);
}

void XLTableDecoder::GetBlankS(Bytes pData, std::int32_t& pPos, std::int32_t pSize) {
  ErrorScope scope(log_, "Vestrel.modDDE.GetBlankS", ParamRef("pData", pData),
                   ParamRef("pPos", pPos), ParamRef("pSize", pSize));
  scope.PassOn([&] {
    scope.Line = 1;
    const std::int32_t end = Moved(pPos, std::max(pSize, 0));
    scope.Line = 2;
    const std::int32_t count = pSize >= 2 ? GetWord(pData, pPos) : 0;
    scope.Line = 3;
    if (count > CellsLeft()) {
      RaiseSubscriptOutOfRange();
    }
    scope.Line = 4;
    MoveCellCursor(count);
    scope.Line = 5;
    pPos = end;
  });
}

void XLTableDecoder::GetSkipS(Bytes pData, std::int32_t& pPos, std::int32_t pSize) {
  ErrorScope scope(log_, "Vestrel.modDDE.GetSkipS", ParamRef("pData", pData),
                   ParamRef("pPos", pPos), ParamRef("pSize", pSize));
  scope.PassOn([&] {
    scope.Line = 1;
    const std::int32_t end = Moved(pPos, std::max(pSize, 0));
    scope.Line = 2;
    const std::int32_t count = pSize >= 2 ? GetWord(pData, pPos) : 0;
    scope.Line = 3;
    MoveCellCursor(count);
    scope.Line = 4;
    pPos = end;
  });
}

void XLTableDecoder::WriteValue(std::string_view pValue) {
  ErrorScope scope(log_, "Vestrel.modDDE.WriteValue", ParamRef("pValue", pValue));
  scope.PassOn([&] {
    scope.Line = 1;
    if (rowCursor_ < 1 || rowCursor_ > rowCount_ || columnCursor_ < 1 ||
        columnCursor_ > columnCount_) {
      RaiseSubscriptOutOfRange();
    }
    PutCell(pValue);
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

void XLTableDecoder::ParseXLTable(std::int32_t& pInstID, Bytes strData) {
  ErrorScope scope(log_, "Vestrel.modDDE.ParseXLTable", ParamRef("pInstID", pInstID),
                   ParamRef("strData", strData));
  scope.PassOn([&] {
    scope.Line = 1;
    std::int32_t pos = 1;
    columnCursor_ = 1;
    rowCursor_ = 1;
    scope.Line = 2;
    if (GetWord(strData, pos) == kXLTableHeader) {
      scope.Line = 3;
      if (GetWord(strData, pos) == kHeaderSize) {
        scope.Line = 4;
        const std::int32_t rows = GetWord(strData, pos);
        const std::int32_t columns = GetWord(strData, pos);
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
          DecodeBlocks(strData, pos, scope.Line);
        } catch (...) {
          std::swap(table_, lastComplete_);
          throw;
        }
      }
    }
    scope.Line = 9;
    if (intake_) {
      intake_(pInstID, table_);
    }
  });
}

void XLTableDecoder::DecodeBlocks(Bytes strData, std::int32_t& pos, std::int32_t& line) {
  do {
    if (wholeBlocks_) {
      line = 7;
      if (DecodeWholeBlocks(strData, pos)) {
        line = 8;
        return;
      }
    }
    line = 6;
    const std::int32_t type = GetWord(strData, pos);
    const std::int32_t size = GetWord(strData, pos);
    line = 7;
    switch (type) {
      case kXLFloat:
        GetFloatS(strData, pos, size);
        break;
      case kXLString:
        GetStringS(strData, pos, size);
        break;
      case kXLBoolean:
        GetBooleanS(strData, pos, size);
        break;
      case kXLError:
        GetErrorS(strData, pos, size);
        break;
      case kXLBlank:
        GetBlankS(strData, pos, size);
        break;
      case kXLInteger:
        GetIntegerS(strData, pos, size);
        break;
      case kXLSkip:
        GetSkipS(strData, pos, size);
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
