#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "ports/terminal_streams.h"

namespace vestrel::testing {

// The transaction library's streams with scripted results. Every call is
// recorded in the journal given (the library's own, so their order shows
// against the connection's calls); Fire reports an event as the library
// does, from any thread.
class FakeTerminalStreams : public TerminalStreams {
 public:
  explicit FakeTerminalStreams(std::vector<std::string>& calls) : calls_(calls) {}

  std::string Unavailable() override {
    calls_.push_back("Unavailable");
    return UnavailableText;
  }
  void SetSink(std::function<void(TerminalEvent)> sink) override {
    calls_.push_back("SetSink");
    const std::lock_guard<std::mutex> lock(mutex_);
    sink_ = std::move(sink);
  }
  std::int32_t SubscribeOrders(const std::string& classCode, const std::string& secCodes) override {
    return Call("SubscribeOrders " + classCode + " " + secCodes, SubscribeResult);
  }
  std::int32_t SubscribeTrades(const std::string& classCode, const std::string& secCodes) override {
    return Call("SubscribeTrades " + classCode + " " + secCodes, SubscribeResult);
  }
  std::int32_t StartOrders() override { return Call("StartOrders", 0); }
  std::int32_t StartTrades() override { return Call("StartTrades", StartTradesResult); }
  std::int32_t UnsubscribeOrders() override {
    if (WhileUnsubscribing) {
      WhileUnsubscribing();
    }
    return Call("UnsubscribeOrders", 0);
  }
  std::int32_t UnsubscribeTrades() override { return Call("UnsubscribeTrades", 0); }
  std::int32_t SetTransactionsReplyCallback(std::int32_t&, std::string& message,
                                            std::int32_t) override {
    message = ReplyCallbackMessage;
    return Call("SetTransactionsReplyCallback", ReplyCallbackResult);
  }
  std::int32_t SetConnectionStatusCallback(std::int32_t&, std::string&, std::int32_t) override {
    return Call("SetConnectionStatusCallback", 0);
  }
  std::int32_t SendAsyncTransaction(const std::string& transaction, std::int32_t& extendedErrorCode,
                                    std::string& errorMessage,
                                    std::int32_t errorMessageSize) override {
    calls_.push_back("SendAsync");
    Sent.push_back(transaction);
    BufferSizes.push_back(errorMessageSize);
    extendedErrorCode = AsyncExtendedErrorCode;
    errorMessage = AsyncErrorMessage;
    return AsyncResult;
  }
  void Detach() override {
    calls_.push_back("Detach");
    const std::lock_guard<std::mutex> lock(mutex_);
    sink_ = nullptr;
  }

  // Any thread: the event reaches the sink unless there is none (not set
  // yet, or detached). Callbacks never overlap, as the library's.
  bool Fire(TerminalEvent event) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!sink_) {
      return false;
    }
    sink_(std::move(event));
    return true;
  }

  std::string UnavailableText;
  std::int32_t SubscribeResult = 0;
  std::int32_t StartTradesResult = 0;
  std::int32_t ReplyCallbackResult = 0;
  std::string ReplyCallbackMessage;
  std::int32_t AsyncResult = 0;
  std::int32_t AsyncExtendedErrorCode = 0;
  std::string AsyncErrorMessage;
  std::vector<std::string> Sent;
  std::vector<std::int32_t> BufferSizes;
  // Runs inside UnsubscribeOrders, as a library's thread may report a last
  // event while its streams are being ended.
  std::function<void()> WhileUnsubscribing;

 private:
  std::int32_t Call(std::string name, std::int32_t result) {
    calls_.push_back(std::move(name));
    return result;
  }

  std::vector<std::string>& calls_;
  std::mutex mutex_;
  std::function<void(TerminalEvent)> sink_;
};

}  // namespace vestrel::testing
