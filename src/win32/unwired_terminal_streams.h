#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "ports/terminal_streams.h"

namespace vestrel::win32 {

// TEMPORARY, until the adapter of the library's streaming functions lands:
// reports the streams unavailable, so [Live] stays off with one warning and
// the panel trades as without it. Nothing else is ever called; each call
// answers TRANS2QUIK_FAILED.
class UnwiredTerminalStreams : public TerminalStreams {
 public:
  std::string Unavailable() override {
    return "the transaction library's streams are not wired yet";
  }
  void SetSink(std::function<void(TerminalEvent)>) override {}
  std::int32_t SubscribeOrders(const std::string&, const std::string&) override { return kFailed; }
  std::int32_t SubscribeTrades(const std::string&, const std::string&) override { return kFailed; }
  std::int32_t StartOrders() override { return kFailed; }
  std::int32_t StartTrades() override { return kFailed; }
  std::int32_t UnsubscribeOrders() override { return kFailed; }
  std::int32_t UnsubscribeTrades() override { return kFailed; }
  std::int32_t SetTransactionsReplyCallback(std::int32_t&, std::string&, std::int32_t) override {
    return kFailed;
  }
  std::int32_t SetConnectionStatusCallback(std::int32_t&, std::string&, std::int32_t) override {
    return kFailed;
  }
  std::int32_t SendAsyncTransaction(const std::string&, std::int32_t&, std::string&,
                                    std::int32_t) override {
    return kFailed;
  }
  void Detach() override {}

 private:
  static constexpr std::int32_t kFailed = 1;
};

}  // namespace vestrel::win32
