#pragma once

#include <cstdint>
#include <string>

#include "diag/log_dispatcher.h"
#include "ports/event_log.h"
#include "ports/main_window_shell.h"
#include "ports/regional_settings.h"
#include "ports/terminal_streams.h"
#include "settings/extension_settings.h"
#include "trade/gateway.h"
#include "trade/trading_display.h"
#include "trading/handover_queue.h"
#include "trading/trading_state.h"

namespace vestrel {

// What live trading reaches outside itself.
struct LiveParts {
  LogDispatcher& Log;
  // Takes the warnings when a feature of [Live] cannot be turned on.
  EventLog& AppLog;
  const RegionalSettings& Regional;
  TerminalStreams& Streams;
  // Woken from the library's threads when events wait (a posted message).
  MainWindowShell& Shell;
  TradingGateway& Gateway;
  TradingState& State;
  TradingDisplay& Display;
};

// The order stream's codes of an order's state.
inline constexpr std::int32_t kOrderActive = 1;
inline constexpr std::int32_t kOrderCancelled = 2;

// What one order event of the terminal says, as the trading state takes it.
// The stream gives the lots left but not the order's quantity: the lots
// left are the stream's own, lowered only by later order events (never
// guessed from trades), so a working order is never counted smaller than it
// is.
OrderUpdate OrderUpdateOf(const OrderStatusEvent& event);
TradeReport TradeReportOf(const TradeStatusEvent& event);

// Live trading with [Live] on: the terminal's order and trade streams of the
// panel's instrument feed the trading state (Orders), and transactions go out
// through the library's asynchronous send (Async).
//
// The library calls back on threads of its own: there the event, already
// copied, is only handed over (HandoverQueue) and the window woken; the
// window's thread applies it in EventsArrived. Nothing is shown before both
// streams have sent the day so far: that snapshot builds the state silently,
// and from then on each fill is written and the position label shown
// (TradingDisplay, lines "FILL ...").
class LiveTrading {
 public:
  explicit LiveTrading(LiveParts parts);

  LiveTrading(const LiveTrading&) = delete;
  LiveTrading& operator=(const LiveTrading&) = delete;

  // Start-up, once the terminal connection has succeeded: the streams of
  // classCode and secCode, the reply callback and the connection callback,
  // as [Live] asks. A feature the library cannot give is one warning naming
  // it and stays off; the panel goes on as without it. Ends the error chain.
  void Start(const LiveSettings& live, const std::string& classCode, const std::string& secCode);

  // The window's thread, when woken: applies every event handed over so far,
  // in the order the library reported them. Ends the error chain.
  void EventsArrived();

  // Shutdown, before the disconnect: ends both streams.
  void Stop();
  // Shutdown, after the disconnect: the library's callbacks reach nothing
  // from now on; what they handed over until then is applied and written,
  // and the hand-over closes.
  void Detach();

  bool FollowsOrders() const { return orders_; }
  bool SendsAsync() const { return async_; }
  // False from the library's report that it or the terminal lost its
  // connection until the report that it is back; true when none came.
  bool TerminalConnected() const { return dllConnected_ && quikConnected_; }

 private:
  void Warn(const std::string& keys, const std::string& why);
  bool StartStreams(const std::string& classCode, const std::string& secCode);
  bool OfThisInstrument(const std::string& classCode, const std::string& secCode) const;
  void Apply(const OrderStatusEvent& event);
  void Apply(const TradeStatusEvent& event);
  void Apply(const TransactionReplyEvent& event);
  void Apply(const ConnectionStatusEvent& event);

  LiveParts parts_;
  HandoverQueue<TerminalEvent> queue_;
  std::string classCode_;
  std::string secCode_;
  bool attached_ = false;
  bool orders_ = false;
  bool async_ = false;
  bool stopped_ = false;
  bool closed_ = false;
  bool ordersSnapshotDone_ = false;
  bool tradesSnapshotDone_ = false;
  bool dllConnected_ = true;
  bool quikConnected_ = true;
};

}  // namespace vestrel
