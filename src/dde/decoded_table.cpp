#include "dde/decoded_table.h"

#include <algorithm>
#include <limits>

#include "common/app_error.h"

namespace vestrel {
namespace {

const std::string kEmptyCell;

constexpr int kFirstSlotBits = 6;
// Index sizes up to this many slots are kept from one table to the next, so
// the steady stream of same-sized pokes allocates nothing.
constexpr std::size_t kKeptSlots = std::size_t{1} << 12;

}  // namespace

void DecodedTable::Reset(std::int32_t rows, std::int32_t columns) {
  const std::size_t previousCells = cells_.size();
  hasBounds_ = true;
  rows_ = rows;
  columns_ = columns;
  cells_.clear();
  if (slots_.size() > kKeptSlots && slots_.size() > 4 * previousCells) {
    // The storage was sized for an earlier, larger table: give it back.
    std::vector<StoredCell>().swap(cells_);
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
  if (cells_.size() >= std::numeric_limits<std::uint32_t>::max() / 2) {
    throw AppError(kErrOutOfMemory, kProgramSource, "Out of memory");
  }
  slotBits_ = slotBits_ == 0 ? kFirstSlotBits : slotBits_ + 1;
  slots_.assign(std::size_t{1} << slotBits_, 0U);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t position = 0; position < cells_.size(); ++position) {
    std::size_t slot = FirstSlot(cells_[position].Key);
    while (slots_[slot] != 0) {
      slot = (slot + 1) & mask;
    }
    slots_[slot] = static_cast<std::uint32_t>(position + 1);
  }
}

const std::string& DecodedTable::Cell(std::int32_t row, std::int32_t column) const {
  if (!hasBounds_ || row < 0 || row > rows_ || column < 0 || column > columns_) {
    RaiseSubscriptOutOfRange();
  }
  if (slots_.empty()) {
    return kEmptyCell;
  }
  const std::uint64_t key = Key(row, column);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t slot = FirstSlot(key);; slot = (slot + 1) & mask) {
    const std::uint32_t entry = slots_[slot];
    if (entry == 0) {
      return kEmptyCell;
    }
    const StoredCell& cell = cells_[entry - 1];
    if (cell.Key == key) {
      return cell.Text;
    }
  }
}

template <class Text>
void DecodedTable::Store(std::int32_t row, std::int32_t column, Text&& text) {
  if (!hasBounds_ || row < 1 || row > rows_ || column < 1 || column > columns_) {
    RaiseSubscriptOutOfRange();
  }
  if (2 * (cells_.size() + 1) > slots_.size()) {
    Grow();
  }
  const std::uint64_t key = Key(row, column);
  const std::size_t mask = slots_.size() - 1;
  std::size_t slot = FirstSlot(key);
  for (; slots_[slot] != 0; slot = (slot + 1) & mask) {
    StoredCell& cell = cells_[slots_[slot] - 1];
    if (cell.Key == key) {
      cell.Text = std::forward<Text>(text);
      return;
    }
  }
  cells_.emplace_back(key, std::forward<Text>(text));
  slots_[slot] = static_cast<std::uint32_t>(cells_.size());
}

void DecodedTable::Set(std::int32_t row, std::int32_t column, std::string text) {
  Store(row, column, std::move(text));
}

void DecodedTable::Assign(std::int32_t row, std::int32_t column, std::string_view text) {
  Store(row, column, text);
}

}  // namespace vestrel
