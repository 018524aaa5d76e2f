#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "ports/terminal_streams.h"
#include "win32/win32_transaction_library.h"

namespace vestrel::win32 {

// The transaction library's order, trade, reply and connection streams and
// its asynchronous send, over the module Win32TransactionLibrary has loaded
// (never a second copy). Each function is looked up at its first call as the
// synchronous ones are: decorated 32-bit name first, whose byte count checks
// the signature, then the plain name.
//
// The library's callbacks carry no context, so they go through functions of
// this file to one sink for the whole process: the last SetSink's. Each
// callback copies its arguments into an event (texts from the ANSI code page
// to UTF-8) and calls the sink under a lock that Detach takes too, so once
// Detach returns no callback is in the sink or will enter it. Before the
// first callback is handed to the library, the library is pinned: it stays
// loaded until the process ends, since one of its threads may still be on
// its way into a callback.
class Win32TerminalStreams : public TerminalStreams {
 public:
  explicit Win32TerminalStreams(Win32TransactionLibrary& library);
  // Detaches.
  ~Win32TerminalStreams() override;

  Win32TerminalStreams(const Win32TerminalStreams&) = delete;
  Win32TerminalStreams& operator=(const Win32TerminalStreams&) = delete;

  std::string Unavailable() override;
  void SetSink(std::function<void(TerminalEvent)> sink) override;

  std::int32_t SubscribeOrders(const std::string& classCode, const std::string& secCodes) override;
  std::int32_t SubscribeTrades(const std::string& classCode, const std::string& secCodes) override;
  std::int32_t StartOrders() override;
  std::int32_t StartTrades() override;
  std::int32_t UnsubscribeOrders() override;
  std::int32_t UnsubscribeTrades() override;

  std::int32_t SetTransactionsReplyCallback(std::int32_t& extendedErrorCode,
                                            std::string& errorMessage,
                                            std::int32_t errorMessageSize) override;
  std::int32_t SetConnectionStatusCallback(std::int32_t& extendedErrorCode,
                                           std::string& errorMessage,
                                           std::int32_t errorMessageSize) override;
  std::int32_t SendAsyncTransaction(const std::string& transaction, std::int32_t& extendedErrorCode,
                                    std::string& errorMessage,
                                    std::int32_t errorMessageSize) override;

  void Detach() override;

  enum Function {
    kSendAsyncTransaction,
    kSetTransactionsReplyCallback,
    kSetConnectionStatusCallback,
    kSubscribeOrders,
    kSubscribeTrades,
    kStartOrders,
    kStartTrades,
    kUnsubscribeOrders,
    kUnsubscribeTrades,
    kFunctionCount
  };

 private:
  void* Entry(Function function);
  // Whether a callback's signature changed between the library's generations.
  enum class Signature { OfCurrentGeneration, SameInEveryGeneration };
  // The entry of a function given a callback the library calls from its own
  // threads: refused unless the library is of the current generation where
  // the signature changed, and the library kept loaded for the rest of the
  // process before the callback is handed over.
  void* CallbackEntry(Function function, Signature signature);
  // Keeps the module that holds `entry` loaded for the rest of the process.
  void Pin(void* entry);

  Win32TransactionLibrary& library_;
  std::array<void*, kFunctionCount> entries_{};
  bool pinned_ = false;
};

}  // namespace vestrel::win32
