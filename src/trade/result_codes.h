#pragma once

#include <cstdint>
#include <string>

#include "diag/log_dispatcher.h"

namespace vestrel {

// Result codes of the transaction library that the panel acts on.
inline constexpr std::int32_t kTrans2QuikSuccess = 0;
inline constexpr std::int32_t kTrans2QuikQuikConnected = 8;
inline constexpr std::int32_t kTrans2QuikDllConnected = 10;

// Reply codes of a transaction: sent on to the server, received by it, and
// executed; every other code is a refusal of some kind.
inline constexpr std::int32_t kReplySent = 0;
inline constexpr std::int32_t kReplyReceived = 1;
inline constexpr std::int32_t kReplyExecuted = 3;

// Whether the terminal refused a transaction: a send whose result is not
// success, or a reply code that says it was not executed.
inline bool TransactionRefused(std::int32_t result, std::int32_t replyCode) {
  return result != kTrans2QuikSuccess ||
         (replyCode != kReplySent && replyCode != kReplyReceived && replyCode != kReplyExecuted);
}

// The trader's text for a result code; "" for codes outside 0..13.
std::string ResultCodeName(LogDispatcher& log, std::int32_t code);

}  // namespace vestrel
