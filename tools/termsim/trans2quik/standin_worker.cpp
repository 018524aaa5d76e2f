// The stand-in library's worker thread: it executes asynchronous
// transactions when their delay is over, looks at the book file and the
// script every so often, and calls every callback, one at a time, never on a
// caller's thread.
//
// The worker holds a reference to this module and leaves through
// FreeLibraryAndExitThread, so the library cannot be unloaded under it; it
// is stopped at disconnect, or when nothing is subscribed and no callback is
// set any more. Nothing is done at process detach: at process exit the
// worker is gone already, and a FreeLibrary cannot unload the library while
// it runs.
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

#include "book_top.h"
#include "script_lists.h"
#include "standin_environment.h"
#include "standin_terminal.h"

namespace vestrel::termsim {
namespace {

// How often the worker looks at the book file and the script while it runs.
constexpr std::uint64_t kTickUs = 50000;

// How long a stop waits for a callback in progress: a callback that never
// returns (it waits for the very thread that stops the worker, say) must not
// hang that thread for ever. The worker ends when it returns.
constexpr DWORD kStopPatienceMs = 5000;

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

std::optional<BookTop> ReadBook() {
  const auto text = ReadSmallFile(BookPath());
  return text ? ParseBookTop(*text) : std::nullopt;
}

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
  Enqueue(NowUs(), std::move(item));
  QueueReports();
}

// Calls the callback of one item outside the lock; the lock is held on entry
// and on return.
void Deliver(QueuedWhat& what) {
  Terminal& t = T();
  if (auto* pending = std::get_if<PendingTransaction>(&what)) {
    ExecutePending(*pending);
    return;
  }
  if (auto* reply = std::get_if<ReplyItem>(&what)) {
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
  if (auto* connection = std::get_if<ConnectionItem>(&what)) {
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
  auto& stream = std::get<StreamItem>(what);
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
    // Once the caller has taken it: a test can tell what the caller was
    // told before it disconnected.
    if (stream.Mode == 0) {
      Journal("TRADE " + std::to_string(d.Number) + (d.IsSell ? " S " : " B ") +
              std::to_string(d.Lots));
    }
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
  std::uint64_t due = NowUs();
  if (const auto steps = ParseConnectionSteps(events)) {
    for (const ConnectionStep& step : *steps) {
      if (step.PauseMs > 0) {
        due += static_cast<std::uint64_t>(step.PauseMs) * 1000;
      } else {
        Enqueue(due, ConnectionItem{step.Event});
      }
    }
  }
}

DWORD WINAPI WorkerMain(LPVOID parameter) {
  const auto generation = static_cast<std::uint64_t>(reinterpret_cast<uintptr_t>(parameter));
  Terminal& t = T();
  std::uint64_t nextTick = 0;
  AcquireSRWLockExclusive(&t.Lock);
  while (t.WorkerGeneration == generation) {
    const std::uint64_t now = NowUs();
    if (now >= nextTick) {
      ReleaseSRWLockExclusive(&t.Lock);
      Tick();
      AcquireSRWLockExclusive(&t.Lock);
      nextTick = NowUs() + kTickUs;
      continue;
    }
    // The earliest item due; among equals the first queued.
    const auto first = t.Queue.begin();
    if (first != t.Queue.end() && first->first.first <= now) {
      QueuedWhat what = std::move(first->second);
      t.Queue.erase(first);
      Deliver(what);
      continue;
    }
    const std::uint64_t until =
        first != t.Queue.end() && first->first.first < nextTick ? first->first.first : nextTick;
    // Rounded up: waking early only costs another look.
    SleepConditionVariableSRW(&t.Wake, &t.Lock, static_cast<DWORD>((until - now + 999) / 1000), 0);
  }
  ReleaseSRWLockExclusive(&t.Lock);
  FreeLibraryAndExitThread(ThisModule(), 0);
}

}  // namespace

void Enqueue(std::uint64_t due, QueuedWhat what) {
  Terminal& t = T();
  t.Queue.emplace(QueueKey{due, t.NextSequence++}, std::move(what));
  WakeAllConditionVariable(&t.Wake);
}

void QueueReports() {
  Terminal& t = T();
  const std::uint64_t now = NowUs();
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
    WaitForSingleObject(thread, kStopPatienceMs);
  }
  CloseHandle(thread);
}

bool NeedsWorker() {
  const Terminal& t = T();
  return t.OrdersStarted || t.TradesStarted || t.OnReply != nullptr || t.OnConnection != nullptr ||
         !t.Queue.empty();
}

}  // namespace vestrel::termsim
