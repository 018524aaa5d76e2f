#include "trade/gateway.h"

#include <exception>

#include "common/conversions.h"
#include "diag/error_scope.h"
#include "models/both_logs.h"
#include "trade/result_codes.h"
#include "trade/show_err.h"

namespace vestrel {
namespace {

const std::string kBufferSizeText = IntegerText(kTransMessageBufferSize);

}  // namespace

std::string TransReplyEventLine(std::int32_t replyCode, std::int64_t transId, double orderNum,
                                const std::string& resultMessage, std::int32_t extendedErrorCode,
                                const std::string& errorMessage, char decimalSeparator) {
  return IntegerText(replyCode) + '|' + IntegerText(transId) + '|' +
         NumberText(orderNum, decimalSeparator) + '|' +
         TransReplyLogText(resultMessage, extendedErrorCode, errorMessage);
}

std::string TransReplyLogText(const std::string& resultMessage, std::int32_t extendedErrorCode,
                              const std::string& errorMessage) {
  return resultMessage + '|' + kBufferSizeText + '|' + IntegerText(extendedErrorCode) + '|' +
         errorMessage + '|' + kBufferSizeText;
}

TradingGateway::TradingGateway(LogDispatcher& log, EventLog& appLog,
                               const RegionalSettings& regional, MessageBox& messages,
                               TransactionLibrary& library, LogWindowModel& logWindow)
    : log_(log),
      appLog_(appLog),
      regional_(regional),
      messages_(messages),
      library_(&library),
      logWindow_(logWindow) {}

bool TradingGateway::Connect(const std::string& appPath) {
  ErrorScope scope(log_, "Vestrel.frmMain.QuikInit");
  return scope.PassOn([&]() -> bool {
    std::int32_t extendedErrorCode = 0;
    scope.Line = 1;
    std::int32_t result = library_->Connect(appPath, extendedErrorCode);
    if (result != kTrans2QuikSuccess) {
      scope.Line = 2;
      ShowResultCode(log_, messages_, result);
      return false;
    }
    scope.Line = 3;
    result = library_->IsDllConnected(extendedErrorCode);
    if (result != kTrans2QuikDllConnected) {
      scope.Line = 4;
      ShowResultCode(log_, messages_, result);
      return false;
    }
    scope.Line = 5;
    result = library_->IsQuikConnected(extendedErrorCode);
    if (result != kTrans2QuikQuikConnected) {
      scope.Line = 6;
      ShowResultCode(log_, messages_, result);
      return false;
    }
    return true;
  });
}

void TradingGateway::Disconnect() {
  ErrorScope scope(log_, "Vestrel.frmMain.QuikTerm");
  scope.PassOn([&] {
    scope.Line = 1;
    std::int32_t extendedErrorCode = 0;
    library_->Disconnect(extendedErrorCode);
  });
}

std::int32_t TradingGateway::Send(const std::string& transaction) {
  ErrorScope scope(log_, "Vestrel.frmMain.SendTrans", ParamRef("strTrans", transaction));
  return scope.PassOn([&]() -> std::int32_t {
    scope.Line = 1;
    std::int32_t replyCode = 0;
    std::int32_t transId = 0;
    double orderNum = 0;
    std::int32_t extendedErrorCode = 0;
    std::string resultMessage;
    std::string errorMessage;
    scope.Line = 2;
    std::int32_t result = 0;
    if (async_ != nullptr) {
      result = async_->SendAsyncTransaction(transaction, extendedErrorCode, errorMessage,
                                            kTransMessageBufferSize);
      ++sendsMade_;
      if (result == kTrans2QuikSuccess) {
        return result;  // the reply is written when it arrives
      }
    } else {
      result = library_->SendSyncTransaction(
          transaction, replyCode, transId, orderNum, resultMessage, kTransMessageBufferSize,
          extendedErrorCode, errorMessage, kTransMessageBufferSize);
      ++sendsMade_;
      lastOrderNumber_ = orderNum;
    }
    if (TransactionRefused(result, replyCode)) {
      ++refusals_;
      if (onRefused_) {
        onRefused_();
      }
    }
    // The order is out: a failing event log must not also keep its reply out
    // of the log window, where the trader looks for it.
    const BothLogsSteps steps{scope.Line, 3, 4};
    WriteBothLogs(
        appLog_,
        TransReplyEventLine(replyCode, transId, orderNum, resultMessage, extendedErrorCode,
                            errorMessage, regional_.DecimalSeparator()),
        EventType::Information, logWindow_,
        TransReplyLogText(resultMessage, extendedErrorCode, errorMessage), &steps);
    return result;
  });
}

std::int32_t TradingGateway::SendNewOrder(const std::string& transaction, std::uint32_t transId,
                                          OrderSide side, std::int64_t lots) {
  if (tracked_ == nullptr) {
    return Send(transaction);
  }
  // Counted before it goes: a refusal below takes it back, and a send that
  // fails halfway keeps it, as the order may have gone.
  tracked_->OrderSent(transId, side, lots);
  const std::uint64_t refusedBefore = refusals_;
  const std::int32_t result = Send(transaction);
  if (refusals_ != refusedBefore || (async_ != nullptr && result != kTrans2QuikSuccess)) {
    tracked_->OrderNotPlaced(transId);
  } else if (async_ == nullptr) {
    tracked_->OrderPlaced(transId, lastOrderNumber_);
  }
  return result;
}

void TradingGateway::ReplyArrived(const TransactionReplyEvent& reply) {
  ErrorScope scope(log_, "Vestrel.frmMain.TransReply", ParamRef("lngTransId", reply.TransId));
  scope.PassOn([&] {
    // A reply carries one message: the terminal's answer when the
    // transaction went through, otherwise why it did not.
    if (TransactionRefused(reply.Result, reply.ReplyCode)) {
      if (tracked_ != nullptr) {
        tracked_->OrderNotPlaced(reply.TransId);
      }
      if (onRefused_) {
        onRefused_();
      }
    } else if (tracked_ != nullptr) {
      tracked_->OrderPlaced(reply.TransId, reply.OrderNumber);
    }
    const bool executed = reply.Result == kTrans2QuikSuccess;
    const std::string& resultMessage = executed ? reply.Message : std::string();
    const std::string& errorMessage = executed ? std::string() : reply.Message;
    const BothLogsSteps steps{scope.Line, 1, 2};
    WriteBothLogs(
        appLog_,
        TransReplyEventLine(reply.ReplyCode, reply.TransId, reply.OrderNumber, resultMessage,
                            reply.ExtendedErrorCode, errorMessage, regional_.DecimalSeparator()),
        EventType::Information, logWindow_,
        TransReplyLogText(resultMessage, reply.ExtendedErrorCode, errorMessage), &steps);
  });
}

}  // namespace vestrel
