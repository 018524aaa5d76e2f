#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "book/book_view.h"
#include "diag/log_dispatcher.h"
#include "models/log_window_model.h"
#include "ports/event_log.h"
#include "ports/regional_settings.h"
#include "settings/extension_settings.h"
#include "trade/order_check.h"
#include "trade/trade_sounds.h"
#include "trading/risk_check.h"
#include "trading/trading_state.h"

namespace vestrel {

// The trader's [Risk] limits, checked on every new order the panel sends
// (OrderRefusal decides). An order refused is one log window line, "Order not
// sent (cmdBestAsk): the position could reach 3 lots, the limit is 2", and
// the refused sound. Flatten always goes out: it only closes.
class RiskGate : public OrderCheck {
 public:
  // settings are read at Start, so they may be filled after construction;
  // prices are the book's as the buttons show them.
  RiskGate(LogDispatcher& log, const RiskSettings& settings, const ShownPrices& prices,
           EventLog& appLog, LogWindowModel& logWindow, const RegionalSettings& regional,
           TradeSounds& sounds, TradingStateSource state);

  RiskGate(const RiskGate&) = delete;
  RiskGate& operator=(const RiskGate&) = delete;

  // Start-up, once the settings are read and the panel knows whether it
  // keeps a trading state: limits set without one are one warning and off
  // (a [Risk] value that could not be read still fails safe).
  void Start();

  bool MaySend(std::string_view source, OrderSide side, std::int64_t lots,
               OrderPurpose purpose) override;

  // The book or the position moved: the first time the day's profit reaches
  // the loss limit, one warning in the application log.
  void Watch();

 private:
  const TradingState* State() const { return state_ ? state_() : nullptr; }
  // cmdBestAsk shows the best buy price, cmdBestBid the best sell price.
  std::optional<double> BestBuy() const { return prices_.BestAsk.Number; }
  std::optional<double> BestSell() const { return prices_.BestBid.Number; }

  LogDispatcher& log_;
  const RiskSettings& settings_;
  const ShownPrices& prices_;
  EventLog& appLog_;
  LogWindowModel& logWindow_;
  const RegionalSettings& regional_;
  TradeSounds& sounds_;
  TradingStateSource state_;
  RiskLimits limits_;
  bool lossWarned_ = false;
};

}  // namespace vestrel
