#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "dde/decoded_table.h"
#include "diag/log_dispatcher.h"
#include "ports/event_log.h"
#include "ports/regional_settings.h"

namespace vestrel {

// XLTable block type codes.
inline constexpr std::int32_t kXLTableHeader = 0x0010;
inline constexpr std::int32_t kXLFloat = 0x0001;
inline constexpr std::int32_t kXLString = 0x0002;
inline constexpr std::int32_t kXLBoolean = 0x0003;
inline constexpr std::int32_t kXLError = 0x0004;
inline constexpr std::int32_t kXLBlank = 0x0005;
inline constexpr std::int32_t kXLInteger = 0x0006;
inline constexpr std::int32_t kXLSkip = 0x0007;

// Decodes the XLTable data of DDE pokes into the one decoded table and hands
// the table to the order book intake.
//
// Positions in the data count from 1. Every reader advances the read cursor
// pos past what it read and follows the error chain under its own
// "Vestrel.modDDE." name: data too short raises error 5, a value beyond the
// table's R x C cells error 9, a cursor pushed past the 32-bit range error 6.
class XLTableDecoder {
 public:
  // The order book intake, called once for every poke decoded without failure.
  using Intake = std::function<void(std::int32_t instance, const DecodedTable& table)>;

  // appLog takes the unknown-block lines; regional gives the decimal
  // separator of number cells and turns string cells, text in the system's
  // ANSI code page, into UTF-8.
  XLTableDecoder(LogDispatcher& log, EventLog& appLog, const RegionalSettings& regional,
                 Intake intake)
      : log_(log), appLog_(appLog), regional_(regional), intake_(std::move(intake)) {}

  // Decodes one poke. An accepted header (type 16, size 4) re-creates the
  // table and blocks are read until the cell cursor has passed row R; a
  // block of a type other than 1 to 7 is logged to the event log
  // ("ParseXLTable:Unknown Type N") and its data skipped. A rejected header
  // leaves the table as it was. Then calls the intake with instance and the
  // table, unless the decode failed; a failed decode leaves the table as the
  // last complete one.
  void Decode(std::int32_t instance, std::span<const std::uint8_t> bytes);

  const DecodedTable& Table() const { return table_; }
  std::int32_t RowCount() const { return rowCount_; }
  std::int32_t ColumnCount() const { return columnCount_; }
  std::int32_t RowCursor() const { return rowCursor_; }
  std::int32_t ColumnCursor() const { return columnCursor_; }

  // Readers of one value.
  std::int32_t ReadByte(std::span<const std::uint8_t> data, std::int32_t& pos);
  std::int32_t ReadWord(std::span<const std::uint8_t> data, std::int32_t& pos);
  double ReadFloat(std::span<const std::uint8_t> data, std::int32_t& pos);
  // The string's text in UTF-8. It is cut at the end of the data; the cursor
  // still moves by the full length.
  std::string ReadString(std::span<const std::uint8_t> data, std::int32_t& pos);

  // Run readers: a block's values, written to the next cells. Float and
  // string runs read whole values until they have consumed at least size
  // bytes, and at least one value. The runs of 2-byte values read size / 2
  // values and leave the cursor at the block's end.
  void ReadFloatBlock(std::span<const std::uint8_t> data, std::int32_t& pos, std::int32_t size);
  void ReadStringBlock(std::span<const std::uint8_t> data, std::int32_t& pos, std::int32_t size);
  void ReadBooleanBlock(std::span<const std::uint8_t> data, std::int32_t& pos, std::int32_t size);
  void ReadErrorBlock(std::span<const std::uint8_t> data, std::int32_t& pos, std::int32_t size);
  void ReadIntegerBlock(std::span<const std::uint8_t> data, std::int32_t& pos, std::int32_t size);
  // A blank block: its count of empty cells, which take no storage; more
  // than the cells left raises error 9. A skip block: the cell cursor moves
  // past its count of cells, to the table's end at most. Both read the count
  // from the block's first word (none when size is below 2) and leave the
  // cursor at the block's end.
  void ReadBlankBlock(std::span<const std::uint8_t> data, std::int32_t& pos, std::int32_t size);
  void ReadSkipBlock(std::span<const std::uint8_t> data, std::int32_t& pos, std::int32_t size);

  // Writes one cell at the cell cursor and moves the cursor on, to the next
  // row after column C.
  void WriteValue(std::string_view value);

  // On (the default), Decode decodes a block that is whole (all its
  // values in the data, room for all its cells) in one step, and leaves the
  // readers above to the blocks that fail, so each failure is still recorded
  // by the reader that meets it. Off, every value goes through its reader.
  // The tables and errors are the same either way; the fuzzer checks that.
  void SetWholeBlocks(bool on) { wholeBlocks_ = on; }

 private:
  template <class CellText>
  void ReadWordBlock(const char* source, std::span<const std::uint8_t> data, std::int32_t& pos,
                     std::int32_t size, CellText cellText);
  // Cells from the cell cursor to the table's end.
  std::int64_t CellsLeft() const;
  // Moves the cell cursor past that many cells, to the table's end at most.
  void MoveCellCursor(std::int32_t cells);
  // Stores a cell at the cell cursor and moves the cursor on; the caller has
  // checked that the cursor is inside the table.
  void PutCell(std::string_view text);
  // PutCell for a string's bytes, in the system's ANSI code page.
  void PutAnsiCell(std::string_view bytes);
  // Reads blocks into the table until the cell cursor has passed row R,
  // marking the step reached in line.
  void DecodeBlocks(std::span<const std::uint8_t> bytes, std::int32_t& pos, std::int32_t& line);
  // Decodes the whole blocks from pos on, up to the first one that is not
  // whole, leaving pos at its type word; true when the cell cursor has passed
  // row R, and then pos is past the last block read.
  bool DecodeWholeBlocks(std::span<const std::uint8_t> data, std::int32_t& pos);
  // Decodes a string, Boolean, error, integer or skip block whose data
  // starts at `start` in one step when it is whole (all its values in the
  // data, room for all its cells); returns the position after it, or 0 with
  // nothing read or written.
  std::int64_t DecodeWholeBlock(std::span<const std::uint8_t> data, std::int64_t start,
                                std::int32_t type, std::int32_t size);

  LogDispatcher& log_;
  EventLog& appLog_;
  const RegionalSettings& regional_;
  Intake intake_;
  DecodedTable table_;
  DecodedTable lastComplete_;
  std::int32_t rowCount_ = 0;
  std::int32_t columnCount_ = 0;
  std::int32_t rowCursor_ = 0;
  std::int32_t columnCursor_ = 0;
  bool wholeBlocks_ = true;
  // The user's decimal separator, read once per poke for whole blocks.
  char separator_ = '.';
};

}  // namespace vestrel
