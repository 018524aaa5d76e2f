#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "paper/paper_position.h"
#include "ports/regional_settings.h"
#include "ports/transaction_library.h"
#include "trading/trading_state.h"

namespace vestrel {

// The result message of every transaction the paper exchange accepts, for its
// order number N: "paper order N accepted".
std::string PaperAcceptedMessage(std::int64_t orderNumber);
// The result message of a cancel of working order N: "paper order N
// cancelled".
std::string PaperCancelledMessage(std::int64_t orderNumber);
// The result message of a cancel of an order that is not working: "paper: no
// working order N to cancel".
std::string PaperNoOrderMessage(std::int64_t orderNumber);

// A simulated exchange behind the transaction library's functions, for
// trading on paper against the live order book.
//
// The connection functions always succeed. Every transaction is answered as
// the library answers an executed one: result 0, reply code 3, its TRANS_ID,
// the next order number (1, 2, 3, ...) and the result message
// PaperAcceptedMessage. A NEW_ORDER is a limit order (OPERATION B or S,
// PRICE in the regional decimal separator, QUANTITY a whole number above 0)
// that rests until a later book crosses it; one that lacks any of these is
// refused with result 5 (wrong syntax), reply code 0, no order number and an
// error message naming the field. KILL_ALL_FUTURES_ORDERS cancels every
// resting order. KILL_ORDER cancels the resting order ORDER_KEY names and is
// answered with that order's number and PaperCancelledMessage (it takes no
// number of its own); one that is not resting (filled, cancelled, never
// placed) is refused as the
// terminal refuses it: result 0, reply code 4, no order number and
// PaperNoOrderMessage; without a whole ORDER_KEY, result 5. Any other action
// only gets its answer.
//
// It reports to the trading state it is given, as the terminal's streams
// would: each order accepted, filled or cancelled, and a trade (numbered 1,
// 2, 3, ...) for each fill.
class PaperExchange : public TransactionLibrary {
 public:
  // Result codes of the library that the exchange gives.
  static constexpr std::int32_t kSuccess = 0;
  static constexpr std::int32_t kWrongSyntax = 5;
  static constexpr std::int32_t kQuikConnected = 8;
  static constexpr std::int32_t kDllConnected = 10;
  // The reply code of an executed transaction.
  static constexpr std::int32_t kReplyExecuted = 3;
  // The reply code of a transaction the exchange did not execute.
  static constexpr std::int32_t kReplyRejected = 4;

  explicit PaperExchange(const RegionalSettings& regional, TradingState* state = nullptr)
      : regional_(regional), state_(state) {}

  std::int32_t Connect(const std::string& connectionText, std::int32_t& extendedErrorCode) override;
  std::int32_t IsDllConnected(std::int32_t& extendedErrorCode) override;
  std::int32_t IsQuikConnected(std::int32_t& extendedErrorCode) override;
  std::int32_t Disconnect(std::int32_t& extendedErrorCode) override;
  std::int32_t SendSyncTransaction(const std::string& transaction, std::int32_t& replyCode,
                                   std::int32_t& transId, double& orderNum,
                                   std::string& resultMessage, std::int32_t resultMessageSize,
                                   std::int32_t& extendedErrorCode, std::string& errorMessage,
                                   std::int32_t errorMessageSize) override;

  // A book the panel has shown, by its best prices: the lowest price of its
  // sell side and the highest of its buy side (none for a side without a
  // price). Every resting buy at or above that sell price fills in full at
  // it, every resting sell at or below that buy price likewise; the fills
  // come back in the order the orders were accepted.
  std::vector<PaperFill> BookChanged(std::optional<double> lowestSell,
                                     std::optional<double> highestBuy);

  struct RestingOrder {
    std::int64_t Number;
    OrderSide Side;
    double Price;
    std::int64_t Quantity;
    std::int64_t TransId;
  };
  const std::vector<RestingOrder>& Resting() const { return resting_; }

 private:
  void Report(const RestingOrder& order, OrderStatus status);

  const RegionalSettings& regional_;
  TradingState* state_;
  std::int64_t lastOrderNumber_ = 0;
  std::int64_t lastTradeNumber_ = 0;
  std::vector<RestingOrder> resting_;
};

}  // namespace vestrel
