// The stand-in TRANS2QUIK.DLL: a terminal with an exchange behind it.
//
// Connecting succeeds, the two connection tests report both connections, and
// every well-formed transaction is answered with reply code 3, its TRANS_ID,
// a growing order number for a new order and a short result message. New
// orders rest and are filled against the top of the book termsim writes,
// cancelled by KILL_ORDER and KILL_ALL_FUTURES_ORDERS, and reported on the
// order and trade streams. Every call is appended to a journal file;
// environment variables and a script file, read at every call, script other
// answers. README.md beside this file lists both.
//
// Callbacks come from the library's worker thread (standin_worker.cpp).
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "exchange.h"
#include "standin_environment.h"
#include "standin_terminal.h"
#include "transaction_text.h"

namespace {

using namespace vestrel::termsim;

// The library's result codes used here.
constexpr long kSuccess = 0;
constexpr long kFailed = 1;
constexpr long kAlreadyConnected = 4;
constexpr long kWrongSyntax = 5;
constexpr long kDllNotConnected = 7;
constexpr long kDllConnected = 10;
constexpr long kDllDisconnected = 11;

void SetOut(long* out, long value) {
  if (out != nullptr) {
    *out = value;
  }
}

// Copies a message into the caller's buffer: NUL-terminated when it fits,
// cut to the buffer and without NUL when it does not.
void WriteMessage(LPSTR buffer, DWORD size, std::string_view text) {
  if (buffer == nullptr || size == 0) {
    return;
  }
  const std::size_t count = text.size() < size ? text.size() : size;
  std::memcpy(buffer, text.data(), count);
  if (count < size) {
    buffer[count] = '\0';
  }
}

std::string Text(LPCSTR text) { return text != nullptr ? text : ""; }

// What the script asks of the next new order; "next..." values are taken
// once each.
ExchangeRules RulesNow() {
  ExchangeRules rules;
  std::string base;
  if (Env("TERMSIM_T2Q_BASE_CONTRACT", base) && !base.empty()) {
    rules.BaseContract = base;
  }
  std::string reject;
  Env("TERMSIM_T2Q_REJECT", reject);
  if (reject == "every") {
    rules.RejectOrder = true;
  } else if (reject.rfind("next", 0) == 0) {
    Locked locked;
    if (T().RejectNextTaken != reject) {
      // Used up by a new order only (TakeRejectNext).
      rules.RejectOrder = true;
    }
  }
  return rules;
}

void TakeRejectNext(const Transaction& transaction, const ExchangeRules& rules) {
  std::string reject;
  if (rules.RejectOrder && transaction.Field("ACTION") == "NEW_ORDER" &&
      Env("TERMSIM_T2Q_REJECT", reject) && reject.rfind("next", 0) == 0) {
    Locked locked;
    T().RejectNextTaken = reject;
  }
}

// The outputs every call has.
void CommonOutputs(long* extendedErrorCode, LPSTR errorMessage, DWORD errorMessageSize) {
  SetOut(extendedErrorCode, EnvLong("TERMSIM_T2Q_EXTENDED_ERROR", 0));
  WriteMessage(errorMessage, errorMessageSize, "");
}

long Subscribe(const char* journalName, bool orders, LPCSTR classCode, LPCSTR secCodes) {
  Journal(std::string(journalName) + " " + Text(classCode) + "|" + Text(secCodes));
  SeedDay();
  Locked locked;
  (orders ? T().OrderFilter : T().TradeFilter).Add(Text(classCode), Text(secCodes));
  return kSuccess;
}

// Starts a stream: the day so far (mode 1 each), then mode 2 alone, then
// every change (mode 0).
long Start(bool orders, void* callback) {
  Journal(orders ? "START_ORDERS" : "START_TRADES");
  SeedDay();
  MatchAgainstBook();
  if (!EnsureWorker()) {
    return kFailed;
  }
  Terminal& t = T();
  Locked locked;
  const std::uint64_t now = NowUs();
  if (orders) {
    t.OnOrder = reinterpret_cast<OrderCallback>(callback);
    t.OrdersStarted = true;
    const std::uint64_t generation = ++t.OrdersGeneration;
    for (const Order& order : t.Market.Orders()) {
      if (t.OrderFilter.Matches(order.ClassCode, order.SecCode)) {
        Enqueue(now, StreamItem{1, true, generation, order, {}});
      }
    }
    Enqueue(now, StreamItem{2, true, generation, {}, {}});
  } else {
    t.OnTrade = reinterpret_cast<TradeCallback>(callback);
    t.TradesStarted = true;
    const std::uint64_t generation = ++t.TradesGeneration;
    for (const Trade& trade : t.Market.Trades()) {
      if (t.TradeFilter.Matches(trade.ClassCode, trade.SecCode)) {
        Enqueue(now, StreamItem{1, false, generation, {}, trade});
      }
    }
    Enqueue(now, StreamItem{2, false, generation, {}, {}});
  }
  return kSuccess;
}

long Unsubscribe(bool orders) {
  Journal(orders ? "UNSUBSCRIBE_ORDERS" : "UNSUBSCRIBE_TRADES");
  bool idle = false;
  {
    Terminal& t = T();
    Locked locked;
    if (orders) {
      t.OrderFilter.Clear();
      t.OrdersStarted = false;
      ++t.OrdersGeneration;
    } else {
      t.TradeFilter.Clear();
      t.TradesStarted = false;
      ++t.TradesGeneration;
    }
    idle = !NeedsWorker();
  }
  if (idle) {
    StopWorker();
  }
  return kSuccess;
}

}  // namespace

extern "C" {

long WINAPI TRANS2QUIK_CONNECT(LPCSTR connectionString, long* extendedErrorCode, LPSTR errorMessage,
                               DWORD errorMessageSize) {
  Journal("CONNECT " + Text(connectionString));
  bool connected = false;
  {
    Locked locked;
    connected = T().Connected;
  }
  long result = connected ? kAlreadyConnected : kSuccess;
  result = EnvLong("TERMSIM_T2Q_CONNECT", result);
  if (result == kSuccess) {
    Locked locked;
    T().Connected = true;
  }
  CommonOutputs(extendedErrorCode, errorMessage, errorMessageSize);
  return result;
}

long WINAPI TRANS2QUIK_IS_DLL_CONNECTED(long* extendedErrorCode, LPSTR errorMessage,
                                        DWORD errorMessageSize) {
  Journal("IS_DLL_CONNECTED");
  CommonOutputs(extendedErrorCode, errorMessage, errorMessageSize);
  bool connected = false;
  {
    Locked locked;
    connected = T().Connected;
  }
  return EnvLong("TERMSIM_T2Q_DLL_CONNECTED", connected ? kDllConnected : kDllDisconnected);
}

long WINAPI TRANS2QUIK_IS_QUIK_CONNECTED(long* extendedErrorCode, LPSTR errorMessage,
                                         DWORD errorMessageSize) {
  Journal("IS_QUIK_CONNECTED");
  CommonOutputs(extendedErrorCode, errorMessage, errorMessageSize);
  bool up = false;
  {
    Locked locked;
    up = T().Connected && !T().QuikLost;
  }
  return EnvLong("TERMSIM_T2Q_QUIK_CONNECTED", up ? kQuikConnected : kQuikDisconnected);
}

long WINAPI TRANS2QUIK_DISCONNECT(long* extendedErrorCode, LPSTR errorMessage,
                                  DWORD errorMessageSize) {
  Journal("DISCONNECT");
  StopWorker();
  bool connected = false;
  {
    Locked locked;
    connected = std::exchange(T().Connected, false);
  }
  const long result = EnvLong("TERMSIM_T2Q_DISCONNECT", connected ? kSuccess : kDllNotConnected);
  CommonOutputs(extendedErrorCode, errorMessage, errorMessageSize);
  return result;
}

long WINAPI TRANS2QUIK_SEND_SYNC_TRANSACTION(LPSTR transactionString, long* replyCode,
                                             long* transId, double* orderNum, LPSTR resultMessage,
                                             DWORD resultMessageSize, long* extendedErrorCode,
                                             LPSTR errorMessage, DWORD errorMessageSize) {
  const std::string_view text = transactionString != nullptr ? transactionString : "";
  Journal("SEND " + std::string(text));

  const long delay = EnvLong("TERMSIM_T2Q_SEND_DELAY_MS", 0);
  if (delay > 0) {
    Sleep(static_cast<DWORD>(delay));
  }

  const Transaction transaction = ParseTransaction(text);
  bool connected = false;
  {
    Locked locked;
    connected = T().Connected;
  }
  Reply reply;
  std::string error;
  if (!connected) {
    reply = {kDllNotConnected, 0, 0, ""};
    error = "Not connected to the terminal";
  } else if (!transaction.WellFormed) {
    reply = {kWrongSyntax, 0, 0, ""};
    error = "Wrong transaction syntax";
  } else {
    SeedDay();
    const ExchangeRules rules = RulesNow();
    TakeRejectNext(transaction, rules);
    {
      Locked locked;
      reply = T().Market.Execute(transaction, rules);
    }
    MatchAgainstBook();
  }

  std::string outputs;
  if (Env("TERMSIM_T2Q_SEND_OUTPUTS", outputs) && outputs == "none") {
    return EnvLong("TERMSIM_T2Q_SEND", reply.Result);
  }
  Env("TERMSIM_T2Q_RESULT_MESSAGE", reply.Message);
  Env("TERMSIM_T2Q_ERROR_MESSAGE", error);
  SetOut(replyCode, EnvLong("TERMSIM_T2Q_REPLY_CODE", reply.ReplyCode));
  SetOut(transId, EnvLong("TERMSIM_T2Q_TRANS_ID",
                          std::strtol(transaction.Field("TRANS_ID").c_str(), nullptr, 10)));
  if (orderNum != nullptr) {
    *orderNum = EnvDouble("TERMSIM_T2Q_ORDER_NUM", static_cast<double>(reply.OrderNumber));
  }
  SetOut(extendedErrorCode, EnvLong("TERMSIM_T2Q_EXTENDED_ERROR", 0));
  WriteMessage(resultMessage, resultMessageSize, reply.Message);
  WriteMessage(errorMessage, errorMessageSize, error);
  return EnvLong("TERMSIM_T2Q_SEND", reply.Result);
}

long WINAPI TRANS2QUIK_SEND_ASYNC_TRANSACTION(LPCSTR transactionString, long* extendedErrorCode,
                                              LPSTR errorMessage, DWORD errorMessageSize) {
  const std::string text = Text(transactionString);
  Journal("SEND_ASYNC " + text);
  SetOut(extendedErrorCode, EnvLong("TERMSIM_T2Q_EXTENDED_ERROR", 0));

  PendingTransaction pending;
  pending.Parsed = ParseTransaction(text);
  bool connected = false;
  {
    Locked locked;
    connected = T().Connected;
  }
  long refusal = EnvLong("TERMSIM_T2Q_SEND_ASYNC", kSuccess);
  std::string error;
  if (!connected) {
    refusal = kDllNotConnected;
    error = "Not connected to the terminal";
  } else if (!pending.Parsed.WellFormed) {
    refusal = kWrongSyntax;
    error = "Wrong transaction syntax";
  } else if (refusal == kSuccess && !EnsureWorker()) {
    refusal = kFailed;
    error = "The library could not start its thread";
  }
  Env("TERMSIM_T2Q_ERROR_MESSAGE", error);
  WriteMessage(errorMessage, errorMessageSize, refusal == kSuccess ? "" : error);
  if (refusal != kSuccess) {
    return refusal;
  }

  SeedDay();
  pending.Rules = RulesNow();
  TakeRejectNext(pending.Parsed, pending.Rules);
  pending.ExtendedError = EnvLong("TERMSIM_T2Q_EXTENDED_ERROR", 0);
  std::string value;
  if ((pending.HasResult = Env("TERMSIM_T2Q_SEND", value))) {
    pending.Result = EnvLong("TERMSIM_T2Q_SEND", 0);
  }
  if ((pending.HasReplyCode = Env("TERMSIM_T2Q_REPLY_CODE", value))) {
    pending.ReplyCode = EnvLong("TERMSIM_T2Q_REPLY_CODE", 0);
  }
  if ((pending.HasTransId = Env("TERMSIM_T2Q_TRANS_ID", value))) {
    pending.TransId = EnvLong("TERMSIM_T2Q_TRANS_ID", 0);
  }
  if ((pending.HasOrderNum = Env("TERMSIM_T2Q_ORDER_NUM", value))) {
    pending.OrderNum = EnvDouble("TERMSIM_T2Q_ORDER_NUM", 0);
  }
  pending.HasMessage = Env("TERMSIM_T2Q_RESULT_MESSAGE", pending.Message);
  const long delay = EnvLong("TERMSIM_T2Q_SEND_DELAY_MS", 0);
  Locked locked;
  Enqueue(NowUs() + static_cast<std::uint64_t>(delay > 0 ? delay : 0) * 1000, std::move(pending));
  return kSuccess;
}

long WINAPI TRANS2QUIK_SET_TRANSACTIONS_REPLY_CALLBACK(ReplyCallback callback,
                                                       long* extendedErrorCode, LPSTR errorMessage,
                                                       DWORD errorMessageSize) {
  Journal("SET_TRANSACTIONS_REPLY_CALLBACK");
  CommonOutputs(extendedErrorCode, errorMessage, errorMessageSize);
  {
    Locked locked;
    T().OnReply = callback;
  }
  if (callback != nullptr && !EnsureWorker()) {
    return kFailed;
  }
  return kSuccess;
}

long WINAPI TRANS2QUIK_SET_CONNECTION_STATUS_CALLBACK(ConnectionCallback callback,
                                                      long* extendedErrorCode, LPSTR errorMessage,
                                                      DWORD errorMessageSize) {
  Journal("SET_CONNECTION_STATUS_CALLBACK");
  CommonOutputs(extendedErrorCode, errorMessage, errorMessageSize);
  {
    Locked locked;
    T().OnConnection = callback;
  }
  if (callback != nullptr && !EnsureWorker()) {
    return kFailed;
  }
  return kSuccess;
}

long WINAPI TRANS2QUIK_SUBSCRIBE_ORDERS(LPCSTR classCode, LPCSTR secCodes) {
  return Subscribe("SUBSCRIBE_ORDERS", true, classCode, secCodes);
}

long WINAPI TRANS2QUIK_SUBSCRIBE_TRADES(LPCSTR classCode, LPCSTR secCodes) {
  return Subscribe("SUBSCRIBE_TRADES", false, classCode, secCodes);
}

long WINAPI TRANS2QUIK_START_ORDERS(OrderCallback callback) {
  return Start(true, reinterpret_cast<void*>(callback));
}

long WINAPI TRANS2QUIK_START_TRADES(TradeCallback callback) {
  return Start(false, reinterpret_cast<void*>(callback));
}

long WINAPI TRANS2QUIK_UNSUBSCRIBE_ORDERS() { return Unsubscribe(true); }

long WINAPI TRANS2QUIK_UNSUBSCRIBE_TRADES() { return Unsubscribe(false); }

// The class code of the transaction a reply answers; the descriptor is the
// one the reply callback was given. Empty for any other.
LPCSTR WINAPI TRANS2QUIK_TRANSACTION_REPLY_CLASS_CODE(intptr_t replyDescriptor) {
  Journal("TRANSACTION_REPLY_CLASS_CODE " +
          std::to_string(static_cast<long long>(replyDescriptor)));
  Terminal& t = T();
  Locked locked;
  if (replyDescriptor < 1 || static_cast<std::size_t>(replyDescriptor) > t.ReplyClassCodes.size()) {
    return "";
  }
  return t.ReplyClassCodes[static_cast<std::size_t>(replyDescriptor) - 1].c_str();
}

}  // extern "C"
