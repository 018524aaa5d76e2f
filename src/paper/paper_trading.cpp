#include "paper/paper_trading.h"

#include <exception>
#include <vector>

#include "common/conversions.h"
#include "diag/error_scope.h"
#include "models/both_logs.h"

namespace vestrel {

std::string PaperPositionText(const PaperPosition& position, char decimalSeparator) {
  return "POSITION " + IntegerText(position.Quantity()) + " @ " +
         NumberText(position.AveragePrice(), decimalSeparator) + " | REALISED " +
         NumberText(position.Realised(), decimalSeparator);
}

std::string PaperFillText(const PaperFill& fill, const PaperPosition& after,
                          char decimalSeparator) {
  return std::string("PAPER FILL ") + (fill.Side == OrderSide::Buy ? "B " : "S ") +
         IntegerText(fill.Quantity) + " @ " + NumberText(fill.Price, decimalSeparator) + " | " +
         PaperPositionText(after, decimalSeparator);
}

PaperTrading::PaperTrading(LogDispatcher& log, EventLog& appLog, const RegionalSettings& regional,
                           MainWindowModel& window, LogWindowModel& logWindow)
    : log_(log),
      appLog_(appLog),
      regional_(regional),
      window_(window),
      logWindow_(logWindow),
      exchange_(regional) {}

void PaperTrading::Open() {
  open_ = true;
  window_.SetWindowCaption(window_.WindowCaption() + std::string(kPaperCaptionSuffix));
  window_.SetCaption(ControlId::lblPaper,
                     PaperPositionText(position_, regional_.DecimalSeparator()));
  window_.SetVisible(ControlId::lblPaper, true);
}

void PaperTrading::BookChanged(const BookView& book) {
  ErrorScope scope(log_, "Vestrel.modPaper.BookChanged", ParamRef("lowestSell", book.LowestSell),
                   ParamRef("highestBuy", book.HighestBuy));
  scope.Stop([&] {
    scope.Line = 1;
    const std::vector<PaperFill> fills = exchange_.BookChanged(book.LowestSell, book.HighestBuy);
    if (fills.empty()) {
      return;
    }
    scope.Line = 2;
    const char separator = regional_.DecimalSeparator();
    std::vector<std::string> records;
    records.reserve(fills.size());
    for (const PaperFill& fill : fills) {
      position_.Apply(fill.Side, fill.Quantity, fill.Price);
      records.push_back(PaperFillText(fill, position_, separator));
    }
    scope.Line = 3;
    window_.SetCaption(ControlId::lblPaper, PaperPositionText(position_, separator));
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
