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
// Callbacks come from one worker thread of the library's own, one at a time,
// never on a caller's thread. The worker holds a reference to this module and
// leaves through FreeLibraryAndExitThread, so the library cannot be unloaded
// under it; it is stopped (and waited for) at disconnect, or when nothing is
// subscribed and no callback is set any more.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "book_top.h"
#include "exchange.h"
#include "script_lists.h"
#include "standin_environment.h"
#include "transaction_text.h"

namespace {

using namespace vestrel::termsim;

// The library's result codes used here.
constexpr long kSuccess = 0;
constexpr long kFailed = 1;
constexpr long kAlreadyConnected = 4;
constexpr long kWrongSyntax = 5;
constexpr long kDllNotConnected = 7;
constexpr long kQuikConnected = 8;
constexpr long kQuikDisconnected = 9;
constexpr long kDllConnected = 10;
constexpr long kDllDisconnected = 11;

// How often the worker looks at the book file and the script while it runs.
constexpr ULONGLONG kTickMs = 50;

using ReplyCallback = void(WINAPI*)(long result, long extendedErrorCode, long replyCode,
                                    DWORD transId, unsigned long long orderNum, LPCSTR replyMessage,
                                    intptr_t replyDescriptor);
using OrderCallback = void(WINAPI*)(long mode, DWORD transId, unsigned long long orderNum,
                                    LPCSTR classCode, LPCSTR secCode, double price,
                                    long long balance, double value, long isSell, long status,
                                    intptr_t orderDescriptor);
using TradeCallback = void(WINAPI*)(long mode, unsigned long long tradeNum,
                                    unsigned long long orderNum, LPCSTR classCode, LPCSTR secCode,
                                    double price, long long qty, double value, long isSell,
                                    intptr_t tradeDescriptor);
using ConnectionCallback = void(WINAPI*)(long connectionEvent, long extendedErrorCode,
                                         LPCSTR infoMessage);

// An asynchronous transaction waiting for its scripted delay, with the
// answers the script gave when it was sent.
struct PendingTransaction {
  Transaction Parsed;
  ExchangeRules Rules;
  long ExtendedError = 0;
  bool HasResult = false, HasReplyCode = false, HasTransId = false, HasOrderNum = false,
       HasMessage = false;
  long Result = 0, ReplyCode = 0, TransId = 0;
  double OrderNum = 0;
  std::string Message;
};

struct ReplyItem {
  long Result = 0;
  long ExtendedError = 0;
  long ReplyCode = 0;
  DWORD TransId = 0;
  unsigned long long OrderNum = 0;
  std::string Message;
  intptr_t Descriptor = 0;
};

// An order or a trade for a stream: mode 0 or 1 with the item, mode 2 alone.
struct StreamItem {
  long Mode = 0;
  bool IsOrder = true;
  std::uint64_t Generation = 0;  // of the stream when it was queued
  Order TheOrder;
  Trade TheTrade;
};

struct ConnectionItem {
  long Event = 0;
};

struct QueuedItem {
  ULONGLONG Due = 0;
  std::uint64_t Sequence = 0;
  std::variant<PendingTransaction, ReplyItem, StreamItem, ConnectionItem> What;
};

struct Terminal {
  SRWLOCK Lock = SRWLOCK_INIT;
  CONDITION_VARIABLE Wake = CONDITION_VARIABLE_INIT;

  bool Connected = false;
  // The terminal's server connection as last reported through the
  // connection callback; the connection test answers it.
  bool QuikLost = false;

  Exchange Market;
  bool DaySeeded = false;
  std::string RejectNextTaken;       // the "next..." value already acted on
  std::string ConnectionScriptSeen;  // the connection-events value already acted on

  InstrumentFilter OrderFilter, TradeFilter;
  bool OrdersStarted = false, TradesStarted = false;
  std::uint64_t OrdersGeneration = 0, TradesGeneration = 0;
  OrderCallback OnOrder = nullptr;
  TradeCallback OnTrade = nullptr;
  ReplyCallback OnReply = nullptr;
  ConnectionCallback OnConnection = nullptr;

  // Class codes of the replies handed out, by descriptor (1, 2, ...).
  std::deque<std::string> ReplyClassCodes;

  std::deque<QueuedItem> Queue;
  std::uint64_t NextSequence = 0;
  HANDLE Worker = nullptr;
  DWORD WorkerId = 0;
  std::uint64_t WorkerGeneration = 0;  // a worker runs while it is its own
};

// Never destroyed: at process exit the worker may have been ended holding it.
Terminal& T() {
  static Terminal* terminal = new Terminal;
  return *terminal;
}

class Locked {
 public:
  Locked() { AcquireSRWLockExclusive(&T().Lock); }
  ~Locked() { ReleaseSRWLockExclusive(&T().Lock); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
};

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

// --- under the lock -------------------------------------------------------

void Enqueue(ULONGLONG due, decltype(QueuedItem::What) what) {
  Terminal& t = T();
  t.Queue.push_back({due, t.NextSequence++, std::move(what)});
  WakeAllConditionVariable(&t.Wake);
}

// The exchange's changes, onto the streams that are started and subscribed
// to their instrument.
void QueueReports() {
  Terminal& t = T();
  const ULONGLONG now = GetTickCount64();
  for (Report& report : t.Market.TakeReports()) {
    if (const Order* order = std::get_if<Order>(&report)) {
      if (t.OrdersStarted && t.OrderFilter.Matches(order->ClassCode, order->SecCode)) {
        Enqueue(now, StreamItem{0, true, t.OrdersGeneration, *order, {}});
      }
    } else if (const Trade* trade = std::get_if<Trade>(&report)) {
      if (t.TradesStarted && t.TradeFilter.Matches(trade->ClassCode, trade->SecCode)) {
        Enqueue(now, StreamItem{0, false, t.TradesGeneration, {}, *trade});
      }
    }
  }
}

void SeedDayOnce(const std::string& seeds) {
  Terminal& t = T();
  if (t.DaySeeded) {
    return;
  }
  t.DaySeeded = true;
  if (const auto trades = ParseSeededTrades(seeds)) {
    for (const SeededTrade& trade : *trades) {
      t.Market.SeedTrade(trade.ClassCode, trade.SecCode, trade.IsSell, trade.Lots, trade.Price);
    }
  }
}

// --- outside the lock ------------------------------------------------------

// The earlier trades of the day the script names, read once, at the first
// call that deals with orders.
void SeedDay() {
  {
    Locked locked;
    if (T().DaySeeded) {
      return;
    }
  }
  std::string seeds;
  Env("TERMSIM_T2Q_DAY_TRADES", seeds);
  Locked locked;
  SeedDayOnce(seeds);
}

std::optional<BookTop> ReadBook() {
  const auto text = ReadSmallFile(BookPath());
  return text ? ParseBookTop(*text) : std::nullopt;
}

// Fills what the book crosses now and queues the changes.
void MatchAgainstBook() {
  {
    Locked locked;
    if (!T().Market.AnyActive()) {
      QueueReports();
      return;
    }
  }
  const auto book = ReadBook();
  const long lots = EnvLong("TERMSIM_T2Q_FILL_LOTS", 0);
  Locked locked;
  if (book) {
    T().Market.Match(*book, lots > 0 ? lots : 0);
  }
  QueueReports();
}

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
      // Taken only by a new order: the caller gives it back otherwise.
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

DWORD WINAPI WorkerMain(LPVOID parameter);

// Starts the worker unless it runs. False when no thread could be made.
bool EnsureWorker() {
  Terminal& t = T();
  Locked locked;
  if (t.Worker != nullptr) {
    return true;
  }
  // The worker's own reference to this module, released as it ends.
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                          reinterpret_cast<LPCSTR>(&WorkerMain), &module)) {
    return false;
  }
  const std::uint64_t generation = ++t.WorkerGeneration;
  DWORD id = 0;
  const HANDLE thread = CreateThread(
      nullptr, 0, WorkerMain, reinterpret_cast<LPVOID>(static_cast<uintptr_t>(generation)), 0, &id);
  if (thread == nullptr) {
    FreeLibrary(module);
    return false;
  }
  t.Worker = thread;
  t.WorkerId = id;
  return true;
}

// Stops the worker and waits for it, unless called from a callback on the
// worker itself (which then ends as the callback returns). Queued callbacks
// are dropped.
void StopWorker() {
  Terminal& t = T();
  HANDLE thread = nullptr;
  DWORD id = 0;
  {
    Locked locked;
    thread = std::exchange(t.Worker, nullptr);
    id = t.WorkerId;
    ++t.WorkerGeneration;
    t.Queue.clear();
    WakeAllConditionVariable(&t.Wake);
  }
  if (thread == nullptr) {
    return;
  }
  if (GetCurrentThreadId() != id) {
    WaitForSingleObject(thread, INFINITE);
  }
  CloseHandle(thread);
}

bool NeedsWorker() {
  const Terminal& t = T();
  return t.OrdersStarted || t.TradesStarted || t.OnReply != nullptr || t.OnConnection != nullptr ||
         !t.Queue.empty();
}

// --- the worker ------------------------------------------------------------

// Executes a transaction whose delay is over and queues its reply.
void ExecutePending(PendingTransaction& pending) {
  Terminal& t = T();
  Reply reply = t.Market.Execute(pending.Parsed, pending.Rules);
  ReplyItem item;
  item.Result = pending.HasResult ? pending.Result : reply.Result;
  item.ExtendedError = pending.ExtendedError;
  item.ReplyCode = pending.HasReplyCode ? pending.ReplyCode : reply.ReplyCode;
  item.TransId = static_cast<DWORD>(
      pending.HasTransId ? pending.TransId
                         : std::strtol(pending.Parsed.Field("TRANS_ID").c_str(), nullptr, 10));
  item.OrderNum =
      pending.HasOrderNum ? static_cast<unsigned long long>(pending.OrderNum) : reply.OrderNumber;
  item.Message = pending.HasMessage ? pending.Message : reply.Message;
  t.ReplyClassCodes.push_back(pending.Parsed.Field("CLASSCODE"));
  item.Descriptor = static_cast<intptr_t>(t.ReplyClassCodes.size());
  // The reply first, then what the transaction changed.
  Enqueue(GetTickCount64(), std::move(item));
  QueueReports();
}

// Calls the callback of one item outside the lock; the lock is held on entry
// and on return.
void Deliver(QueuedItem& item) {
  Terminal& t = T();
  if (auto* pending = std::get_if<PendingTransaction>(&item.What)) {
    ExecutePending(*pending);
    return;
  }
  if (auto* reply = std::get_if<ReplyItem>(&item.What)) {
    const ReplyCallback callback = t.OnReply;
    if (callback == nullptr) {
      return;
    }
    ReleaseSRWLockExclusive(&t.Lock);
    callback(reply->Result, reply->ExtendedError, reply->ReplyCode, reply->TransId, reply->OrderNum,
             reply->Message.c_str(), reply->Descriptor);
    AcquireSRWLockExclusive(&t.Lock);
    return;
  }
  if (auto* connection = std::get_if<ConnectionItem>(&item.What)) {
    const ConnectionCallback callback = t.OnConnection;
    if (connection->Event == kQuikConnected || connection->Event == kQuikDisconnected) {
      t.QuikLost = connection->Event == kQuikDisconnected;
    }
    if (callback == nullptr) {
      return;
    }
    ReleaseSRWLockExclusive(&t.Lock);
    callback(connection->Event, 0, "");
    AcquireSRWLockExclusive(&t.Lock);
    return;
  }
  auto& stream = std::get<StreamItem>(item.What);
  if (stream.IsOrder) {
    const OrderCallback callback = t.OnOrder;
    if (callback == nullptr || !t.OrdersStarted || stream.Generation != t.OrdersGeneration) {
      return;  // unsubscribed since
    }
    const Order& o = stream.TheOrder;
    ReleaseSRWLockExclusive(&t.Lock);
    callback(stream.Mode, o.TransId, o.Number, o.ClassCode.c_str(), o.SecCode.c_str(), o.Price,
             o.Balance, o.Price * static_cast<double>(o.Quantity), o.IsSell ? 1 : 0, o.Status, 0);
    AcquireSRWLockExclusive(&t.Lock);
  } else {
    const TradeCallback callback = t.OnTrade;
    if (callback == nullptr || !t.TradesStarted || stream.Generation != t.TradesGeneration) {
      return;
    }
    const Trade& d = stream.TheTrade;
    ReleaseSRWLockExclusive(&t.Lock);
    callback(stream.Mode, d.Number, d.OrderNumber, d.ClassCode.c_str(), d.SecCode.c_str(), d.Price,
             d.Lots, d.Price * static_cast<double>(d.Lots), d.IsSell ? 1 : 0, 0);
    AcquireSRWLockExclusive(&t.Lock);
  }
}

// The periodic look: fills against the book, and a new scripted change of
// the terminal's connection.
void Tick() {
  MatchAgainstBook();
  std::string events;
  const bool scripted = Env("TERMSIM_T2Q_CONNECTION_EVENTS", events);
  Terminal& t = T();
  Locked locked;
  if (!scripted) {
    t.ConnectionScriptSeen.clear();  // the same line again is a new change
    return;
  }
  if (t.OnConnection == nullptr || events == t.ConnectionScriptSeen) {
    return;
  }
  t.ConnectionScriptSeen = events;
  ULONGLONG due = GetTickCount64();
  if (const auto steps = ParseConnectionSteps(events)) {
    for (const ConnectionStep& step : *steps) {
      if (step.PauseMs > 0) {
        due += step.PauseMs;
      } else {
        Enqueue(due, ConnectionItem{step.Event});
      }
    }
  }
}

DWORD WINAPI WorkerMain(LPVOID parameter) {
  const auto generation = static_cast<std::uint64_t>(reinterpret_cast<uintptr_t>(parameter));
  Terminal& t = T();
  ULONGLONG nextTick = 0;
  AcquireSRWLockExclusive(&t.Lock);
  while (t.WorkerGeneration == generation) {
    ULONGLONG now = GetTickCount64();
    if (now >= nextTick) {
      ReleaseSRWLockExclusive(&t.Lock);
      Tick();
      AcquireSRWLockExclusive(&t.Lock);
      nextTick = GetTickCount64() + kTickMs;
      continue;
    }
    // The earliest item due; among equals the first queued.
    auto first = t.Queue.end();
    for (auto it = t.Queue.begin(); it != t.Queue.end(); ++it) {
      if (first == t.Queue.end() || it->Due < first->Due ||
          (it->Due == first->Due && it->Sequence < first->Sequence)) {
        first = it;
      }
    }
    if (first != t.Queue.end() && first->Due <= now) {
      QueuedItem item = std::move(*first);
      t.Queue.erase(first);
      Deliver(item);
      continue;
    }
    const ULONGLONG until = first != t.Queue.end() && first->Due < nextTick ? first->Due : nextTick;
    SleepConditionVariableSRW(&t.Wake, &t.Lock, static_cast<DWORD>(until - now), 0);
  }
  ReleaseSRWLockExclusive(&t.Lock);
  FreeLibraryAndExitThread(ThisModule(), 0);
}

// Journals a call, answers the outputs every call has.
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
  const ULONGLONG now = GetTickCount64();
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
  Enqueue(GetTickCount64() + static_cast<ULONGLONG>(delay > 0 ? delay : 0), std::move(pending));
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
