#include "paper/paper_trading.h"

#include "diag/error_scope.h"
#include "trading/trading_text.h"

namespace vestrel {

std::string PaperFillText(const Fill& fill, char decimalSeparator) {
  return std::string(kPaperFillPrefix) + FillText(fill, decimalSeparator);
}

PaperTrading::PaperTrading(LogDispatcher& log, const RegionalSettings& regional,
                           MainWindowModel& window, TradingState& state, TradingDisplay& display)
    : log_(log), window_(window), state_(state), display_(display), exchange_(regional, &state) {}

void PaperTrading::Open() {
  open_ = true;
  state_.SnapshotComplete();
  window_.SetWindowCaption(window_.WindowCaption() + std::string(kPaperCaptionSuffix));
  display_.Open(std::string(kPaperFillPrefix));
}

void PaperTrading::BookChanged(const BookView& book) {
  ErrorScope scope(log_, "Vestrel.modPaper.BookChanged", ParamRef("lowestSell", book.LowestSell),
                   ParamRef("highestBuy", book.HighestBuy));
  scope.Stop([&] {
    scope.Line = 1;
    display_.BookChanged(book);
    exchange_.BookChanged(book.LowestSell, book.HighestBuy);
    scope.Line = 2;
    display_.Show();
  });
}

}  // namespace vestrel
