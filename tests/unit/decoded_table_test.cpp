#include "dde/decoded_table.h"

#include <gtest/gtest.h>

#include <bit>
#include <limits>
#include <optional>
#include <string>

#include "common/app_error.h"
#include "common/conversions.h"

namespace vestrel {
namespace {

std::int32_t ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const AppError& error) {
    return error.Number;
  }
  return 0;
}

TEST(DecodedTable, HasNoBoundsBeforeTheFirstResetAndChecksThemAfter) {
  DecodedTable table;
  EXPECT_FALSE(table.HasBounds());
  EXPECT_EQ(ErrorOf([&] { (void)table.Cell(0, 0); }), 9);
  EXPECT_EQ(ErrorOf([&] { table.Set(1, 1, "x"); }), 9);

  table.Reset(3, 2);
  EXPECT_EQ(table.Cell(0, 0), "");
  EXPECT_EQ(table.Cell(3, 2), "");
  for (const auto& [row, column] : {std::pair{4, 1}, {1, 3}, {-1, 0}, {0, -1}}) {
    EXPECT_EQ(ErrorOf([&] { (void)table.Cell(row, column); }), 9) << row << "," << column;
  }
  EXPECT_EQ(ErrorOf([&] { table.Set(0, 1, "x"); }), 9);
  EXPECT_EQ(ErrorOf([&] { table.Set(1, 0, "x"); }), 9);
}

TEST(DecodedTable, CellsWrittenInAnyOrderReadBackAndResetEmptiesThem) {
  DecodedTable table;
  table.Reset(300, 300);
  // Written backwards and scattered, so the index grows and rehashes.
  for (std::int32_t row = 300; row >= 1; row -= 3) {
    for (std::int32_t column = 300; column >= 1; column -= 7) {
      table.Set(row, column, std::to_string(row) + ":" + std::to_string(column));
    }
  }
  table.Set(300, 300, "again");
  EXPECT_EQ(table.StoredCells(), 100U * 43U);
  for (std::int32_t row = 0; row <= 300; ++row) {
    for (std::int32_t column = 0; column <= 300; ++column) {
      const bool written =
          row >= 1 && (300 - row) % 3 == 0 && column >= 1 && (300 - column) % 7 == 0;
      const std::string expected = row == 300 && column == 300 ? "again"
                                   : written ? std::to_string(row) + ":" + std::to_string(column)
                                             : "";
      ASSERT_EQ(table.Cell(row, column), expected) << row << "," << column;
    }
  }

  table.Reset(2, 2);
  EXPECT_EQ(table.StoredCells(), 0U);
  EXPECT_EQ(table.Cell(1, 1), "");
  table.Set(2, 1, "");
  EXPECT_EQ(table.StoredCells(), 1U);
  EXPECT_EQ(table.Cell(2, 1), "");
  EXPECT_EQ(table.Rows(), 2);
}

TEST(DecodedTable, NumberCellsReadAsTheirTextAndCellsChangeKindWhenRewritten) {
  DecodedTable table;
  for (const auto& [rows, columns] : {std::pair{2, 2}, {300, 300}}) {  // both index kinds
    table.Reset(rows, columns);
    table.AssignNumber(1, 1, 101.5, ',');
    table.AssignNumber(1, 2, 98650, '.');
    table.Set(2, 1, "text");
    EXPECT_EQ(table.Cell(1, 1), "101,5");
    EXPECT_EQ(table.Cell(1, 2), "98650");
    table.Set(1, 1, "now text");
    table.AssignNumber(2, 1, 0.25, '.');
    table.AssignNumber(2, 2, 5, '.');  // never read
    EXPECT_EQ(table.Cell(1, 1), "now text");
    EXPECT_EQ(table.Cell(2, 1), "0.25");
    EXPECT_EQ(table.StoredCells(), 4U);

    // The next table reuses the storage: nothing of this one shows through.
    table.Reset(rows, columns);
    table.Assign(1, 1, "a");
    table.Assign(1, 2, "b");
    table.Assign(2, 1, "c");
    table.Assign(2, 2, "d");
    EXPECT_EQ(table.Cell(1, 1), "a");
    EXPECT_EQ(table.Cell(2, 2), "d");
  }
}

TEST(DecodedTable, WholeNumbersReadWithoutTheirTextAsTheTextWouldRead) {
  DecodedTable table;
  table.Reset(1, 12);
  const double values[] = {98650,
                           -42,
                           -0.0,
                           999999999999999,
                           1e15,
                           71.24,
                           0.1 + 0.2,
                           std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::quiet_NaN()};
  std::int32_t column = 0;
  for (const double value : values) {
    table.AssignNumber(1, ++column, value, ',');
  }
  table.Assign(1, ++column, "98650");
  for (column = 1; column <= 3; ++column) {  // -0 reads as 0, as "0" does
    const std::optional<double> whole = table.WholeNumber(1, column, ',');
    ASSERT_TRUE(whole.has_value()) << column;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(*whole),
              std::bit_cast<std::uint64_t>(ToNumber(table.Cell(1, column), ',')))
        << table.Cell(1, column);
  }
  EXPECT_EQ(table.WholeNumber(1, 4, ','), 999999999999999.0);
  // The rest read their text: beyond plain digits, fractions, no number at
  // all, a text cell, another separator, a cell never written.
  for (column = 5; column <= 10; ++column) {
    EXPECT_FALSE(table.WholeNumber(1, column, ',').has_value()) << column;
  }
  EXPECT_FALSE(table.WholeNumber(1, 1, '.').has_value());
  EXPECT_FALSE(table.WholeNumber(1, 11, ',').has_value());
  EXPECT_EQ(ErrorOf([&] { (void)table.WholeNumber(1, 13, ','); }), 9);
}

}  // namespace
}  // namespace vestrel
