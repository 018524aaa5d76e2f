#pragma once

#include <optional>
#include <string>

#include "book/book_view.h"
#include "models/log_window_model.h"
#include "models/main_window_model.h"
#include "ports/event_log.h"
#include "ports/regional_settings.h"
#include "trade/trade_sounds.h"
#include "trading/trading_state.h"

namespace vestrel {

// The trading state as the trader sees it, on paper and live alike: each new
// fill is one information entry in the application log and one log window
// line (FillText, after the mode's prefix), and the position label
// (lblPaper) shows TradingLabelText against the last book shown.
class TradingDisplay {
 public:
  TradingDisplay(EventLog& appLog, const RegionalSettings& regional, MainWindowModel& window,
                 LogWindowModel& logWindow, TradingState& state)
      : appLog_(appLog),
        regional_(regional),
        window_(window),
        logWindow_(logWindow),
        state_(state) {}

  TradingDisplay(const TradingDisplay&) = delete;
  TradingDisplay& operator=(const TradingDisplay&) = delete;

  // From now on the label is shown and fills are written, each line starting
  // with fillPrefix ("PAPER " on paper). Shows the label at once.
  void Open(std::string fillPrefix);
  bool IsOpen() const { return open_; }
  // Each fill written also plays the fill sound.
  void UseSounds(TradeSounds& sounds) { sounds_ = &sounds; }

  // The best prices the open profit is taken against, from a book the panel
  // has shown whole.
  void BookChanged(const BookView& book);

  // Writes the fills the state has reported since the last call and brings
  // the label up to date; nothing before Open. A fill is never lost to a
  // failing log: every record that can be written is, then the first
  // failure is passed on.
  void Show();

 private:
  EventLog& appLog_;
  const RegionalSettings& regional_;
  MainWindowModel& window_;
  LogWindowModel& logWindow_;
  TradingState& state_;
  std::string fillPrefix_;
  std::optional<double> bestBuy_;
  std::optional<double> bestSell_;
  bool open_ = false;
  TradeSounds* sounds_ = nullptr;
};

}  // namespace vestrel
