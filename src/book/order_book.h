#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "book/book_view.h"
#include "dde/decoded_table.h"
#include "diag/log_dispatcher.h"
#include "models/main_window_model.h"
#include "ports/main_window_closer.h"
#include "ports/message_box.h"
#include "ports/regional_settings.h"

namespace vestrel {

// The message shown when a table's header lacks a needed column.
inline constexpr const char* kWrongGlassMessage = "Не верная структура стакана!";

// The column positions of a table with every needed column, and the table's
// highest row index.
struct GlassColumns {
  std::int32_t Price = -1;
  std::int32_t SellVolume = -1;  // SELL_VOLUME, or VOLUME
  std::int32_t BuyVolume = -1;   // BUY_VOLUME, or VOLUME
  std::int32_t Height = 0;
  bool operator==(const GlassColumns&) const = default;
};

// The order book: takes each decoded table the terminal pokes, checks its
// header row and shows the best prices, each side's largest level with its
// volume, and whether the mid price rose, on the main window.
//
// Table layout: row 1 holds the column titles, rows 2..H the price levels with
// prices descending, the sell levels (their volumes in SELL_VOLUME) above the
// buy levels (BUY_VOLUME); the sides may have different numbers of levels. A
// single VOLUME column serves both sides, which are then the upper and the
// lower half of the level rows (FindSides says which rows each side has).
class OrderBook {
 public:
  OrderBook(LogDispatcher& log, const RegionalSettings& regional, MessageBox& messages,
            MainWindowModel& window, MainWindowCloser& closer);

  OrderBook(const OrderBook&) = delete;
  OrderBook& operator=(const OrderBook&) = delete;

  // The DDE instance the server registered with; tables that arrive under any
  // other instance are ignored. 0 (the start) means none is registered, and
  // then every table is ignored.
  void SetDdeInstance(std::int32_t instance) { ddeInstance_ = instance; }
  std::int32_t DdeInstance() const { return ddeInstance_; }

  // The intake the decoder calls with every table it has decoded. Ends the
  // error chain: a failure is logged and the call returns normally. After the
  // book has asked for the window to close, tables are ignored.
  void TableArrived(std::int32_t instance, const DecodedTable& table);

  // Analyses one table and shows the result; a table whose header check fails
  // asks for the main window to close. Each caption is written as soon as its
  // value is known, so a failure leaves the captions of the earlier steps.
  void ShowBook(const DecodedTable& table);

  // Finds the needed columns in the header row (the last match of each name
  // wins). A wrong header gives none and has the message box shown once the
  // poke is answered; a check that starts while that message waits gives
  // none at once, without a message.
  std::optional<GlassColumns> FindColumns(const DecodedTable& table);

  // Told every book analysed to its end, after the captions and the
  // indicator show it; none (the start) for no one.
  void SetBookListener(std::function<void(const BookView&)> listener) {
    bookListener_ = std::move(listener);
  }

  // The last book analysed to its end; none before the first.
  const std::optional<BookView>& LastBook() const { return lastBook_; }
  // The prices the four price buttons show now, as they trade them.
  const ShownPrices& Shown() const { return shown_; }

  // True while a header check runs, and while the message of a wrong header
  // waits for the trader.
  bool Checking() const { return inCheck_ || messageOpen_; }
  // The mid price of the last table analysed to its end; 0 at the start.
  double LastMid() const { return lastMid_; }
  // True once a wrong header has asked for the main window to close.
  bool CloseRequested() const { return closeRequested_; }
  // How many tables have been analysed to their end and shown.
  std::uint64_t TablesShown() const { return tablesShown_; }

 private:
  // The first row of firstRow..lastRow with the largest volume above 0;
  // price and volume 0 when no row has one. height (the table's highest row
  // index) is only recorded when the scan fails.
  BookLevel LargestLevel(const DecodedTable& table, std::int32_t firstRow, std::int32_t lastRow,
                         std::int32_t priceColumn, std::int32_t volumeColumn, std::int32_t height);
  // Shows a side's largest level on its price button and volume label;
  // returns the price the button shows.
  ShownPrice ShowLargest(const BookLevel& level, ControlId priceButton, ControlId volumeLabel,
                         char separator);

  void RequestClose();
  // The trader has closed the wrong-header message: the window closes now.
  void WrongGlassMessageClosed();

  LogDispatcher& log_;
  const RegionalSettings& regional_;
  MessageBox& messages_;
  MainWindowModel& window_;
  MainWindowCloser& closer_;
  std::int32_t ddeInstance_ = 0;
  bool inCheck_ = false;
  bool messageOpen_ = false;
  double lastMid_ = 0;
  bool closeRequested_ = false;
  bool closerAsked_ = false;
  std::function<void(const BookView&)> bookListener_;
  std::optional<BookView> lastBook_;
  ShownPrices shown_;
  std::uint64_t tablesShown_ = 0;
};

}  // namespace vestrel
