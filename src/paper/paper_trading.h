#pragma once

#include <optional>
#include <string>

#include "book/book_view.h"
#include "diag/log_dispatcher.h"
#include "models/log_window_model.h"
#include "models/main_window_model.h"
#include "paper/paper_exchange.h"
#include "paper/paper_position.h"
#include "ports/event_log.h"
#include "ports/regional_settings.h"
#include "trade/trade_sounds.h"
#include "trading/trading_state.h"
#include "trading/trading_text.h"

namespace vestrel {

// Appended to the window caption (and so to the tray tip) in paper mode.
inline constexpr std::string_view kPaperCaptionSuffix = " PAPER";

// "PAPER FILL <B|S> <lots> @ <price> | " and the position after the fill
// (PositionText, which lblPaper shows too).
std::string PaperFillText(const Fill& fill, char decimalSeparator);

// Paper trading as the trader sees it: the simulated exchange the gateway
// sends to instead of the terminal's library, the trading state its orders
// and fills build (from start-up: there is nothing before it), and their
// record. Each fill is one information entry in the application log
// and one log window line (PaperFillText); the position shows on the main
// window in lblPaper.
class PaperTrading {
 public:
  PaperTrading(LogDispatcher& log, EventLog& appLog, const RegionalSettings& regional,
               MainWindowModel& window, LogWindowModel& logWindow);

  PaperTrading(const PaperTrading&) = delete;
  PaperTrading& operator=(const PaperTrading&) = delete;

  PaperExchange& Exchange() { return exchange_; }
  // Each fill also plays the fill sound.
  void UseSounds(TradeSounds& sounds) { sounds_ = &sounds; }
  const PaperPosition& Position() const { return state_.CurrentPosition(); }
  // What paper trading has built: its orders, fills and position.
  const TradingState& State() const { return state_; }

  // Paper mode on: the caption ends in kPaperCaptionSuffix and lblPaper shows
  // the (flat) position.
  void Open();
  bool IsOpen() const { return open_; }

  // A book the panel has shown whole: its lowest sell and highest buy price
  // fill what they cross (see PaperExchange::BookChanged). Ends the error
  // chain: a failure is logged. A fill is never lost to a failing log: the
  // position takes every fill and every record that can be written is.
  void BookChanged(const BookView& book);

 private:
  LogDispatcher& log_;
  EventLog& appLog_;
  const RegionalSettings& regional_;
  MainWindowModel& window_;
  LogWindowModel& logWindow_;
  TradingState state_;  // before the exchange, which feeds it
  PaperExchange exchange_;
  bool open_ = false;
  TradeSounds* sounds_ = nullptr;
};

}  // namespace vestrel
