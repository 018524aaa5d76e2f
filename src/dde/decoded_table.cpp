#include "dde/decoded_table.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/app_error.h"
#include "dde/cell_text.h"

namespace vestrel {
namespace {

const std::string kEmptyCell;

// Tables of up to this many cells, rows and columns 0 included, are indexed
// directly (64 KB of index at most).
constexpr std::uint64_t kDenseSlots = std::uint64_t{1} << 14;
constexpr int kFirstSlotBits = 6;
// Storage up to these sizes is kept from one table to the next, so the steady
// stream of same-sized pokes allocates nothing.
constexpr std::size_t kKeptSlots = std::size_t{1} << 12;
constexpr std::size_t kKeptCells = kKeptSlots / 2;
// Below this a whole number's cell text is its plain digits.
constexpr double kWholeDigitsLimit = 1e15;

}  // namespace

void DecodedTable::Reset(std::int32_t rows, std::int32_t columns) {
  const std::size_t previousCells = usedCells_;
  hasBounds_ = true;
  rows_ = rows;
  columns_ = columns;
  usedCells_ = 0;
  if (cells_.size() > kKeptCells && cells_.size() > 4 * previousCells) {
    // The storage was sized for an earlier, larger table: give it back.
    std::vector<StoredCell>().swap(cells_);
  }
  const std::uint64_t grid =
      (static_cast<std::uint64_t>(rows) + 1) * (static_cast<std::uint64_t>(columns) + 1);
  if (grid <= kDenseSlots) {
    dense_ = true;
    slotBits_ = 0;
    slots_.assign(static_cast<std::size_t>(grid), 0U);
  } else if (dense_ || (slots_.size() > kKeptSlots && slots_.size() > 4 * previousCells)) {
    dense_ = false;
    std::vector<std::uint32_t>().swap(slots_);
    slotBits_ = 0;
  } else {
    std::fill(slots_.begin(), slots_.end(), 0U);
  }
}

std::size_t DecodedTable::FirstSlot(std::uint64_t key) const {
  // Fibonacci hashing: neighbouring keys land far apart.
  return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> (64 - slotBits_));
}

void DecodedTable::Grow() {
  slotBits_ = slotBits_ == 0 ? kFirstSlotBits : slotBits_ + 1;
  slots_.assign(std::size_t{1} << slotBits_, 0U);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t position = 0; position < usedCells_; ++position) {
    std::size_t slot = FirstSlot(cells_[position].Key);
    while (slots_[slot] != 0) {
      slot = (slot + 1) & mask;
    }
    slots_[slot] = static_cast<std::uint32_t>(position + 1);
  }
}

const DecodedTable::StoredCell* DecodedTable::Find(std::int32_t row, std::int32_t column) const {
  if (!hasBounds_ || row < 0 || row > rows_ || column < 0 || column > columns_) {
    RaiseSubscriptOutOfRange();
  }
  if (slots_.empty()) {
    return nullptr;
  }
  std::uint32_t entry = 0;
  if (dense_) {
    entry = slots_[DenseKey(row, column)];
  } else {
    const std::uint64_t key = Key(row, column);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = FirstSlot(key);; slot = (slot + 1) & mask) {
      entry = slots_[slot];
      if (entry == 0 || cells_[entry - 1].Key == key) {
        break;
      }
    }
  }
  return entry == 0 ? nullptr : &cells_[entry - 1];
}

const std::string& DecodedTable::Cell(std::int32_t row, std::int32_t column) const {
  const StoredCell* cell = Find(row, column);
  if (cell == nullptr) {
    return kEmptyCell;
  }
  if (cell->Pending) {
    CellTextBuffer buffer;
    cell->Text.assign(FloatCellText(cell->Number, cell->DecimalSeparator, buffer));
    cell->Pending = false;
  }
  return cell->Text;
}

std::optional<double> DecodedTable::WholeNumber(std::int32_t row, std::int32_t column,
                                                char decimalSeparator) const {
  const StoredCell* cell = Find(row, column);
  if (cell == nullptr || !cell->IsNumber || cell->DecimalSeparator != decimalSeparator) {
    return std::nullopt;
  }
  // Whole numbers below 1E+15 are written as their plain digits, which read
  // back exactly (doubles hold every integer up to 2^53); zero is written "0"
  // whatever its sign. NaN and the infinities fail the first test.
  const double value = cell->Number;
  if (!(std::fabs(value) < kWholeDigitsLimit) || std::trunc(value) != value) {
    return std::nullopt;
  }
  return value + 0.0;
}

std::optional<double> DecodedTable::StoredNumber(std::int32_t row, std::int32_t column,
                                                 char decimalSeparator) const {
  const StoredCell* cell = Find(row, column);
  if (cell == nullptr || !cell->IsNumber || cell->DecimalSeparator != decimalSeparator) {
    return std::nullopt;
  }
  return cell->Number;
}

bool DecodedTable::HoldsValue(std::int32_t row, std::int32_t column) const {
  const StoredCell* cell = Find(row, column);
  return cell != nullptr &&
         (cell->IsNumber || cell->Text.find_first_not_of(" \t") != std::string::npos);
}

DecodedTable::StoredCell& DecodedTable::StoreAnywhere(std::int32_t row, std::int32_t column) {
  if (!hasBounds_ || row < 1 || row > rows_ || column < 1 || column > columns_) {
    RaiseSubscriptOutOfRange();
  }
  const std::uint64_t key = Key(row, column);
  std::uint32_t* slot = nullptr;
  if (dense_) {
    slot = &slots_[static_cast<std::size_t>(key)];
  } else {
    if (usedCells_ >= std::numeric_limits<std::uint32_t>::max() / 2) {
      Raise(errors::OutOfMemory);
    }
    if (2 * (usedCells_ + 1) > slots_.size()) {
      Grow();
    }
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = FirstSlot(key);
    while (slots_[at] != 0 && cells_[slots_[at] - 1].Key != key) {
      at = (at + 1) & mask;
    }
    slot = &slots_[at];
  }
  if (*slot != 0) {
    StoredCell& cell = cells_[*slot - 1];
    cell.Pending = false;
    cell.IsNumber = false;
    return cell;
  }
  if (usedCells_ == cells_.size()) {
    cells_.emplace_back();
  }
  StoredCell& cell = cells_[usedCells_++];
  cell.Key = key;
  cell.Pending = false;
  cell.IsNumber = false;
  *slot = static_cast<std::uint32_t>(usedCells_);
  return cell;
}

void DecodedTable::Set(std::int32_t row, std::int32_t column, std::string text) {
  Store(row, column).Text = std::move(text);
}

void DecodedTable::Assign(std::int32_t row, std::int32_t column, std::string_view text) {
  Store(row, column).Text.assign(text);
}

}  // namespace vestrel
