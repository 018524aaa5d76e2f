#include "dde/decoded_table.h"

#include <gtest/gtest.h>

#include <string>

#include "common/app_error.h"

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

}  // namespace
}  // namespace vestrel
