#pragma once

#include <cstdint>
#include <string>

#include "diag/log_dispatcher.h"
#include "guard/order_guard.h"
#include "ladder/ladder_model.h"
#include "models/log_window_model.h"
#include "ports/regional_settings.h"
#include "settings/settings.h"
#include "trade/gateway.h"
#include "trade/order_commands.h"
#include "trading/trading_state.h"

namespace vestrel {

// What the ladder's clicks do. A buy or sell click is a limit order of Size
// lots at the row's price, as it stands (the trader chose it: no SafeSpread, a
// buy above the best sell price is a marketable limit), through the guard, the
// trader's limits and the gateway as a price button's order goes, its source
// "ladder <price>". A
// click on a price cancels the trader's working orders at that price, one
// KILL_ORDER each; cancelling is never held back. Each click ends the error
// chain: a failure is logged and the panel goes on.
class LadderCommands {
 public:
  // settings are read at every click, so they may be filled after
  // construction.
  LadderCommands(LogDispatcher& log, const RegionalSettings& regional, const Settings& settings,
                 OrderCommands& commands, OrderGuard& guard, TradingGateway& gateway,
                 LogWindowModel& logWindow);

  LadderCommands(const LadderCommands&) = delete;
  LadderCommands& operator=(const LadderCommands&) = delete;

  // The trader's working orders; null (the start) for none: a price click
  // cancels nothing and says so in one log window line.
  void SetTradingState(const TradingState* state) { state_ = state; }

  void Click(const LadderClick& click);
  // One KILL_ORDER for each working order at price (OrderCommands::
  // KillOrdersAt); one log window line when there is none or no trading
  // state to find them in.
  void CancelMyOrdersAt(double price);

 private:
  void Order(OrderSide side, double price);
  void Note(const std::string& line);

  LogDispatcher& log_;
  const RegionalSettings& regional_;
  const Settings& settings_;
  OrderCommands& commands_;
  OrderGuard& guard_;
  TradingGateway& gateway_;
  LogWindowModel& logWindow_;
  const TradingState* state_ = nullptr;
};

}  // namespace vestrel
