#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "book/book_view.h"
#include "diag/log_dispatcher.h"
#include "models/log_window_model.h"
#include "models/main_window_model.h"
#include "ports/modeless_windows.h"
#include "ports/regional_settings.h"
#include "settings/order_settings.h"
#include "settings/settings.h"
#include "trade/gateway.h"
#include "trade/order_check.h"
#include "trading/order_side.h"
#include "trading/trading_state.h"

namespace vestrel {

// The offset of the largest-volume orders, in price units.
inline constexpr double kMaxLevelOffset = 5;

// How a refusal names Flatten's order.
inline constexpr const char* kFlattenSource = "Flatten";

// A limit order of the configured account and instrument:
// "ACCOUNT=..; TYPE=L; TRANS_ID=<transId>; CLASSCODE=..; SECCODE=..;
// ACTION=NEW_ORDER; OPERATION=B|S; PRICE=<number text>; QUANTITY=<integer>;".
// transId is the gateway's (TradingGateway::NextTransId).
std::string LimitOrderText(const Settings& settings, OrderSide side, double price,
                           std::int32_t quantity, char decimalSeparator, std::uint32_t transId);

inline const std::string kDefaultBaseContract = "RTS";

// The request to cancel all futures orders of the account on the base
// contract [Main] BaseContract names, RTS when it names none.
std::string KillAllOrdersText(const Settings& settings, std::uint32_t transId);

// The request to cancel one order of the instrument by its number:
// "TRANS_ID=<transId>; ACTION=KILL_ORDER; CLASSCODE=..; SECCODE=..; ORDER_KEY=<n>;".
std::string KillOrderText(const Settings& settings, std::int64_t orderNumber,
                          std::uint32_t transId);

// The trader's commands on the main window. Each click handler ends the error
// chain: a failure is logged, the trader sees nothing and the panel goes on.
//
// The price buttons take the price they show (the order book's ShownPrices),
// move it by the offset (a sell below the price shown, a buy above it) and
// order Size lots; a button whose text holds no number ("*" before the first
// book) fails as reading that text fails, and sends nothing. Reverse trades
// against the side last traded: after a buy it sells twice Size at the best
// bid, after a sell it buys; its colour shows that side (cmdBestBid's after a
// buy, cmdBestAsk's after a sell).
//
// With [Orders] Tick every price sent is moved onto the instrument's grid
// after the offset: a buy up to the next multiple of Tick, a sell down.
//
// Every new order goes out through PlaceOrder, which asks the order check
// (the trader's limits) first; Kill and cancels of single orders are never
// held back.
class OrderCommands {
 public:
  // settings and orders are read at every click, so they may be filled
  // after construction.
  OrderCommands(LogDispatcher& log, const RegionalSettings& regional, MainWindowModel& window,
                const Settings& settings, const OrderSettings& orders, const ShownPrices& prices,
                TradingGateway& gateway, ModelessWindows& windows);

  OrderCommands(const OrderCommands&) = delete;
  OrderCommands& operator=(const OrderCommands&) = delete;

  // The trading state Flatten and the cancels work from, the check every
  // new order passes, and the log window their refusals are written to.
  void AttachTrading(OrderCheck& check, LogWindowModel& logWindow, TradingStateSource state);

  // Sends one limit order of quantity lots at price; the result code is not
  // looked at. Failures are logged and passed on.
  void SendLimitOrder(OrderSide side, double price, std::int32_t quantity);
  // SendLimitOrder once the order check lets the order through; source
  // names the sender in a refusal ("cmdBestAsk"). True when it was sent.
  bool PlaceOrder(std::string_view source, OrderSide side, double price, std::int32_t quantity,
                  OrderPurpose purpose = OrderPurpose::Trade);

  // Cancels one order by its number (KILL_ORDER). Ends the error chain.
  void KillOrder(std::int64_t orderNumber);
  // Cancels every working order of the trader's at this price, by the
  // trading state; how many cancels were sent. None without a state.
  std::size_t KillOrdersAt(double price);

  // Remembers the side a price button traded: Reverse trades against it
  // from now on, enabled and in the colour of the side it will trade.
  void RememberSide(OrderSide side);
  // The side last traded by a price button; none before the first order.
  std::optional<OrderSide> LastSide() const { return lastSide_; }

  // The buttons: cmdBestBid, cmdBestAsk, cmdMaxBid, cmdMaxAsk.
  void SellAtBestBid();
  void BuyAtBestAsk();
  void SellAtLargestBid();
  void BuyAtLargestAsk();
  // cmdReverse: does nothing before the first order (the button is disabled).
  void Reverse();
  // cmdKillOrders, cmdLog, cmdAbout.
  void KillAllOrders();
  // [Hotkeys] Flatten: one limit order closing the whole position at the
  // best opposite price moved by SafeSpread (a long sells at the best buy
  // price minus SafeSpread), on the grid. Flat, a position not known, or no
  // price to close against: nothing sent, one log window line saying why.
  void Flatten();
  void ShowLog();
  void ShowAbout();

 private:
  // The price moved by the offset, a sell below and a buy above, then onto
  // the grid.
  double OrderPrice(OrderSide side, double shown, double offset) const;
  void PriceButtonClick(const char* source, ControlId button, const ShownPrice& shown,
                        OrderSide side, double offset);
  void NoteNotFlattened(const std::string& why);

  LogDispatcher& log_;
  const RegionalSettings& regional_;
  MainWindowModel& window_;
  const Settings& settings_;
  const OrderSettings& orders_;
  const ShownPrices& prices_;
  TradingGateway& gateway_;
  ModelessWindows& windows_;
  std::optional<OrderSide> lastSide_;
  OrderCheck* check_ = nullptr;
  LogWindowModel* logWindow_ = nullptr;
  TradingStateSource state_;
};

}  // namespace vestrel
