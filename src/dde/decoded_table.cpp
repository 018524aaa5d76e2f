#include "dde/decoded_table.h"

#include <algorithm>

#include "diag/app_error.h"

namespace vestrel {
namespace {

const std::string kEmptyCell;

}  // namespace

void DecodedTable::Reset(std::int32_t rows, std::int32_t columns) {
  hasBounds_ = true;
  rows_ = rows;
  columns_ = columns;
  cells_.clear();
}

std::int64_t DecodedTable::Index(std::int32_t row, std::int32_t column) const {
  return static_cast<std::int64_t>(row) * (static_cast<std::int64_t>(columns_) + 1) + column;
}

const std::string& DecodedTable::Cell(std::int32_t row, std::int32_t column) const {
  if (!hasBounds_ || row < 0 || row > rows_ || column < 0 || column > columns_) {
    RaiseSubscriptOutOfRange();
  }
  const std::int64_t index = Index(row, column);
  const auto found = std::lower_bound(cells_.begin(), cells_.end(), index,
                                      [](const std::pair<std::int64_t, std::string>& cell,
                                         std::int64_t key) { return cell.first < key; });
  return found != cells_.end() && found->first == index ? found->second : kEmptyCell;
}

void DecodedTable::Set(std::int32_t row, std::int32_t column, std::string text) {
  if (!hasBounds_ || row < 1 || row > rows_ || column < 1 || column > columns_) {
    RaiseSubscriptOutOfRange();
  }
  const std::int64_t index = Index(row, column);
  if (cells_.empty() || cells_.back().first < index) {
    cells_.emplace_back(index, std::move(text));
    return;
  }
  const auto found = std::lower_bound(cells_.begin(), cells_.end(), index,
                                      [](const std::pair<std::int64_t, std::string>& cell,
                                         std::int64_t key) { return cell.first < key; });
  if (found->first == index) {
    found->second = std::move(text);
  } else {
    cells_.emplace(found, index, std::move(text));
  }
}

}  // namespace vestrel
