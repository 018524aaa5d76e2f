#include "live/live_trading.h"

#include <limits>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "common/conversions.h"
#include "contract/automation_contract.h"
#include "diag/error_scope.h"
#include "trade/result_codes.h"

namespace vestrel {
namespace {

// The library's connection events.
constexpr std::int32_t kQuikConnected = 8;
constexpr std::int32_t kQuikDisconnected = 9;
constexpr std::int32_t kDllConnected = 10;
constexpr std::int32_t kDllDisconnected = 11;

constexpr UiText kGoesOnWithout{"; the panel goes on without it.", "; панель работает без этого."};
constexpr UiText kStreamsRefused{
    "the terminal's library did not open the order and trade streams (result ",
    "библиотека терминала не открыла потоки заявок и сделок (код "};
constexpr UiText kRepliesRefused{"the terminal's library did not take the reply callback (result ",
                                 "библиотека терминала не приняла обработчик ответов (код "};
constexpr UiText kConnectionRefused{
    "the terminal's library did not take the connection callback (result ",
    "библиотека терминала не приняла обработчик состояния связи (код "};

std::string Refusal(const UiText& what, UiLanguage language, std::int32_t result,
                    const std::string& message) {
  std::string text = what.In(language) + IntegerText(result) + ")";
  if (!message.empty()) {
    text += ": " + message;
  }
  return text;
}

}  // namespace

OrderUpdate OrderUpdateOf(const OrderStatusEvent& event) {
  OrderUpdate update;
  update.Number = event.Number;
  update.TransId = event.TransId;
  update.Side = event.IsSell ? OrderSide::Sell : OrderSide::Buy;
  update.Price = event.Price;
  // The stream has no quantity: its lots left alone bound the order.
  update.LotsTotal = std::numeric_limits<std::int64_t>::max() / 2;
  update.LotsLeft = event.Balance;
  update.Status = event.Status == kOrderActive      ? OrderStatus::Active
                  : event.Status == kOrderCancelled ? OrderStatus::Cancelled
                                                    : OrderStatus::Filled;
  return update;
}

TradeReport TradeReportOf(const TradeStatusEvent& event) {
  return {event.Number, event.OrderNumber, event.IsSell ? OrderSide::Sell : OrderSide::Buy,
          event.Price, event.Lots};
}

LiveTrading::LiveTrading(LiveParts parts)
    : parts_(parts), queue_([&shell = parts.Shell] { shell.WakeFromAnyThread(); }) {}

void LiveTrading::Warn(const std::string& keys, const std::string& why) {
  WriteWarning(parts_.AppLog, contract::IniSectionPrefix(contract::kLiveSection) + keys + ": " +
                                  why + kGoesOnWithout.In(parts_.Regional.InterfaceLanguage()));
}

void LiveTrading::Start(const LiveSettings& live, const std::string& classCode,
                        const std::string& secCode) {
  if (!live.Orders && !live.Async) {
    return;
  }
  classCode_ = classCode;
  secCode_ = secCode;
  const UiLanguage language = parts_.Regional.InterfaceLanguage();
  const std::string ordersKey = std::string(contract::kLiveOrdersKey) + "=1";
  const std::string asyncKey = std::string(contract::kLiveAsyncKey) + "=1";
  ErrorScope scope(parts_.Log, "Vestrel.frmMain.LiveStart");
  scope.Stop([&] {
    scope.Line = 1;
    const std::string unavailable = parts_.Streams.Unavailable();
    if (!unavailable.empty()) {
      Warn(live.Orders && live.Async ? ordersKey + " " + asyncKey
           : live.Orders             ? ordersKey
                                     : asyncKey,
           unavailable);
      return;
    }
    scope.Line = 2;
    parts_.Streams.SetSink([this](TerminalEvent event) { queue_.Push(std::move(event)); });
    attached_ = true;
    if (live.Orders) {
      scope.Line = 3;
      orders_ = StartStreams(classCode, secCode);
    }
    if (live.Async) {
      scope.Line = 4;
      std::int32_t extended = 0;
      std::string message;
      const std::int32_t result =
          parts_.Streams.SetTransactionsReplyCallback(extended, message, kTransMessageBufferSize);
      if (result == kTrans2QuikSuccess) {
        async_ = true;
        parts_.Gateway.SendAsyncThrough(parts_.Streams);
      } else {
        Warn(asyncKey, Refusal(kRepliesRefused, language, result, message));
      }
    }
    scope.Line = 5;
    std::int32_t extended = 0;
    std::string message;
    const std::int32_t result =
        parts_.Streams.SetConnectionStatusCallback(extended, message, kTransMessageBufferSize);
    if (result != kTrans2QuikSuccess) {
      Warn(live.Orders ? ordersKey : asyncKey,
           Refusal(kConnectionRefused, language, result, message));
    }
  });
}

bool LiveTrading::StartStreams(const std::string& classCode, const std::string& secCode) {
  std::int32_t result = parts_.Streams.SubscribeOrders(classCode, secCode);
  if (result == kTrans2QuikSuccess) {
    result = parts_.Streams.SubscribeTrades(classCode, secCode);
  }
  if (result == kTrans2QuikSuccess) {
    result = parts_.Streams.StartOrders();
  }
  if (result == kTrans2QuikSuccess) {
    result = parts_.Streams.StartTrades();
  }
  if (result == kTrans2QuikSuccess) {
    return true;
  }
  // Half a subscription would feed a state that can never be complete.
  parts_.Streams.UnsubscribeOrders();
  parts_.Streams.UnsubscribeTrades();
  Warn(std::string(contract::kLiveOrdersKey) + "=1",
       Refusal(kStreamsRefused, parts_.Regional.InterfaceLanguage(), result, {}));
  return false;
}

void LiveTrading::EventsArrived() {
  if (closed_) {
    return;
  }
  const std::vector<TerminalEvent> batch = queue_.Drain();
  ErrorScope scope(parts_.Log, "Vestrel.frmMain.TerminalEvents");
  for (const TerminalEvent& event : batch) {
    // One event's failure must not cost the ones after it.
    scope.Stop([&] {
      scope.Line = static_cast<std::int32_t>(event.index()) + 1;
      std::visit([this](const auto& item) { Apply(item); }, event);
      // Complete right after the event that completes it, so a fill later in
      // the same batch is reported.
      if (orders_ && ordersSnapshotDone_ && tradesSnapshotDone_ && !parts_.State.IsComplete()) {
        scope.Line = 5;
        parts_.State.SnapshotComplete();
        parts_.Display.Open("");
      }
    });
  }
  if (orders_ && parts_.State.IsComplete() && !batch.empty()) {
    scope.Stop([&] {
      scope.Line = 6;
      parts_.Display.Show();
    });
  }
}

bool LiveTrading::OfThisInstrument(const std::string& classCode, const std::string& secCode) const {
  return classCode == classCode_ && secCode == secCode_;
}

void LiveTrading::Apply(const OrderStatusEvent& event) {
  if (!orders_) {
    return;
  }
  // The snapshot's end with number 0 is a mark, not an order.
  const bool end = event.Mode == StreamMode::SnapshotEnd;
  if (!(end && event.Number == 0) && OfThisInstrument(event.ClassCode, event.SecCode)) {
    parts_.State.Apply(OrderUpdateOf(event));
  }
  ordersSnapshotDone_ = ordersSnapshotDone_ || end;
}

void LiveTrading::Apply(const TradeStatusEvent& event) {
  if (!orders_) {
    return;
  }
  const bool end = event.Mode == StreamMode::SnapshotEnd;
  if (!(end && event.Number == 0) && OfThisInstrument(event.ClassCode, event.SecCode)) {
    parts_.State.Apply(TradeReportOf(event));
  }
  tradesSnapshotDone_ = tradesSnapshotDone_ || end;
}

void LiveTrading::Apply(const TransactionReplyEvent& event) { parts_.Gateway.ReplyArrived(event); }

void LiveTrading::Apply(const ConnectionStatusEvent& event) {
  switch (event.Event) {
    case kQuikConnected:
      quikConnected_ = true;
      break;
    case kQuikDisconnected:
      quikConnected_ = false;
      break;
    case kDllConnected:
      dllConnected_ = true;
      break;
    case kDllDisconnected:
      dllConnected_ = false;
      break;
    default:
      break;
  }
}

void LiveTrading::Stop() {
  if (!attached_ || stopped_) {
    return;
  }
  stopped_ = true;
  if (!orders_) {
    return;
  }
  // Nothing is applied here: the library may still report a fill until its
  // streams have ended, and Detach writes whatever came until then.
  ErrorScope scope(parts_.Log, "Vestrel.frmMain.LiveStop");
  scope.Stop([&] {
    scope.Line = 1;
    parts_.Streams.UnsubscribeOrders();
    scope.Line = 2;
    parts_.Streams.UnsubscribeTrades();
  });
}

void LiveTrading::Detach() {
  if (!attached_) {
    return;
  }
  attached_ = false;
  ErrorScope scope(parts_.Log, "Vestrel.frmMain.LiveDetach");
  scope.Stop([&] {
    scope.Line = 1;
    parts_.Streams.Detach();
  });
  // Every event the library handed over before it was disconnected is the
  // trader's record, the last fills among them; later wakes find the queue
  // closed.
  EventsArrived();
  closed_ = true;
  queue_.Close();
}

}  // namespace vestrel
