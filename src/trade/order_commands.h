#pragma once

#include <cstdint>
#include <string>

#include "diag/log_dispatcher.h"
#include "models/main_window_model.h"
#include "ports/modeless_windows.h"
#include "ports/regional_settings.h"
#include "settings/settings.h"
#include "trade/gateway.h"

namespace vestrel {

// The offset of the largest-volume orders, in price units.
inline constexpr double kMaxLevelOffset = 5;

enum class OrderSide { Buy, Sell };

// A limit order of the configured account and instrument:
// "ACCOUNT=..; TYPE=L; TRANS_ID=1; CLASSCODE=..; SECCODE=..; ACTION=NEW_ORDER;
// OPERATION=B|S; PRICE=<number text>; QUANTITY=<integer>;".
std::string LimitOrderText(const Settings& settings, OrderSide side, double price,
                           std::int32_t quantity, char decimalSeparator);

// The request to cancel all futures orders of the account on the base
// contract RTS.
std::string KillAllOrdersText(const Settings& settings);

// The trader's commands on the main window. Each click handler ends the error
// chain: a failure is logged, the trader sees nothing and the panel goes on.
//
// The price buttons read their price back from their captions, move it by the
// offset (a sell below the price shown, a buy above it) and order Size lots.
// The Reverse button remembers the side last traded in its colour: after a
// buy it has the colour of cmdBestBid and sells twice Size; otherwise it buys
// twice Size.
class OrderCommands {
 public:
  // settings are read at every click, so they may be filled after
  // construction.
  OrderCommands(LogDispatcher& log, const RegionalSettings& regional, MainWindowModel& window,
                const Settings& settings, TradingGateway& gateway, ModelessWindows& windows);

  OrderCommands(const OrderCommands&) = delete;
  OrderCommands& operator=(const OrderCommands&) = delete;

  // Send one limit order of pCount lots at dblPrice; the result code is not
  // looked at. Failures are logged and passed on.
  void LimitBuy(const double& dblPrice, const std::int32_t& pCount);
  void LimitSell(const double& dblPrice, const std::int32_t& pCount);

  // Gives cmdReverse the colour and enables it.
  void SetRevColor(const OleColor& lngColor);

  void cmdBestBid_Click();
  void cmdBestAsk_Click();
  void cmdMaxBid_Click();
  void cmdMaxAsk_Click();
  // Does nothing while cmdReverse is disabled (before the first order).
  void cmdReverse_Click();
  void cmdKillOrders_Click();
  void cmdLog_Click();
  void cmdAbout_Click();

 private:
  void LimitOrder(const char* source, OrderSide side, const double& dblPrice,
                  const std::int32_t& pCount);
  void PriceButtonClick(const char* source, ControlId button, OrderSide side, double offset);
  double CaptionNumber(ControlId button);

  LogDispatcher& log_;
  const RegionalSettings& regional_;
  MainWindowModel& window_;
  const Settings& settings_;
  TradingGateway& gateway_;
  ModelessWindows& windows_;
};

}  // namespace vestrel
