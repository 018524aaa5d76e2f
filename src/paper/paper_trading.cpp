#include "paper/paper_trading.h"

#include <exception>
#include <vector>

#include "common/conversions.h"
#include "diag/error_scope.h"
#include "models/both_logs.h"
#include "trading/trading_text.h"

namespace vestrel {

std::string PaperFillText(const Fill& fill, char decimalSeparator) {
  return "PAPER " + FillText(fill, decimalSeparator);
}

PaperTrading::PaperTrading(LogDispatcher& log, EventLog& appLog, const RegionalSettings& regional,
                           MainWindowModel& window, LogWindowModel& logWindow)
    : log_(log),
      appLog_(appLog),
      regional_(regional),
      window_(window),
      logWindow_(logWindow),
      exchange_(regional, &state_) {
  state_.SnapshotComplete();
}

void PaperTrading::Open() {
  open_ = true;
  window_.SetWindowCaption(window_.WindowCaption() + std::string(kPaperCaptionSuffix));
  window_.SetCaption(ControlId::lblPaper, PositionText(Position(), regional_.DecimalSeparator()));
  window_.SetVisible(ControlId::lblPaper, true);
}

void PaperTrading::BookChanged(const BookView& book) {
  ErrorScope scope(log_, "Vestrel.modPaper.BookChanged", ParamRef("lowestSell", book.LowestSell),
                   ParamRef("highestBuy", book.HighestBuy));
  scope.Stop([&] {
    scope.Line = 1;
    exchange_.BookChanged(book.LowestSell, book.HighestBuy);
    const std::vector<Fill> fills = state_.TakeNewFills();
    if (fills.empty()) {
      return;
    }
    scope.Line = 2;
    const char separator = regional_.DecimalSeparator();
    std::vector<std::string> records;
    records.reserve(fills.size());
    for (const Fill& fill : fills) {
      records.push_back(PaperFillText(fill, separator));
    }
    if (sounds_ != nullptr) {
      for (std::size_t i = 0; i < fills.size(); ++i) {
        sounds_->OnFill();
      }
    }
    scope.Line = 3;
    window_.SetCaption(ControlId::lblPaper, PositionText(Position(), separator));
    scope.Line = 4;
    // Every record goes out that can: the first failure is reported once
    // the others are written.
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
  });
}

}  // namespace vestrel
