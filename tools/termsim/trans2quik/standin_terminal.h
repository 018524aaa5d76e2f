#pragma once

// The stand-in library's state, shared by its exported functions and its
// worker thread, and the worker's interface. Everything in Terminal is
// guarded by its Lock.
#include <windows.h>

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <variant>

#include "exchange.h"
#include "standin_environment.h"
#include "transaction_text.h"

namespace vestrel::termsim {

inline constexpr long kQuikConnected = 8;
inline constexpr long kQuikDisconnected = 9;

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

using QueuedWhat = std::variant<PendingTransaction, ReplyItem, StreamItem, ConnectionItem>;
// When an item is due (NowUs), and its place among items due at once.
using QueueKey = std::pair<std::uint64_t, std::uint64_t>;

// Microseconds of the performance counter (the journal's clock): fine enough
// that a delay is never cut short, as whole milliseconds of the tick count
// could.
inline std::uint64_t NowUs() { return static_cast<std::uint64_t>(CounterNanoseconds() / 1000); }

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

  std::map<QueueKey, QueuedWhat> Queue;
  std::uint64_t NextSequence = 0;
  HANDLE Worker = nullptr;
  DWORD WorkerId = 0;
  std::uint64_t WorkerGeneration = 0;  // a worker runs while it is its own
};

// The one terminal of the process. Never destroyed: at process exit the
// worker may have been ended holding it.
inline Terminal& T() {
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

// Under the lock: queues one callback, due at the given NowUs.
void Enqueue(std::uint64_t due, QueuedWhat what);
// Under the lock: the exchange's changes, onto the streams that are started
// and subscribed to their instrument.
void QueueReports();
// Under the lock: whether anything is left for the worker to do.
bool NeedsWorker();

// Outside the lock:
// The earlier trades of the day the script names, read once, at the first
// call that deals with orders.
void SeedDay();
// Fills what the book crosses now and queues the changes.
void MatchAgainstBook();
// Starts the worker unless it runs. False when no thread could be made.
bool EnsureWorker();
// Stops the worker and waits a while for it to end, unless called from a
// callback on the worker itself, which then ends as the callback returns.
// Queued callbacks are dropped.
void StopWorker();

}  // namespace vestrel::termsim
