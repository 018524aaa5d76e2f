#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/app_error.h"
#include "ports/transaction_library.h"

namespace vestrel::testing {

// A transaction library with scripted results that records every call.
class FakeTransactionLibrary : public TransactionLibrary {
 public:
  // What a send writes into its outputs.
  struct Reply {
    std::int32_t ReplyCode = 3;
    std::int32_t TransId = 1;
    double OrderNum = 7;
    std::string ResultMessage = "M";
    std::int32_t ExtendedErrorCode = 0;
    std::string ErrorMessage;
  };

  std::int32_t Connect(const std::string& text, std::int32_t&) override {
    return Call("Connect " + text, ConnectResult);
  }
  std::int32_t IsDllConnected(std::int32_t&) override {
    return Call("IsDllConnected", DllConnectedResult);
  }
  std::int32_t IsQuikConnected(std::int32_t&) override {
    return Call("IsQuikConnected", QuikConnectedResult);
  }
  std::int32_t Disconnect(std::int32_t&) override { return Call("Disconnect", 0); }
  std::int32_t SendSyncTransaction(const std::string& transaction, std::int32_t& replyCode,
                                   std::int32_t& transId, double& orderNum,
                                   std::string& resultMessage, std::int32_t resultMessageSize,
                                   std::int32_t& extendedErrorCode, std::string& errorMessage,
                                   std::int32_t errorMessageSize) override {
    Call("Send", 0);
    Sent.push_back(transaction);
    if (WhileSending) {
      WhileSending();
    }
    BufferSizes.emplace_back(resultMessageSize, errorMessageSize);
    if (SendReply) {
      replyCode = SendReply->ReplyCode;
      transId = SendReply->TransId;
      orderNum = SendReply->OrderNum;
      resultMessage = SendReply->ResultMessage;
      extendedErrorCode = SendReply->ExtendedErrorCode;
      errorMessage = SendReply->ErrorMessage;
    }
    return SendResult;
  }

  std::int32_t ConnectResult = 0;
  std::int32_t DllConnectedResult = 10;
  std::int32_t QuikConnectedResult = 8;
  std::int32_t SendResult = 0;
  std::optional<Reply> SendReply = Reply{};  // empty: the outputs are left alone
  std::optional<AppError> Failure;           // thrown by every call while set
  // What LoadFailure reports (set it with Failure for a library that would not load).
  LibraryLoadFailure Load;
  // Runs inside every send, as time passes while the terminal answers.
  std::function<void()> WhileSending;

  LibraryLoadFailure LoadFailure() const override { return Load; }

  std::vector<std::string> Calls;
  std::vector<std::string> Sent;
  std::vector<std::pair<std::int32_t, std::int32_t>> BufferSizes;

 private:
  std::int32_t Call(std::string name, std::int32_t result) {
    if (Failure) {
      throw *Failure;
    }
    Calls.push_back(std::move(name));
    return result;
  }
};

}  // namespace vestrel::testing
