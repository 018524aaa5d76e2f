#include "ladder/ladder_model.h"

#include <algorithm>

#include "common/conversions.h"
#include "trading/trading_text.h"

namespace vestrel {
namespace {

std::string LotsText(char side, std::int64_t lots) { return side + IntegerText(lots); }

std::string RowText(const LadderRow& row, char separator) {
  std::string text = NumberText(row.Price, separator);
  text += '\t';
  if (row.Buy > 0) {
    text += IntegerText(row.Buy);
  }
  text += '\t';
  if (row.Sell > 0) {
    text += IntegerText(row.Sell);
  }
  text += '\t';
  if (row.MyBuy > 0) {
    text += LotsText('B', row.MyBuy);
  }
  if (row.MySell > 0) {
    if (row.MyBuy > 0) {
      text += ' ';
    }
    text += LotsText('S', row.MySell);
  }
  return text;
}

}  // namespace

LadderModel::LadderModel(const OrderSettings& orders, const RegionalSettings& regional,
                         const Clock& clock)
    : orders_(orders), regional_(regional), clock_(clock) {}

void LadderModel::BookChanged(const BookView& book) {
  finder_.See(book);
  book_ = book;
  if (changed_) {
    changed_();
  }
}

void LadderModel::SetRowCount(std::int32_t rows) {
  rows = std::max(rows, 0);
  if (rows != rowCount_) {
    rowCount_ = rows;
    if (!Holding()) {
      centreDue_ = true;
    }
  }
}

void LadderModel::Scroll(std::int32_t rows) {
  topStep_ += rows;
  scrolledUs_ = clock_.MonotonicMicroseconds();
}

void LadderModel::Centre() {
  scrolledUs_.reset();
  centreDue_ = true;
}

std::optional<double> LadderModel::Tick() const {
  if (orders_.Tick > 0) {
    return orders_.Tick;
  }
  return finder_.Tick();
}

std::string LadderModel::HeaderText() const {
  const std::optional<double> tick = Tick();
  if (!tick) {
    return "tick ?";
  }
  std::string text = "tick " + NumberText(*tick, regional_.DecimalSeparator());
  if (!(orders_.Tick > 0)) {
    text += " (from the book)";
  }
  return text;
}

std::string LadderModel::FooterText() const {
  if (state_ == nullptr) {
    return {};
  }
  std::optional<double> bestBuy;
  std::optional<double> bestSell;
  if (book_) {
    bestBuy = book_->BestBuy;
    bestSell = book_->BestSell;
  }
  return TradingLabelText(*state_, bestBuy, bestSell, regional_.DecimalSeparator());
}

bool LadderModel::Holding() const {
  return scrolledUs_ && clock_.MonotonicMicroseconds() - *scrolledUs_ < kScrollHoldUs;
}

void LadderModel::Recentre(std::int64_t bestSell, std::int64_t bestBuy) {
  // The spread's middle on the middle row (a crossed book still centres).
  const std::int64_t middle = bestBuy + (bestSell - bestBuy) / 2;
  topStep_ = middle + rowCount_ / 2;
}

std::vector<std::int32_t> LadderModel::Update() {
  const std::optional<double> tick = Tick();
  std::vector<LadderRow> rows;
  if (tick && book_ && rowCount_ > 0) {
    const std::optional<std::int64_t> bestSell = GridStep(book_->BestSell, *tick);
    const std::optional<std::int64_t> bestBuy = GridStep(book_->BestBuy, *tick);
    if (bestSell && bestBuy) {
      if (gridTick_ != tick) {
        gridTick_ = tick;
        centreDue_ = true;
        scrolledUs_.reset();
      }
      if (!Holding()) {
        scrolledUs_.reset();
        const std::int64_t third = rowCount_ / 3;
        const auto inMiddle = [&](std::int64_t step) {
          const std::int64_t row = topStep_ - step;
          return row >= third && row < rowCount_ - third;
        };
        if (centreDue_ || !inMiddle(*bestSell) || !inMiddle(*bestBuy)) {
          Recentre(*bestSell, *bestBuy);
        }
        centreDue_ = false;
      }
      rows = BuildRows(*tick);
    }
  }
  std::vector<std::int32_t> changed;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (i >= rows_.size() || !(rows[i] == rows_[i])) {
      changed.push_back(static_cast<std::int32_t>(i));
    }
  }
  rows_ = std::move(rows);
  return changed;
}

std::vector<LadderRow> LadderModel::BuildRows(double tick) const {
  std::vector<LadderRow> rows(static_cast<std::size_t>(rowCount_));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    rows[i].Price = static_cast<double>(topStep_ - static_cast<std::int64_t>(i)) * tick;
  }
  // The row of a price, if it is in view.
  const auto rowOf = [&](double price) -> LadderRow* {
    const std::optional<std::int64_t> step = GridStep(price, tick);
    if (!step) {
      return nullptr;
    }
    const std::int64_t index = topStep_ - *step;
    return index >= 0 && index < rowCount_ ? &rows[static_cast<std::size_t>(index)] : nullptr;
  };
  for (const BookLevel& level : book_->SellLevels) {
    if (LadderRow* row = rowOf(level.Price)) {
      row->Sell += level.Volume;
    }
  }
  for (const BookLevel& level : book_->BuyLevels) {
    if (LadderRow* row = rowOf(level.Price)) {
      row->Buy += level.Volume;
    }
  }
  if (LadderRow* row = rowOf(book_->BestSell)) {
    row->BestSell = true;
  }
  if (LadderRow* row = rowOf(book_->BestBuy)) {
    row->BestBuy = true;
  }
  if (book_->LargestSell.Volume > 0) {
    if (LadderRow* row = rowOf(book_->LargestSell.Price)) {
      row->LargestSell = true;
    }
  }
  if (book_->LargestBuy.Volume > 0) {
    if (LadderRow* row = rowOf(book_->LargestBuy.Price)) {
      row->LargestBuy = true;
    }
  }
  if (state_ != nullptr) {
    for (const WorkingOrder& order : state_->WorkingOrders()) {
      if (LadderRow* row = rowOf(order.Price)) {
        (order.Side == OrderSide::Buy ? row->MyBuy : row->MySell) += order.LotsLeft;
      }
    }
    const Position& position = state_->CurrentPosition();
    if (position.Quantity() != 0) {
      if (LadderRow* row = rowOf(position.AveragePrice())) {
        row->Average = true;
      }
    }
  }
  std::int64_t largest = 0;
  for (const LadderRow& row : rows) {
    largest = std::max({largest, row.Buy, row.Sell});
  }
  const char separator = regional_.DecimalSeparator();
  for (LadderRow& row : rows) {
    if (largest > 0) {
      row.BuyBar = static_cast<double>(row.Buy) / static_cast<double>(largest);
      row.SellBar = static_cast<double>(row.Sell) / static_cast<double>(largest);
    }
    row.Text = RowText(row, separator);
  }
  return rows;
}

std::optional<LadderClick> LadderModel::ClickAt(std::int32_t row, std::int32_t x,
                                                std::int32_t width) const {
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size() || width <= 0 || x < 0 ||
      x >= width) {
    return std::nullopt;
  }
  const std::int64_t third = std::int64_t{x} * 3 / width;
  const LadderColumn column = third == 0   ? LadderColumn::Buy
                              : third == 1 ? LadderColumn::Price
                                           : LadderColumn::Sell;
  return LadderClick{column, rows_[static_cast<std::size_t>(row)].Price};
}

}  // namespace vestrel
