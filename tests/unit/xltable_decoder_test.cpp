#include "dde/xltable_decoder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/conversions.h"
#include "dde/cell_text.h"
#include "fakes/fake_ports.h"
#include "xltable_writer.h"

namespace vestrel {
namespace {

using testing::FakeLogServices;
using xltable::EncodeXLTable;
using xltable::OrderBookSheet;
using xltable::XLTableBuilder;
using Grid = std::vector<std::vector<std::string>>;

// A decoder whose intake records what it was handed.
struct DecoderRig {
  FakeLogServices services;
  std::vector<std::int32_t> intakeIds;
  std::vector<const DecodedTable*> intakeTables;
  XLTableDecoder decoder{services.Log, services.AppLog, services.Regional,
                         [this](std::int32_t id, const DecodedTable& table) {
                           intakeIds.push_back(id);
                           intakeTables.push_back(&table);
                         }};

  // Decodes; returns the error number raised, 0 when none.
  std::int32_t Parse(const std::vector<std::uint8_t>& bytes, std::int32_t instId = 7) {
    try {
      decoder.Decode(instId, bytes);
      return 0;
    } catch (const AppError& error) {
      lastSource = error.Source;
      return error.Number;
    }
  }

  // Every cell, rows 0..R and columns 0..C.
  Grid Cells() const {
    const DecodedTable& table = decoder.Table();
    Grid grid(table.Rows() + 1);
    for (std::int32_t row = 0; row <= table.Rows(); ++row) {
      for (std::int32_t column = 0; column <= table.Columns(); ++column) {
        grid[row].push_back(table.Cell(row, column));
      }
    }
    return grid;
  }

  std::string lastSource;
};

TEST(XLTableDecoder, FloatsFillRowByRowWhetherInOneRunOrSplitAndUseTheUsersSeparator) {
  DecoderRig one;
  EXPECT_EQ(one.Parse(XLTableBuilder().Header(2, 2).Floats({101.5, 98650, -0.25, 1e20}).Bytes()),
            0);
  EXPECT_EQ(one.Cells(), (Grid{{"", "", ""}, {"", "101,5", "98650"}, {"", "-0,25", "1E+20"}}));

  DecoderRig split;
  split.services.Regional.Separator = '.';
  EXPECT_EQ(split.Parse(XLTableBuilder()
                            .Header(2, 2)
                            .Floats({101.5, 98650, -0.25})
                            .Floats({1e20})
                            .Raw({0xFF, 0xFF})  // after the last cell: never read
                            .Bytes()),
            0);
  EXPECT_EQ(split.Cells(), (Grid{{"", "", ""}, {"", "101.5", "98650"}, {"", "-0.25", "1E+20"}}));

  // The float bytes as they stand on the wire.
  DecoderRig wire;
  EXPECT_EQ(
      wire.Parse(XLTableBuilder()
                     .Header(1, 2)
                     .Word(1)
                     .Word(16)
                     .Raw({0, 0, 0, 0, 0, 0x60, 0x59, 0x40, 0, 0, 0, 0, 0xA0, 0x15, 0xF8, 0x40})
                     .Bytes()),
      0);
  EXPECT_EQ(wire.Cells()[1], (std::vector<std::string>{"", "101,5", "98650"}));
}

TEST(XLTableDecoder, FloatCellTextsAreExactlyTheGeneralNumberTexts) {
  std::vector<double> values = {0.0,     -0.0,  1e-4,     9.99e-5,           0.1 + 0.2,
                                1.0 / 3, 1e15,  1e15 - 1, 999999999999999.4, 123456.789,
                                2.5e-3,  1e300, -7.0,     0.00012345};
  std::uint64_t seed = 12345;
  for (int i = 0; i < 20000; ++i) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    const auto cents = static_cast<double>(seed >> 40);
    values.push_back(cents / 100);
    values.push_back(-cents / 10000);
    double any = 0;
    std::memcpy(&any, &seed, sizeof any);
    values.push_back(any);
  }
  CellTextBuffer buffer;
  for (const double value : values) {
    ASSERT_EQ(FloatCellText(value, ',', buffer), NumberText(value, ',')) << value;
  }
}

TEST(XLTableDecoder, StringsMayBeEmptyAndAStringCutByTheDataEndKeepsWhatIsThere) {
  DecoderRig rig;
  EXPECT_EQ(rig.Parse(XLTableBuilder()
                          .Header(1, 3)
                          .Strings({"", "PRICE"})
                          .Raw({2, 0, 4, 0, 9, 'a', 'b'})
                          .Bytes()),
            0);
  EXPECT_EQ(rig.Cells()[1], (std::vector<std::string>{"", "", "PRICE", "ab"}));

  // The cut string is not the last cell: the next read fails.
  DecoderRig more;
  EXPECT_EQ(more.Parse(XLTableBuilder().Header(1, 2).Raw({2, 0, 4, 0, 9, 'a', 'b'}).Bytes()), 5);
  EXPECT_EQ(more.lastSource, "Vestrel.modDDE.GetWord->Vestrel.modDDE.ParseXLTable");
  EXPECT_FALSE(more.decoder.Table().HasBounds());  // no complete table yet
  EXPECT_TRUE(more.intakeIds.empty());
}

TEST(XLTableDecoder, AFailedPokeLeavesTheLastCompleteTableForTheNextRejectedHeader) {
  DecoderRig rig;
  const Grid book = {{"", "", ""}, {"", "PRICE", "SELL_VOLUME"}, {"", "100", "5"}};
  EXPECT_EQ(
      rig.Parse(
          XLTableBuilder().Header(2, 2).Strings({"PRICE", "SELL_VOLUME"}).Floats({100, 5}).Bytes()),
      0);
  // Truncated half-way through the second row, and a huge table cut short.
  EXPECT_EQ(
      rig.Parse(
          XLTableBuilder().Header(2, 2).Strings({"LAST", "QTY"}).Raw({1, 0, 16, 0, 0}).Bytes()),
      5);
  EXPECT_EQ(rig.Cells(), book);
  EXPECT_EQ(rig.Parse(XLTableBuilder().Header(65535, 65535).Strings({"LAST"}).Bytes()), 5);
  EXPECT_EQ(rig.Cells(), book);
  EXPECT_EQ(rig.Parse({0x02, 0, 4, 0}, 9), 0);
  EXPECT_EQ(rig.intakeIds, (std::vector<std::int32_t>{7, 9}));
  EXPECT_EQ(rig.Cells(), book);
  EXPECT_EQ(rig.intakeTables.back(), &rig.decoder.Table());
}

TEST(XLTableDecoder, ARejectedHeaderHandsOverThePreviousTableUnchangedWithoutALogEntry) {
  DecoderRig rig;
  EXPECT_EQ(rig.Parse({0x11, 0, 4, 0}), 0);
  EXPECT_FALSE(rig.decoder.Table().HasBounds());
  EXPECT_EQ(rig.Parse(XLTableBuilder().Header(1, 1).Strings({"x"}).Bytes()), 0);
  EXPECT_EQ(rig.Parse({0x10, 0, 5, 0, 9, 0, 9, 0}, 8), 0);
  EXPECT_EQ(rig.Parse({0x02, 0, 4, 0}, 9), 0);
  EXPECT_EQ(rig.intakeIds, (std::vector<std::int32_t>{7, 7, 8, 9}));
  EXPECT_EQ(rig.Cells(), (Grid{{"", ""}, {"", "x"}}));
  EXPECT_TRUE(rig.services.AppLog.Entries.empty());
}

TEST(XLTableDecoder, FloatAndStringRunsOfSizeZeroStillReadOneValue) {
  DecoderRig rig;
  EXPECT_EQ(rig.Parse(XLTableBuilder()
                          .Header(1, 2)
                          .Word(1)
                          .Word(0)
                          .Raw({0, 0, 0, 0, 0, 0, 0xF0, 0x3F})
                          .Floats({2.5})
                          .Bytes()),
            0);
  EXPECT_EQ(rig.Cells()[1], (std::vector<std::string>{"", "1", "2,5"}));
}

TEST(XLTableDecoder, WordsAreUnsignedSoLargeSizesAndRowCountsHold) {
  DecoderRig rig;
  // 40000 rows of one column: a string run of 0x9000 bytes (that many empty
  // strings), then a skip over the rest.
  XLTableBuilder builder;
  builder.Header(40000, 1).Block(2, std::vector<std::uint8_t>(0x9000, 0)).Skip(40000 - 0x9000);
  EXPECT_EQ(rig.Parse(builder.Bytes()), 0);
  EXPECT_EQ(rig.decoder.Table().Rows(), 40000);
  EXPECT_EQ(rig.decoder.Table().StoredCells(), 0x9000U);
  EXPECT_EQ(rig.decoder.RowCursor(), 40001);
}

// Whole blocks or value by value, the same cells.
class XLTableDecoderModes : public ::testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(WholeBlocks, XLTableDecoderModes, ::testing::Bool());

TEST_P(XLTableDecoderModes, TheTerminalsOrderBookWithBlankBlocksLandsInTheRightCells) {
  DecoderRig rig;
  rig.decoder.SetWholeBlocks(GetParam());
  rig.services.Regional.Separator = '.';
  const auto sheet = OrderBookSheet(50, 98650, 10);
  EXPECT_EQ(rig.Parse(EncodeXLTable(sheet)), 0);
  const DecodedTable& table = rig.decoder.Table();
  ASSERT_EQ(table.Rows(), 101);
  ASSERT_EQ(table.Columns(), 3);
  for (std::int32_t row = 1; row <= 101; ++row) {
    for (std::int32_t column = 1; column <= 3; ++column) {
      const xltable::Cell& sent = sheet[row - 1][column - 1];
      const std::string expected = sent.index() == 0   ? ""
                                   : sent.index() == 1 ? NumberText(std::get<double>(sent), '.')
                                                       : std::get<std::string>(sent);
      ASSERT_EQ(table.Cell(row, column), expected) << row << "," << column;
    }
  }
  EXPECT_EQ(table.Cell(52, 1), "");
  EXPECT_EQ(table.Cell(52, 2), "98150");
  EXPECT_EQ(table.StoredCells(), 3U + 200U);  // blank cells take no storage
}

TEST_P(XLTableDecoderModes, BooleanErrorIntegerBlankAndSkipBlocksAreDecoded) {
  DecoderRig rig;
  rig.decoder.SetWholeBlocks(GetParam());
  EXPECT_EQ(rig.Parse(XLTableBuilder()
                          .Header(4, 4)
                          .Booleans({1, 0})
                          .Block(3, {})  // no values
                          .Integers({-32768, 98})
                          .Errors({0, 7, 15, 23, 29, 36, 42, 99})
                          .Skip(1)
                          .Block(6, {5, 0, 0xEE})  // the odd byte is skipped
                          .Blanks(0)
                          .Blanks(2)
                          .Bytes()),
            0);
  EXPECT_EQ(rig.Cells(), (Grid{{"", "", "", "", ""},
                               {"", "TRUE", "FALSE", "-32768", "98"},
                               {"", "#NULL!", "#DIV/0!", "#VALUE!", "#REF!"},
                               {"", "#NAME?", "#NUM!", "#N/A", "#ERR99"},
                               {"", "", "5", "", ""}}));
  EXPECT_EQ(rig.decoder.Table().StoredCells(), 13U);
  EXPECT_TRUE(rig.services.AppLog.Entries.empty());
}

TEST_P(XLTableDecoderModes, StringCellsCarryTheCharactersOfTheirAnsiBytes) {
  const std::string price = "\xD6\xC5\xCD\xC0";  // ЦЕНА in code page 1251
  DecoderRig rig;
  rig.decoder.SetWholeBlocks(GetParam());
  EXPECT_EQ(rig.Parse(XLTableBuilder().Header(1, 2).Strings({"PRICE", price}).Bytes()), 0);
  EXPECT_EQ(rig.Cells()[1], (std::vector<std::string>{"", "PRICE", "ЦЕНА"}));

  // A string beyond the table is recorded as the cell would have held it.
  DecoderRig beyond;
  beyond.decoder.SetWholeBlocks(GetParam());
  EXPECT_EQ(beyond.Parse(XLTableBuilder().Header(1, 1).Strings({"a", price}).Bytes()), 9);
  const auto entries = beyond.services.ErrorEntries();
  ASSERT_FALSE(entries.empty());
  EXPECT_EQ(entries[0],
            "ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.modDDE.WriteValue IN LINE: 1. ERROR =  9 "
            "(Subscript out of range) ADDITIONAL PARAMS: \r\npValue = ЦЕНА\r\n");
}

TEST(XLTableDecoder, ASkipPastTheEndEndsTheTableButTooManyBlanksFailWithError9) {
  DecoderRig skip;
  EXPECT_EQ(skip.Parse(XLTableBuilder().Header(2, 2).Strings({"a"}).Skip(60000).Bytes()), 0);
  EXPECT_EQ(skip.intakeIds.size(), 1U);

  DecoderRig blanks;
  EXPECT_EQ(blanks.Parse(XLTableBuilder().Header(2, 2).Strings({"a"}).Blanks(4).Bytes()), 9);
  EXPECT_EQ(blanks.lastSource, "Vestrel.modDDE.GetBlankS->Vestrel.modDDE.ParseXLTable");
  EXPECT_TRUE(blanks.intakeIds.empty());
}

TEST(XLTableDecoder, AnUnknownBlockIsLoggedAndItsDataSkipped) {
  DecoderRig rig;
  EXPECT_EQ(rig.Parse(XLTableBuilder()
                          .Header(1, 2)
                          .Block(8, {0x01, 0x00})  // would read as a float run's type
                          .Strings({"a"})
                          .Block(0x10, {1, 0, 1, 0})  // a second header
                          .Strings({"b"})
                          .Bytes()),
            0);
  EXPECT_EQ(rig.Cells()[1], (std::vector<std::string>{"", "a", "b"}));
  using testing::EventLogEntry;
  EXPECT_EQ(rig.services.AppLog.Entries,
            (std::vector<EventLogEntry>{{"ParseXLTable:Unknown Type 8", EventType::Information},
                                        {"ParseXLTable:Unknown Type 16", EventType::Information}}));
}

TEST(XLTableDecoder, ShortDataFailsWithError5AndEachProcedureRecordsItself) {
  DecoderRig rig;
  EXPECT_EQ(rig.Parse(XLTableBuilder().Header(2, 1).Bytes(), 3), 5);
  EXPECT_TRUE(rig.intakeIds.empty());
  EXPECT_EQ(rig.services.ErrorEntries(),
            (std::vector<std::string>{
                "ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.modDDE.GetWord IN LINE: 1. ERROR =  5 "
                "(Invalid procedure call or argument) ADDITIONAL PARAMS: \r\npData = Array\r\n"
                "pPos = 9\r\n",
                "ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.modDDE.GetWord->Vestrel.modDDE."
                "ParseXLTable IN LINE: 6. ERROR =  5 (Invalid procedure call or argument) "
                "ADDITIONAL PARAMS: \r\npInstID = 3\r\nstrData = Array\r\n"}));

  // A float cut in the middle: no half table is left behind.
  DecoderRig cut;
  auto bytes = XLTableBuilder().Header(2, 1).Floats({1, 2}).Bytes();
  bytes.resize(bytes.size() - 1);
  EXPECT_EQ(cut.Parse(bytes), 5);
  EXPECT_EQ(cut.lastSource,
            "Vestrel.modDDE.GetFloat->Vestrel.modDDE.GetFloatS->Vestrel.modDDE.ParseXLTable");
  EXPECT_FALSE(cut.decoder.Table().HasBounds());
  EXPECT_EQ(cut.Parse({0x10}), 5);
  // A string run whose length byte is missing.
  EXPECT_EQ(cut.Parse(XLTableBuilder().Header(1, 1).Word(2).Word(1).Bytes()), 5);
  EXPECT_EQ(cut.lastSource,
            "Vestrel.modDDE.GetByte->Vestrel.modDDE.GetString->Vestrel.modDDE.GetStringS->"
            "Vestrel.modDDE.ParseXLTable");
}

TEST(XLTableDecoder, AValueBeyondTheTableFailsWithError9RecordingTheValue) {
  DecoderRig rig;
  EXPECT_EQ(rig.Parse(XLTableBuilder().Header(1, 1).Floats({1.5, 2.5}).Bytes()), 9);
  EXPECT_TRUE(rig.intakeIds.empty());
  const auto entries = rig.services.ErrorEntries();
  ASSERT_EQ(entries.size(), 3U);
  EXPECT_EQ(entries[0],
            "ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.modDDE.WriteValue IN LINE: 1. ERROR =  9 "
            "(Subscript out of range) ADDITIONAL PARAMS: \r\npValue = 2,5\r\n");
  EXPECT_NE(entries[1].find("SOURCE: Vestrel.modDDE.WriteValue->Vestrel.modDDE.GetFloatS IN "
                            "LINE: 3."),
            std::string::npos);
  EXPECT_NE(entries[1].find("pPos = 29\r\npSize = 16\r\n"), std::string::npos);

  for (const auto& header : {XLTableBuilder().Header(0, 3), XLTableBuilder().Header(3, 0)}) {
    DecoderRig empty;
    EXPECT_EQ(empty.Parse(XLTableBuilder(header).Strings({"a"}).Bytes()), 9);
  }
}

TEST(XLTableDecoder, AHugeAnnouncedTableCostsOnlyTheCellsWritten) {
  DecoderRig rig;
  XLTableBuilder builder;
  builder.Header(65535, 65535).Strings({"a", "b"}).Skip(65533);
  for (int row = 2; row <= 65535; ++row) {
    builder.Skip(65535);
  }
  EXPECT_EQ(rig.Parse(builder.Bytes()), 0);
  const DecodedTable& table = rig.decoder.Table();
  EXPECT_EQ(table.StoredCells(), 2U);
  EXPECT_EQ(table.Cell(1, 2), "b");
  EXPECT_EQ(table.Cell(65535, 65535), "");
  EXPECT_EQ(rig.intakeIds.size(), 1U);
}

TEST(XLTableDecoder, APokeDecodedDuringTheIntakeRefillsTheSameTableSafely) {
  FakeLogServices services;
  std::vector<std::string> seen;
  XLTableDecoder* self = nullptr;
  const auto second = XLTableBuilder().Header(1, 1).Strings({"second"}).Bytes();
  XLTableDecoder decoder(services.Log, services.AppLog, services.Regional,
                         [&](std::int32_t id, const DecodedTable& table) {
                           seen.push_back(table.Cell(1, 1));
                           if (seen.size() == 1) {
                             std::int32_t nested = id;
                             self->Decode(nested, second);  // a poke during a modal wait
                             seen.push_back(table.Cell(1, 1));
                           }
                         });
  self = &decoder;
  std::int32_t id = 1;
  decoder.Decode(id, XLTableBuilder().Header(1, 1).Strings({"first"}).Bytes());
  EXPECT_EQ(seen, (std::vector<std::string>{"first", "second", "second"}));
}

}  // namespace
}  // namespace vestrel
