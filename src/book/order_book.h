#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "dde/decoded_table.h"
#include "diag/log_dispatcher.h"
#include "models/main_window_model.h"
#include "ports/main_window_closer.h"
#include "ports/message_box.h"
#include "ports/regional_settings.h"

namespace vestrel {

// The message shown when a table's header lacks a needed column.
inline constexpr const char* kWrongGlassMessage = "Не верная структура стакана!";

// The best prices of a book: the lowest price in its sell half and the
// highest in its buy half, each none when no row of that half holds a price.
struct BookTop {
  std::optional<double> LowestSell;
  std::optional<double> HighestBuy;
  bool operator==(const BookTop&) const = default;
};

// The order book: takes each decoded table the terminal pokes, checks its
// header row and shows the best prices, each side's largest level with its
// volume, and whether the mid price rose, on the main window.
//
// Table layout: row 1 holds the column titles, rows 2..H the price levels with
// prices descending; the upper half of the level rows is the sell side (its
// volumes in SELL_VOLUME), the lower half the buy side (BUY_VOLUME). A single
// VOLUME column serves both sides.
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
  void DDEDataChanged(std::int32_t& pInstID, const DecodedTable& pData);

  // Analyses one table and shows the result; a table whose header check fails
  // asks for the main window to close. Each caption is written as soon as its
  // value is known, so a failure leaves the captions of the earlier steps.
  void ChD(const DecodedTable& pData);

  // Checks the header row and returns the column positions (-1 for an absent
  // one) and the table's highest row index. A wrong header gives false and
  // has the message box shown once the poke is answered; a check that starts
  // while that message waits gives false at once, without a message and with
  // pHeight as it was.
  bool CheckGStru(const DecodedTable& pData, std::int32_t& pPrice, std::int32_t& pBid,
                  std::int32_t& pAsk, std::int32_t& pHeight);

  // Told the best prices of every table analysed to its end, after the
  // captions and the indicator show it; none (the start) for no one. Only
  // then are the halves scanned for their best prices.
  void SetTopListener(std::function<void(const BookTop&)> listener) {
    topListener_ = std::move(listener);
  }

  // True while a header check runs, and while the message of a wrong header
  // waits for the trader.
  bool blnInCheck() const { return inCheck_ || messageOpen_; }
  // The mid price of the last table analysed to its end; 0 at the start.
  double dblLastMid() const { return lastMid_; }
  // True once a wrong header has asked for the main window to close.
  bool CloseRequested() const { return closeRequested_; }
  // How many tables have been analysed to their end and shown.
  std::uint64_t TablesShown() const { return tablesShown_; }

 private:
  // Scans the rows pLine..round((pHeight - 1) / 2 + pLine - 1) for the first
  // row with the largest volume above 0; leaves dblPrice as it came when no
  // row has one.
  void GetMaxSize(const DecodedTable& pData, const std::int32_t& pLine,
                  const std::int32_t& pPosPrice, const std::int32_t& pPosSize, double& dblPrice,
                  std::int32_t& lngSize, const std::int32_t& pHeight);

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
  std::function<void(const BookTop&)> topListener_;
  std::uint64_t tablesShown_ = 0;
};

}  // namespace vestrel
