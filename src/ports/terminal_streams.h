#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <variant>

namespace vestrel {

// What the terminal's library reports on threads of its own, copied out of
// the callback's arguments (texts as UTF-8; the library's unsigned 64-bit
// order and trade numbers as signed ones, which hold every number it gives).

// The first replies of a stream are the day so far; the library marks them.
enum class StreamMode {
  New = 0,       // a change from now on
  Snapshot = 1,  // one item of the day so far
  // The day so far is complete. An item with a number other than 0 is the
  // snapshot's last one and counts as such.
  SnapshotEnd = 2,
};

// The order status callback: one order of a subscribed instrument as it is now.
struct OrderStatusEvent {
  StreamMode Mode = StreamMode::New;
  std::uint32_t TransId = 0;  // 0 for an order placed elsewhere
  std::int64_t Number = 0;
  std::string ClassCode;
  std::string SecCode;
  double Price = 0;
  std::int64_t Balance = 0;  // lots left
  double Value = 0;
  bool IsSell = false;
  // 1 active, 2 cancelled, anything else filled (the library's own codes).
  std::int32_t Status = 0;
};

// The trade status callback: one trade of a subscribed instrument.
struct TradeStatusEvent {
  StreamMode Mode = StreamMode::New;
  std::int64_t Number = 0;
  std::int64_t OrderNumber = 0;
  std::string ClassCode;
  std::string SecCode;
  double Price = 0;
  std::int64_t Lots = 0;
  double Value = 0;
  bool IsSell = false;
};

// The reply callback of an asynchronous transaction.
struct TransactionReplyEvent {
  std::int32_t Result = 0;
  std::int32_t ExtendedErrorCode = 0;
  std::int32_t ReplyCode = 0;
  std::uint32_t TransId = 0;
  double OrderNumber = 0;  // as the synchronous send reports it
  std::string Message;
};

// The connection status callback: the library's result code of the event
// (TRANS2QUIK_QUIK_CONNECTED, ..._DISCONNECTED, ..._DLL_CONNECTED, ...).
struct ConnectionStatusEvent {
  std::int32_t Event = 0;
  std::int32_t ExtendedErrorCode = 0;
  std::string Message;
};

using TerminalEvent =
    std::variant<OrderStatusEvent, TradeStatusEvent, TransactionReplyEvent, ConnectionStatusEvent>;

// The transaction library's streaming and asynchronous functions, beside the
// five synchronous ones of TransactionLibrary (the same loaded library).
//
// The sink is called on the library's threads with each event copied out;
// it must only hand the event over (HandoverQueue). Every function returns
// the library's result code; one the library lacks throws AppError 453, as
// TransactionLibrary's do.
class TerminalStreams {
 public:
  virtual ~TerminalStreams() = default;

  // Empty when the loaded library has every function below and callbacks of
  // a signature this program knows; otherwise why not (one line for the
  // trader: the missing function, or that the library's generation is not
  // recognised). Loads the library if it is not loaded yet.
  virtual std::string Unavailable() = 0;

  // Where callbacks go from now on; set before any Start or callback setter.
  virtual void SetSink(std::function<void(TerminalEvent)> sink) = 0;

  virtual std::int32_t SubscribeOrders(const std::string& classCode,
                                       const std::string& secCodes) = 0;
  virtual std::int32_t SubscribeTrades(const std::string& classCode,
                                       const std::string& secCodes) = 0;
  virtual std::int32_t StartOrders() = 0;
  virtual std::int32_t StartTrades() = 0;
  // The library has no separate stop: unsubscribing ends a stream.
  virtual std::int32_t UnsubscribeOrders() = 0;
  virtual std::int32_t UnsubscribeTrades() = 0;

  virtual std::int32_t SetTransactionsReplyCallback(std::int32_t& extendedErrorCode,
                                                    std::string& errorMessage,
                                                    std::int32_t errorMessageSize) = 0;
  virtual std::int32_t SetConnectionStatusCallback(std::int32_t& extendedErrorCode,
                                                   std::string& errorMessage,
                                                   std::int32_t errorMessageSize) = 0;
  // Returns at once; the reply comes through the sink as a
  // TransactionReplyEvent carrying the transaction's TRANS_ID.
  virtual std::int32_t SendAsyncTransaction(const std::string& transaction,
                                            std::int32_t& extendedErrorCode,
                                            std::string& errorMessage,
                                            std::int32_t errorMessageSize) = 0;

  // Shutdown, after the streams are unsubscribed and the library disconnected:
  // no event reaches the sink any more, and the library stays loaded for the
  // rest of the process (one of its threads may still be inside a callback).
  virtual void Detach() = 0;
};

}  // namespace vestrel
