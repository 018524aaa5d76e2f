#include "book/order_book.h"

#include <cmath>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "book/book_sides.h"
#include "common/conversions.h"
#include "diag/error_scope.h"

namespace vestrel {
namespace {

// The decoded table is recorded as an array: the logs name it, never its cells.
const std::span<const std::string> kTableParam;

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

  void Take(double price) {
    if (!Lowest || price < *Lowest) {
      Lowest = price;
    }
    if (!Highest || price > *Highest) {
      Highest = price;
    }
  }
};

// Number cells are compared by the values they hold and only the two
// extremes' texts are read: a price reads back as its value to 15 digits,
// which keeps their order, and making every cell's text would cost more than
// the rest of the analysis.
PriceRange RowPrices(const DecodedTable& table, std::int32_t first, std::int32_t last,
                     std::int32_t priceColumn, char separator) {
  PriceRange range;
  std::int32_t lowestRow = 0;
  std::int32_t highestRow = 0;
  std::optional<double> lowestValue;
  std::optional<double> highestValue;
  for (std::int64_t r = first; r <= last; ++r) {
    const auto row = static_cast<std::int32_t>(r);
    if (const std::optional<double> value = table.StoredNumber(row, priceColumn, separator);
        value && std::isfinite(*value)) {
      if (!lowestValue || *value < *lowestValue) {
        lowestValue = value;
        lowestRow = row;
      }
      if (!highestValue || *value > *highestValue) {
        highestValue = value;
        highestRow = row;
      }
      continue;
    }
    const std::string& cell = table.Cell(row, priceColumn);
    if (cell.find_first_not_of(' ') == std::string::npos) {
      continue;
    }
    try {
      range.Take(ToNumber(cell, separator));
    } catch (const AppError&) {
    }
  }
  for (const std::int32_t row : {lowestRow, highestRow}) {
    if (row == 0) {
      continue;
    }
    try {
      range.Take(CellNumber(table, row, priceColumn, separator));
    } catch (const AppError&) {
    }
  }
  return range;
}

// A cell's number, none for a blank cell, text that is no number, or a value
// that is not finite.
std::optional<double> CellValue(const DecodedTable& table, std::int32_t row, std::int32_t column,
                                char separator) {
  if (const std::optional<double> value = table.StoredNumber(row, column, separator)) {
    return std::isfinite(*value) ? value : std::nullopt;
  }
  const std::string& cell = table.Cell(row, column);
  if (cell.find_first_not_of(' ') == std::string::npos) {
    return std::nullopt;
  }
  try {
    const double value = ToNumber(cell, separator);
    return std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
  } catch (const AppError&) {
    return std::nullopt;
  }
}

// The levels of rows first..last that hold a price and a volume of at least
// one lot (a volume is rounded to whole lots).
std::vector<BookLevel> SideLevels(const DecodedTable& table, std::int32_t first, std::int32_t last,
                                  std::int32_t priceColumn, std::int32_t volumeColumn,
                                  char separator) {
  std::vector<BookLevel> levels;
  for (std::int64_t r = first; r <= last; ++r) {
    const auto row = static_cast<std::int32_t>(r);
    const std::optional<double> volume = CellValue(table, row, volumeColumn, separator);
    if (!volume || !(*volume >= 0.5) ||
        *volume >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
      continue;
    }
    if (const std::optional<double> price = CellValue(table, row, priceColumn, separator)) {
      levels.push_back({*price, static_cast<std::int32_t>(std::llround(*volume))});
    }
  }
  return levels;
}

// A best price cell read as a button showing its text reads it.
ShownPrice CellPrice(const DecodedTable& table, std::int32_t row, std::int32_t column,
                     char separator) {
  if (const std::optional<double> whole = table.WholeNumber(row, column, separator)) {
    return {whole, 0};
  }
  return ReadShownPrice(table.Cell(row, column), separator);
}

}  // namespace

OrderBook::OrderBook(LogDispatcher& log, const RegionalSettings& regional, MessageBox& messages,
                     MainWindowModel& window, MainWindowCloser& closer)
    : log_(log), regional_(regional), messages_(messages), window_(window), closer_(closer) {}

void OrderBook::TableArrived(std::int32_t instance, const DecodedTable& table) {
  ErrorScope scope(log_, "Vestrel.modQT.DDEDataChanged", ParamRef("pInstID", instance),
                   ParamRef("pData()", kTableParam));
  scope.Stop([&] {
    scope.Line = 1;
    if (ddeInstance_ != 0 && instance == ddeInstance_ && !closeRequested_) {
      ShowBook(table);
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

std::optional<GlassColumns> OrderBook::FindColumns(const DecodedTable& table) {
  GlassColumns columns;
  ErrorScope scope(log_, "Vestrel.frmMain.CheckGStru", ParamRef("pData()", kTableParam),
                   ParamRef("pPrice", columns.Price), ParamRef("pBid", columns.SellVolume),
                   ParamRef("pAsk", columns.BuyVolume));
  return scope.PassOn([&]() -> std::optional<GlassColumns> {
    scope.Line = 2;
    if (inCheck_ || messageOpen_) {
      return std::nullopt;
    }
    scope.Line = 3;
    const CheckGuard guard(inCheck_);
    scope.Line = 4;
    columns.Height = HighestRow(table);
    scope.Line = 5;
    const std::int32_t lowest = 0;
    const std::int32_t highest = HighestColumn(table);
    for (std::int64_t c = lowest; c <= highest; ++c) {
      const auto column = static_cast<std::int32_t>(c);
      const std::string& title = table.Cell(1, column);
      if (title == "PRICE") {
        columns.Price = column;
      } else if (title == "SELL_VOLUME") {
        columns.SellVolume = column;
      } else if (title == "BUY_VOLUME") {
        columns.BuyVolume = column;
      } else if (title == "VOLUME") {
        columns.SellVolume = column;
        columns.BuyVolume = column;
      }
    }
    scope.Line = 6;
    if (columns.Price == -1 || columns.SellVolume == -1 || columns.BuyVolume == -1) {
      // Shown once the poke that brought the table has been answered; the
      // check counts as running until the trader closes it.
      messageOpen_ = true;
      messages_.ShowLater(kWrongGlassMessage, MessageIcon::None,
                          [this] { WrongGlassMessageClosed(); });
      return std::nullopt;
    }
    scope.Line = 7;
    return columns;
  });
}

BookLevel OrderBook::LargestLevel(const DecodedTable& table, std::int32_t firstRow,
                                  std::int32_t lastRow, std::int32_t priceColumn,
                                  std::int32_t volumeColumn, std::int32_t height) {
  BookLevel level;
  ErrorScope scope(log_, "Vestrel.frmMain.GetMaxSize", ParamRef("pData()", kTableParam),
                   ParamRef("pLine", firstRow), ParamRef("pPosPrice", priceColumn),
                   ParamRef("pPosSize", volumeColumn), ParamRef("dblPrice", level.Price),
                   ParamRef("lngSize", level.Volume), ParamRef("pHeight", height));
  scope.PassOn([&] {
    const char separator = regional_.DecimalSeparator();
    for (std::int64_t r = firstRow; r <= lastRow; ++r) {
      const auto row = static_cast<std::int32_t>(r);
      scope.Line = 3;
      const double volume = CellNumber(table, row, volumeColumn, separator);
      if (volume > static_cast<double>(level.Volume)) {
        scope.Line = 4;
        level.Price = CellNumber(table, row, priceColumn, separator);
        scope.Line = 5;
        level.Volume = ToInteger(volume);
      }
    }
  });
  return level;
}

ShownPrice OrderBook::ShowLargest(const BookLevel& level, ControlId priceButton,
                                  ControlId volumeLabel, char separator) {
  window_.SetCaption(volumeLabel, IntegerText(level.Volume));
  std::string caption = NumberText(level.Price, separator);
  // The button trades the price it shows, which has at most 15 digits.
  ShownPrice shown = ReadShownPrice(caption, separator);
  window_.SetCaption(priceButton, std::move(caption));
  return shown;
}

void OrderBook::ShowBook(const DecodedTable& table) {
  ErrorScope scope(log_, "Vestrel.frmMain.ChD", ParamRef("pData()", kTableParam));
  scope.PassOn([&] {
    const char separator = regional_.DecimalSeparator();

    scope.Line = 1;
    const std::optional<GlassColumns> found = FindColumns(table);
    if (!found) {
      RequestClose();
      return;
    }
    const GlassColumns& columns = *found;
    const std::int32_t price = columns.Price;
    const BookSides sides = FindSides(table, columns.SellVolume, columns.BuyVolume, columns.Height);
    BookView view;

    // Each side's scan starts from price 0: a buy side without volume must
    // not show the sell side's price on a buy button.
    scope.Line = 2;
    view.LargestSell = LargestLevel(table, sides.SellFirst, sides.SellLast, price,
                                    columns.SellVolume, columns.Height);
    shown_.MaxBid =
        ShowLargest(view.LargestSell, ControlId::cmdMaxBid, ControlId::Label5, separator);

    scope.Line = 3;
    view.LargestBuy = LargestLevel(table, sides.BuyFirst, sides.BuyLast, price, columns.BuyVolume,
                                   columns.Height);
    shown_.MaxAsk =
        ShowLargest(view.LargestBuy, ControlId::cmdMaxAsk, ControlId::Label6, separator);

    // The best prices are shown as the cells hold them, numbers or not; a
    // cell without a number stops the analysis at the mid price.
    scope.Line = 4;
    view.BestSellRow = sides.SellLast;
    view.BestSellText = table.Cell(view.BestSellRow, price);
    shown_.BestBid = CellPrice(table, view.BestSellRow, price, separator);
    window_.SetCaption(ControlId::cmdBestBid, view.BestSellText);

    scope.Line = 5;
    view.BestBuyRow = sides.BuyFirst;
    view.BestBuyText = table.Cell(view.BestBuyRow, price);
    shown_.BestAsk = CellPrice(table, view.BestBuyRow, price, separator);
    window_.SetCaption(ControlId::cmdBestAsk, view.BestBuyText);

    scope.Line = 6;
    view.BestBuy = shown_.BestAsk.Read();
    view.BestSell = shown_.BestBid.Read();
    const double sum = view.BestBuy + view.BestSell;
    if (!std::isfinite(sum)) {
      RaiseOverflow();
    }
    view.Mid = sum / 2;
    view.MidRose = lastMid_ < view.Mid;

    scope.Line = 7;
    window_.BringToFront(view.MidRose ? ControlId::shpUp : ControlId::shpDown);

    scope.Line = 8;
    lastMid_ = view.Mid;
    view.LowestSell = RowPrices(table, sides.SellFirst, view.BestSellRow, price, separator).Lowest;
    view.HighestBuy = RowPrices(table, view.BestBuyRow, columns.Height, price, separator).Highest;
    view.SellLevels =
        SideLevels(table, sides.SellFirst, view.BestSellRow, price, columns.SellVolume, separator);
    view.BuyLevels =
        SideLevels(table, view.BestBuyRow, columns.Height, price, columns.BuyVolume, separator);
    lastBook_ = std::move(view);
    ++tablesShown_;
    if (bookListener_) {
      bookListener_(*lastBook_);
    }
  });
}

}  // namespace vestrel
