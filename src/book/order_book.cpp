#include "book/order_book.h"

#include <cmath>
#include <optional>
#include <span>
#include <string>

#include "common/conversions.h"
#include "diag/error_scope.h"

namespace vestrel {
namespace {

// The decoded table is recorded as an array: the logs name it, never its cells.
const std::span<const std::string> kTableParam;

// (pHeight - 1) / 2: half the number of level rows, possibly with a half;
// rows are found from it with ToInteger (half to even).
double HalfLevels(std::int32_t pHeight) { return (static_cast<double>(pHeight) - 1.0) / 2.0; }

// A cell's number as ToNumber reads its text; a whole number's cell without
// making its text.
double CellNumber(const DecodedTable& table, std::int32_t row, std::int32_t column,
                  char separator) {
  if (const std::optional<double> whole = table.WholeNumber(row, column, separator)) {
    return *whole;
  }
  return ToNumber(table.Cell(row, column), separator);
}

// A table the decoder has never given bounds has no highest index at all.
std::int32_t HighestRow(const DecodedTable& table) {
  if (!table.HasBounds()) {
    RaiseSubscriptOutOfRange();
  }
  return table.Rows();
}

std::int32_t HighestColumn(const DecodedTable& table) {
  if (!table.HasBounds()) {
    RaiseSubscriptOutOfRange();
  }
  return table.Columns();
}

// Clears the check guard however the check ends.
class CheckGuard {
 public:
  explicit CheckGuard(bool& flag) : flag_(flag) { flag_ = true; }
  ~CheckGuard() { flag_ = false; }
  CheckGuard(const CheckGuard&) = delete;
  CheckGuard& operator=(const CheckGuard&) = delete;

 private:
  bool& flag_;
};

// The price of each row from first to last that holds one, lowest and
// highest; cells that are empty or not a number are passed over.
struct PriceRange {
  std::optional<double> Lowest;
  std::optional<double> Highest;
};

PriceRange RowPrices(const DecodedTable& table, std::int32_t first, std::int32_t last,
                     std::int32_t priceColumn, char separator) {
  PriceRange range;
  for (std::int64_t r = first; r <= last; ++r) {
    const auto row = static_cast<std::int32_t>(r);
    std::optional<double> price = table.WholeNumber(row, priceColumn, separator);
    if (!price) {
      const std::string& cell = table.Cell(row, priceColumn);
      if (cell.find_first_not_of(' ') == std::string::npos) {
        continue;
      }
      try {
        price = ToNumber(cell, separator);
      } catch (const AppError&) {
        continue;
      }
    }
    if (!range.Lowest || *price < *range.Lowest) {
      range.Lowest = price;
    }
    if (!range.Highest || *price > *range.Highest) {
      range.Highest = price;
    }
  }
  return range;
}

}  // namespace

OrderBook::OrderBook(LogDispatcher& log, const RegionalSettings& regional, MessageBox& messages,
                     MainWindowModel& window, MainWindowCloser& closer)
    : log_(log), regional_(regional), messages_(messages), window_(window), closer_(closer) {}

void OrderBook::DDEDataChanged(std::int32_t& pInstID, const DecodedTable& pData) {
  ErrorScope scope(log_, "Vestrel.modQT.DDEDataChanged", ParamRef("pInstID", pInstID),
                   ParamRef("pData()", kTableParam));
  scope.Stop([&] {
    scope.Line = 1;
    if (ddeInstance_ != 0 && pInstID == ddeInstance_ && !closeRequested_) {
      ChD(pData);
    }
  });
}

void OrderBook::RequestClose() {
  closeRequested_ = true;
  // A table that arrives while the wrong-table message waits asks too; the
  // window (which owns the message box) closes only once the trader has
  // acknowledged the message.
  if (inCheck_ || messageOpen_ || closerAsked_) {
    return;
  }
  closerAsked_ = true;
  closer_.RequestClose();
}

void OrderBook::WrongGlassMessageClosed() {
  messageOpen_ = false;
  if (closeRequested_) {
    RequestClose();
  }
}

bool OrderBook::CheckGStru(const DecodedTable& pData, std::int32_t& pPrice, std::int32_t& pBid,
                           std::int32_t& pAsk, std::int32_t& pHeight) {
  ErrorScope scope(log_, "Vestrel.frmMain.CheckGStru", ParamRef("pData()", kTableParam),
                   ParamRef("pPrice", pPrice), ParamRef("pBid", pBid), ParamRef("pAsk", pAsk));
  return scope.PassOn([&]() -> bool {
    scope.Line = 1;
    pPrice = -1;
    pBid = -1;
    pAsk = -1;
    scope.Line = 2;
    if (inCheck_ || messageOpen_) {
      return false;
    }
    scope.Line = 3;
    const CheckGuard guard(inCheck_);
    scope.Line = 4;
    pHeight = HighestRow(pData);
    scope.Line = 5;
    const std::int32_t lowest = 0;
    const std::int32_t highest = HighestColumn(pData);
    for (std::int64_t c = lowest; c <= highest; ++c) {
      const auto column = static_cast<std::int32_t>(c);
      const std::string& title = pData.Cell(1, column);
      if (title == "PRICE") {
        pPrice = column;
      } else if (title == "SELL_VOLUME") {
        pBid = column;
      } else if (title == "BUY_VOLUME") {
        pAsk = column;
      } else if (title == "VOLUME") {
        pBid = column;
        pAsk = column;
      }
    }
    scope.Line = 6;
    if (pPrice == -1 || pBid == -1 || pAsk == -1) {
      // Shown once the poke that brought the table has been answered; the
      // check counts as running until the trader closes it.
      messageOpen_ = true;
      messages_.ShowLater(kWrongGlassMessage, MessageIcon::None,
                          [this] { WrongGlassMessageClosed(); });
      return false;
    }
    scope.Line = 7;
    return true;
  });
}

void OrderBook::GetMaxSize(const DecodedTable& pData, const std::int32_t& pLine,
                           const std::int32_t& pPosPrice, const std::int32_t& pPosSize,
                           double& dblPrice, std::int32_t& lngSize, const std::int32_t& pHeight) {
  ErrorScope scope(log_, "Vestrel.frmMain.GetMaxSize", ParamRef("pData()", kTableParam),
                   ParamRef("pLine", pLine), ParamRef("pPosPrice", pPosPrice),
                   ParamRef("pPosSize", pPosSize), ParamRef("dblPrice", dblPrice),
                   ParamRef("lngSize", lngSize), ParamRef("pHeight", pHeight));
  scope.PassOn([&] {
    const char separator = regional_.DecimalSeparator();
    scope.Line = 1;
    lngSize = 0;
    scope.Line = 2;
    const std::int32_t last = ToInteger(HalfLevels(pHeight) + pLine - 1);
    for (std::int64_t r = pLine; r <= last; ++r) {
      const auto row = static_cast<std::int32_t>(r);
      scope.Line = 3;
      const double volume = CellNumber(pData, row, pPosSize, separator);
      if (volume > static_cast<double>(lngSize)) {
        scope.Line = 4;
        dblPrice = CellNumber(pData, row, pPosPrice, separator);
        scope.Line = 5;
        lngSize = ToInteger(volume);
      }
    }
  });
}

void OrderBook::ChD(const DecodedTable& pData) {
  ErrorScope scope(log_, "Vestrel.frmMain.ChD", ParamRef("pData()", kTableParam));
  scope.PassOn([&] {
    const char separator = regional_.DecimalSeparator();
    std::int32_t pPrice = 0;
    std::int32_t pBid = 0;
    std::int32_t pAsk = 0;
    std::int32_t pHeight = 0;
    double dblPrice = 0;
    std::int32_t lngSize = 0;

    scope.Line = 1;
    if (!CheckGStru(pData, pPrice, pBid, pAsk, pHeight)) {
      RequestClose();
      return;
    }

    scope.Line = 2;
    const std::int32_t sellLine = 2;
    GetMaxSize(pData, sellLine, pPrice, pBid, dblPrice, lngSize, pHeight);
    window_.SetCaption(ControlId::Label5, IntegerText(lngSize));
    window_.SetCaption(ControlId::cmdMaxBid, NumberText(dblPrice, separator));

    scope.Line = 3;
    const std::int32_t buyLine = ToInteger(HalfLevels(pHeight) + 2);
    // The buy side's scan starts from price 0 like the sell side's: a buy
    // half without volume must not show the sell side's price on a buy button.
    dblPrice = 0;
    GetMaxSize(pData, buyLine, pPrice, pAsk, dblPrice, lngSize, pHeight);
    window_.SetCaption(ControlId::Label6, IntegerText(lngSize));
    window_.SetCaption(ControlId::cmdMaxAsk, NumberText(dblPrice, separator));

    scope.Line = 4;
    window_.SetCaption(ControlId::cmdBestBid,
                       pData.Cell(ToInteger(HalfLevels(pHeight) + 1), pPrice));

    scope.Line = 5;
    window_.SetCaption(ControlId::cmdBestAsk,
                       pData.Cell(ToInteger(HalfLevels(pHeight) + 2), pPrice));

    scope.Line = 6;
    const double sum = ToNumber(window_.Caption(ControlId::cmdBestAsk), separator) +
                       ToNumber(window_.Caption(ControlId::cmdBestBid), separator);
    if (!std::isfinite(sum)) {
      RaiseOverflow();
    }
    const double mid = sum / 2;

    scope.Line = 7;
    window_.BringToFront(lastMid_ < mid ? ControlId::shpUp : ControlId::shpDown);

    scope.Line = 8;
    lastMid_ = mid;
    ++tablesShown_;

    if (topListener_) {
      // The halves the captions were read from: the sell half ends at the
      // best sell row, the buy half starts at the best buy row.
      const std::int32_t sellLast = ToInteger(HalfLevels(pHeight) + 1);
      const std::int32_t buyFirst = ToInteger(HalfLevels(pHeight) + 2);
      topListener_({RowPrices(pData, sellLine, sellLast, pPrice, separator).Lowest,
                    RowPrices(pData, buyFirst, pHeight, pPrice, separator).Highest});
    }
  });
}

}  // namespace vestrel
