#include "xltable_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "dde/xltable_decoder.h"
#include "fakes/fake_ports.h"

namespace vestrel::xltable {
namespace {

using Grid = std::vector<std::vector<std::string>>;
using Bytes = std::vector<std::uint8_t>;

// The panel's decoder over the bytes: the table's cells 1..R x 1..C, with '.'
// as the decimal separator.
Grid Decode(const Bytes& bytes) {
  testing::FakeLogServices services;
  services.Regional.Separator = '.';
  XLTableDecoder decoder(services.Log, services.AppLog, services.Regional, nullptr);
  std::int32_t instance = 1;
  decoder.Decode(instance, bytes);
  EXPECT_TRUE(services.AppLog.Entries.empty());
  const DecodedTable& table = decoder.Table();
  Grid grid;
  for (std::int32_t r = 1; r <= table.Rows(); ++r) {
    auto& row = grid.emplace_back();
    for (std::int32_t c = 1; c <= table.Columns(); ++c) {
      row.push_back(table.Cell(r, c));
    }
  }
  return grid;
}

Bytes Join(const std::vector<Bytes>& parts) {
  Bytes joined;
  for (const Bytes& part : parts) {
    joined.insert(joined.end(), part.begin(), part.end());
  }
  return joined;
}

TEST(XLTableWriter, TheItemNamesTheSheetsRange) {
  EXPECT_EQ(RangeItem(21, 3), "R1C1:R21C3");
  EXPECT_EQ(RangeItem(1, 1), "R1C1:R1C1");
}

TEST(XLTableWriter, RunsOfOneKindBecomeOneBlockAndEmptyCellsBlankBlocks) {
  const Sheet sheet{{std::string("PRICE"), std::string("VOL"), std::monostate{}},
                    {101.5, std::monostate{}, std::monostate{}},
                    {std::monostate{}, 7.0, 3.0}};
  const Bytes expected = Join({
      {0x10, 0x00, 0x04, 0x00, 0x03, 0x00, 0x03, 0x00},                        // header: 3 x 3
      {0x02, 0x00, 0x0A, 0x00, 5, 'P', 'R', 'I', 'C', 'E', 3, 'V', 'O', 'L'},  // 2 strings
      {0x05, 0x00, 0x02, 0x00, 0x01, 0x00},                                    // 1 blank
      {0x01, 0x00, 0x08, 0x00, 0, 0, 0, 0, 0, 0x60, 0x59, 0x40},               // 101.5
      {0x05, 0x00, 0x02, 0x00, 0x03, 0x00},                                    // 3 blanks
      {0x01, 0x00, 0x10, 0x00},                                                // 2 floats:
      {0, 0, 0, 0, 0, 0, 0x1C, 0x40},                                          // 7
      {0, 0, 0, 0, 0, 0, 0x08, 0x40},                                          // 3
  });
  EXPECT_EQ(EncodeXLTable(sheet), expected);
  EXPECT_EQ(Decode(expected), (Grid{{"PRICE", "VOL", ""}, {"101.5", "", ""}, {"", "7", "3"}}));
}

TEST(XLTableWriter, LongRunsAreCutAtTheBlockSizeLimit) {
  // 300 strings of 255 bytes: 76 800 bytes, more than one block holds.
  Sheet texts(1);
  for (int i = 0; i < 300; ++i) {
    texts[0].emplace_back(std::string(255, static_cast<char>('a' + i % 26)));
  }
  const Bytes encoded = EncodeXLTable(texts);
  EXPECT_EQ(encoded[8], 0x02);
  const std::size_t firstSize = encoded[10] | (encoded[11] << 8);
  EXPECT_EQ(firstSize, 256U * 255U);  // 255 whole strings
  const Grid decoded = Decode(encoded);
  ASSERT_EQ(decoded.size(), 1U);
  ASSERT_EQ(decoded[0].size(), 300U);
  EXPECT_EQ(decoded[0][299], std::string(255, static_cast<char>('a' + 299 % 26)));

  // 80 000 empty cells: two blank blocks; then one number.
  Sheet blanks(2, std::vector<Cell>(40000));
  blanks[1].back() = 1.0;
  const Bytes blankBytes = EncodeXLTable(blanks);
  EXPECT_EQ(blankBytes.size(), 8U + 6U + 6U + 12U);
  const Grid decodedBlanks = Decode(blankBytes);
  ASSERT_EQ(decodedBlanks.size(), 2U);
  EXPECT_EQ(decodedBlanks[1].back(), "1");
  EXPECT_EQ(decodedBlanks[1][39998], "");

  // A text longer than 255 bytes keeps its first 255.
  EXPECT_EQ(Decode(EncodeXLTable({{std::string(300, 'x')}}))[0][0], std::string(255, 'x'));
}

TEST(XLTableWriter, SheetsBeyondTheFormatAreRejected) {
  EXPECT_THROW(EncodeXLTable(Sheet(65536, std::vector<Cell>(1))), std::invalid_argument);
  EXPECT_THROW(EncodeXLTable(Sheet{{1.0, 2.0}, {1.0}}), std::invalid_argument);
  EXPECT_EQ(EncodeXLTable({}), (Bytes{0x10, 0, 4, 0, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace vestrel::xltable
