#pragma once

#include <string>
#include <string_view>

#include "book/book_view.h"
#include "diag/log_dispatcher.h"
#include "models/main_window_model.h"
#include "paper/paper_exchange.h"
#include "paper/paper_position.h"
#include "ports/regional_settings.h"
#include "trade/trading_display.h"
#include "trading/trading_state.h"

namespace vestrel {

// Appended to the window caption (and so to the tray tip) in paper mode.
inline constexpr std::string_view kPaperCaptionSuffix = " PAPER";

// What starts a paper fill's line: "PAPER FILL <B|S> <lots> @ <price> | "
// and the position after the fill (PositionText).
inline constexpr std::string_view kPaperFillPrefix = "PAPER ";
std::string PaperFillText(const Fill& fill, char decimalSeparator);

// Paper trading as the trader sees it: the simulated exchange the gateway
// sends to instead of the terminal's library, feeding the panel's trading
// state (complete from start-up: there is nothing before it), which the
// trading display shows: each fill one information entry in the application
// log and one log window line (PaperFillText), the position in lblPaper.
class PaperTrading {
 public:
  PaperTrading(LogDispatcher& log, const RegionalSettings& regional, MainWindowModel& window,
               TradingState& state, TradingDisplay& display);

  PaperTrading(const PaperTrading&) = delete;
  PaperTrading& operator=(const PaperTrading&) = delete;

  PaperExchange& Exchange() { return exchange_; }

  // Paper mode on: the caption ends in kPaperCaptionSuffix and the display
  // opens on the (flat) position.
  void Open();
  bool IsOpen() const { return open_; }

  // A book the panel has shown whole: its lowest sell and highest buy price
  // fill what they cross (see PaperExchange::BookChanged). Ends the error
  // chain: a failure is logged. A fill is never lost to a failing log: the
  // position takes every fill and every record that can be written is.
  void BookChanged(const BookView& book);

 private:
  LogDispatcher& log_;
  MainWindowModel& window_;
  TradingState& state_;
  TradingDisplay& display_;
  PaperExchange exchange_;
  bool open_ = false;
};

}  // namespace vestrel
