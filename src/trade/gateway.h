#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "diag/log_dispatcher.h"
#include "models/log_window_model.h"
#include "ports/event_log.h"
#include "ports/message_box.h"
#include "ports/regional_settings.h"
#include "ports/terminal_streams.h"
#include "ports/transaction_library.h"
#include "trading/order_side.h"
#include "trading/trading_state.h"

namespace vestrel {

// The size of each message buffer a send offers the library.
inline constexpr std::int32_t kTransMessageBufferSize = 250;

// The event-log line of one send: reply code, transaction identifier, order
// number, result message, "250", extended error code, error message, "250",
// joined by "|". The order number is a general number in the regional
// settings' decimal separator.
std::string TransReplyEventLine(std::int32_t replyCode, std::int64_t transId, double orderNum,
                                const std::string& resultMessage, std::int32_t extendedErrorCode,
                                const std::string& errorMessage, char decimalSeparator);

// The log-window text of one send: result message, "250", extended error
// code, error message, "250", joined by "|".
std::string TransReplyLogText(const std::string& resultMessage, std::int32_t extendedErrorCode,
                              const std::string& errorMessage);

// The panel's road to the market: connects to the terminal through the
// transaction library, sends transactions and records every reply in the
// application event log and the log window. The connection itself lives in
// the library.
//
// Sends are synchronous, each transaction with TRANS_ID 1, unless the panel
// switches them to the library's asynchronous send: then each transaction
// gets its own TRANS_ID (1, 2, 3, ... in a run), the send returns at once and
// the reply is recorded when it arrives, exactly as a synchronous reply is.
class TradingGateway {
 public:
  TradingGateway(LogDispatcher& log, EventLog& appLog, const RegionalSettings& regional,
                 MessageBox& messages, TransactionLibrary& library, LogWindowModel& logWindow);

  TradingGateway(const TradingGateway&) = delete;
  TradingGateway& operator=(const TradingGateway&) = delete;

  // Connects to the terminal in appPath (the program's folder) and checks
  // both connections. Any unexpected result code is shown to the trader
  // through ShowResultCode and gives false; a failure of the library itself is
  // logged and passed on.
  bool Connect(const std::string& appPath);

  // Ends the connection; the library's result is ignored.
  void Disconnect();

  // From now on the gateway talks to this library instead (paper trading
  // chooses its exchange before the connection step); the one it had is
  // never called again.
  void UseLibrary(TransactionLibrary& library) { library_ = &library; }
  // The library transactions go to now.
  TransactionLibrary& Library() { return *library_; }

  // From now on transactions go out through the streams' asynchronous send;
  // their replies come to ReplyArrived.
  void SendAsyncThrough(TerminalStreams& streams) { async_ = &streams; }
  bool SendsAsync() const { return async_ != nullptr; }

  // The TRANS_ID the next transaction is to carry: a new one each time while
  // sends are asynchronous, otherwise 1.
  std::uint32_t NextTransId() { return async_ != nullptr ? ++lastTransId_ : 1; }

  // Sends one transaction and returns the library's result code. A
  // synchronous send writes one event-log line and one log-window line for
  // the reply whatever it says. An asynchronous one writes them at once only
  // when the library refuses the transaction (as a synchronous send refused
  // by the library is written); otherwise the reply writes them.
  std::int32_t Send(const std::string& transaction);
  // Sends a new order of the trader's; with TrackOrdersIn, the trading state
  // counts it as working from now until the order stream shows it or the
  // terminal refuses it.
  std::int32_t SendNewOrder(const std::string& transaction, std::uint32_t transId, OrderSide side,
                            std::int64_t lots);
  // Live trading's state, which learns of an order only from the terminal's
  // streams, some time after it was sent.
  void TrackOrdersIn(TradingState& state) { tracked_ = &state; }

  // Called for each transaction the terminal refuses (TransactionRefused),
  // before its reply is written.
  void OnRefused(std::function<void()> listener) { onRefused_ = std::move(listener); }
  // The reply of an asynchronous transaction, on the window's thread: the
  // same two lines a synchronous send writes, whether or not its TRANS_ID is
  // one this run sent. Failures are logged and passed on.
  void ReplyArrived(const TransactionReplyEvent& reply);

  // How many transactions the library has taken so far (sends that
  // returned, whatever their result).
  std::uint64_t SendsMade() const { return sendsMade_; }

 private:
  LogDispatcher& log_;
  EventLog& appLog_;
  const RegionalSettings& regional_;
  MessageBox& messages_;
  TransactionLibrary* library_;
  LogWindowModel& logWindow_;
  TerminalStreams* async_ = nullptr;
  std::uint32_t lastTransId_ = 0;
  std::uint64_t sendsMade_ = 0;
  std::function<void()> onRefused_;
  TradingState* tracked_ = nullptr;
  std::uint64_t refusals_ = 0;  // synchronous sends the terminal refused
  double lastOrderNumber_ = 0;  // of the last synchronous reply
};

}  // namespace vestrel
