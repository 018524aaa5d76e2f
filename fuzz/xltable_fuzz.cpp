// libFuzzer target: any bytes a DDE poke may carry, through Decode.
//
// Beyond the sanitizers it checks the decoder's promises: a poke either
// reaches the intake exactly once or fails with a data error (5 too short,
// 9 too many values, 6 cursor overflow) without reaching it; the table never
// stores more cells than the poke has bytes; a following poke with a rejected
// header hands the same table over unchanged; decoding whole blocks at
// once gives the same table, cursors, error and log lines as going through
// the readers value by value (checked on a quarter of the inputs); and a
// decoder that has held an earlier table, whose storage it keeps for the
// next, decodes as a fresh one (another quarter).

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>

#include "common/app_error.h"
#include "common/conversions.h"
#include "dde/xltable_decoder.h"
#include "quiet_ports.h"

namespace {

using vestrel::AppError;
using vestrel::DecodedTable;
using vestrel::EventType;

constexpr std::int32_t kInstance = 7;
// Cells compared one by one, in reading order from (1,1).
constexpr std::int64_t kComparedCells = 64;
// A 2 x 2 table decoded (twice, so both of the decoder's tables have held
// it) before the input where the decoder is not fresh.
constexpr std::uint8_t kEarlierTable[] = {
    0x10, 0x00, 0x04, 0x00, 0x02, 0x00, 0x02, 0x00,            // header: 2 x 2
    0x02, 0x00, 0x0A, 0x00,                                    // 10 bytes of strings:
    5,    's',  't',  'a',  'l',  'e',  3,    'o',  'l', 'd',  // "stale", "old"
    0x01, 0x00, 0x10, 0x00,                                    // 2 floats:
    0,    0,    0,    0,    0,    0,    0xF8, 0x3F,            // 1.5
    0,    0,    0,    0,    0xA0, 0x15, 0xF8, 0x40};           // 98650

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "decoder promise broken: %s\n", what);
    std::abort();
  }
}

// FNV-1a over texts, so outcomes compare without copying them.
class Digest {
 public:
  void Add(std::string_view text) {
    for (const char c : text) {
      Mix(static_cast<unsigned char>(c));
    }
    Mix(0x100);  // end of text
  }
  std::uint64_t Value() const { return value_; }

 private:
  void Mix(unsigned value) { value_ = (value_ ^ value) * 0x100000001B3ULL; }
  std::uint64_t value_ = 0xCBF29CE484222325ULL;
};

// Bytes above 0x7F as Latin-1 characters: a conversion that changes the text,
// so both decodes must apply it alike.
class Latin1RegionalSettings : public vestrel::tools::FixedRegionalSettings {
 public:
  Latin1RegionalSettings() : FixedRegionalSettings(',') {}
  std::string AnsiToUtf8(std::string_view bytes) const override {
    std::string text;
    for (const char byte : bytes) {
      const auto code = static_cast<unsigned char>(byte);
      if (code < 0x80) {
        text += byte;
      } else {
        text += static_cast<char>(0xC0 | (code >> 6));
        text += static_cast<char>(0x80 | (code & 0x3F));
      }
    }
    return text;
  }
};

class DigestingEventLog : public vestrel::EventLog {
 public:
  void Write(std::string_view text, EventType type) override {
    Lines.Add(std::string_view(type == EventType::Information ? "i" : "e"));
    Lines.Add(text);
  }
  Digest Lines;
};

struct Outcome {
  int HandedOver = 0;
  std::int32_t Error = 0;
  std::string Source;
  std::int32_t RowCursor = 0;
  std::int32_t ColumnCursor = 0;
  bool HasBounds = false;
  std::int32_t Rows = 0;
  std::int32_t Columns = 0;
  std::size_t Stored = 0;
  std::uint64_t Cells = 0;
  std::uint64_t LogLines = 0;
  bool operator==(const Outcome&) const = default;
};

void TakeTable(const DecodedTable& table, Outcome& outcome) {
  outcome.HasBounds = table.HasBounds();
  outcome.Rows = table.Rows();
  outcome.Columns = table.Columns();
  outcome.Stored = table.StoredCells();
  outcome.Cells = 0;
  if (!table.HasBounds()) {
    return;
  }
  Check(table.Cell(0, 0).empty() && table.Cell(table.Rows(), 0).empty() &&
            table.Cell(0, table.Columns()).empty(),
        "row 0 and column 0 stay empty");
  const std::int64_t cells = std::min<std::int64_t>(
      static_cast<std::int64_t>(table.Rows()) * table.Columns(), kComparedCells);
  Digest digest;
  for (std::int64_t cell = 0; cell < cells; ++cell) {
    const auto row = static_cast<std::int32_t>(cell / table.Columns()) + 1;
    const auto column = static_cast<std::int32_t>(cell % table.Columns()) + 1;
    for (const char separator : {'.', ','}) {
      // A whole number read without its text must be what its text reads as.
      if (const std::optional<double> whole = table.WholeNumber(row, column, separator)) {
        Check(
            std::bit_cast<std::uint64_t>(*whole) ==
                std::bit_cast<std::uint64_t>(vestrel::ToNumber(table.Cell(row, column), separator)),
            "a whole number reads as its text");
      }
    }
    digest.Add(table.Cell(row, column));
  }
  digest.Add(table.Cell(table.Rows(), table.Columns()));
  outcome.Cells = digest.Value();
}

Outcome Decode(std::span<const std::uint8_t> poke, bool wholeBlocks, bool afterEarlierTable) {
  DigestingEventLog eventLog;
  vestrel::tools::DiscardingFileSystem files;
  Latin1RegionalSettings regional;
  vestrel::tools::NoUserContext users;
  vestrel::LogDispatcher log({eventLog, files, regional, users});

  Outcome outcome;
  vestrel::XLTableDecoder decoder(log, eventLog, regional,
                                  [&](std::int32_t instance, const DecodedTable& /*table*/) {
                                    Check(instance == kInstance, "the instance is passed on");
                                    ++outcome.HandedOver;
                                  });
  decoder.SetWholeBlocks(wholeBlocks);
  std::int32_t instance = kInstance;
  if (afterEarlierTable) {
    decoder.Decode(instance, kEarlierTable);
    decoder.Decode(instance, kEarlierTable);
    Check(decoder.Table().Cell(1, 1) == "stale" && decoder.Table().Cell(2, 2) == "98650",
          "the earlier table decodes");
    outcome.HandedOver = 0;
  }
  try {
    decoder.Decode(instance, poke);
    Check(outcome.HandedOver == 1, "a decoded poke reaches the intake once");
  } catch (const AppError& error) {
    Check(outcome.HandedOver == 0, "a failed poke does not reach the intake");
    Check(error.Number == 5 || error.Number == 9 || error.Number == 6, "only data errors");
    outcome.Error = error.Number;
    outcome.Source = error.Source;
    // The last complete table is the earlier one, or none.
    Check(afterEarlierTable ? decoder.Table().Cell(1, 2) == "old" : !decoder.Table().HasBounds(),
          "a failed poke leaves no half table behind");
  }
  Check(afterEarlierTable || decoder.Table().StoredCells() <= poke.size(),
        "storage bounded by the cells written");
  outcome.RowCursor = decoder.RowCursor();
  outcome.ColumnCursor = decoder.ColumnCursor();
  TakeTable(decoder.Table(), outcome);
  outcome.LogLines = eventLog.Lines.Value();

  // A rejected header hands over the table as it is.
  const int handedOver = outcome.HandedOver;
  static const std::uint8_t kRejected[] = {0x11, 0x00, 0x04, 0x00};
  decoder.Decode(instance, kRejected);
  Outcome after;
  TakeTable(decoder.Table(), after);
  Check(outcome.HandedOver == handedOver + 1 && after.HasBounds == outcome.HasBounds &&
            after.Rows == outcome.Rows && after.Columns == outcome.Columns &&
            after.Stored == outcome.Stored && after.Cells == outcome.Cells,
        "a rejected header hands the table over unchanged");
  outcome.HandedOver = handedOver;
  return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> poke(data, size);
  const Outcome whole = Decode(poke, true, false);
  // Each second decode costs as much again: one input in four, chosen by its
  // length, is decoded value by value, another after an earlier table.
  if (size % 4 == 0) {
    Check(whole == Decode(poke, false, false), "whole blocks decode as value by value");
  }
  if (size % 4 == 1) {
    const Outcome after = Decode(poke, true, true);
    // Unless the input fails or has its header rejected, when the earlier
    // table stays.
    Check(after.Error != 0 || !whole.HasBounds || after == whole,
          "an earlier table does not show through");
  }
  return 0;
}
