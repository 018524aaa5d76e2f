#include "trade/trading_display.h"

#include <exception>
#include <utility>
#include <vector>

#include "models/both_logs.h"
#include "trading/trading_text.h"

namespace vestrel {

void TradingDisplay::Open(std::string fillPrefix) {
  fillPrefix_ = std::move(fillPrefix);
  open_ = true;
  window_.SetVisible(ControlId::lblPaper, true);
  Show();
}

void TradingDisplay::BookChanged(const BookView& book) {
  // A long position closes against the highest buy, a short one against the
  // lowest sell.
  bestBuy_ = book.HighestBuy;
  bestSell_ = book.LowestSell;
}

void TradingDisplay::Show() {
  if (!open_) {
    return;
  }
  const char separator = regional_.DecimalSeparator();
  std::vector<std::string> records;
  for (const Fill& fill : state_.TakeNewFills()) {
    records.push_back(fillPrefix_ + FillText(fill, separator));
    if (sounds_ != nullptr) {
      sounds_->OnFill();
    }
  }
  window_.SetCaption(ControlId::lblPaper, TradingLabelText(state_, bestBuy_, bestSell_, separator));
  std::exception_ptr failure;
  for (const std::string& record : records) {
    try {
      WriteBothLogs(appLog_, record, EventType::Information, logWindow_, record);
    } catch (...) {
      failure = failure ? failure : std::current_exception();
    }
  }
  if (failure) {
    std::rethrow_exception(failure);
  }
}

}  // namespace vestrel
