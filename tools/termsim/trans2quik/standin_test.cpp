// The stand-in TRANS2QUIK.DLL as the panel meets it: loaded beside this
// program, its functions resolved by the names of this bitness, its
// callbacks coming from a thread of its own. Each test loads a fresh library
// and ends by disconnecting and unloading it; it must then be gone, its
// thread ended.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "book_top.h"
#include "win32/counter_clock.h"

namespace vestrel::termsim {
namespace {

using win32::CounterNanoseconds;

#ifdef _WIN64
#define T2Q_NAME(name, bytes) "TRANS2QUIK_" name
#else
#define T2Q_NAME(name, bytes) "_TRANS2QUIK_" name "@" #bytes
#endif

using ConnectFn = long(WINAPI*)(LPCSTR, long*, LPSTR, DWORD);
using DisconnectFn = long(WINAPI*)(long*, LPSTR, DWORD);
using SendSyncFn = long(WINAPI*)(LPSTR, long*, long*, double*, LPSTR, DWORD, long*, LPSTR, DWORD);
using SendAsyncFn = long(WINAPI*)(LPCSTR, long*, LPSTR, DWORD);
using ReplyCallback = void(WINAPI*)(long, long, long, DWORD, unsigned long long, LPCSTR, intptr_t);
using OrderCallback = void(WINAPI*)(long, DWORD, unsigned long long, LPCSTR, LPCSTR, double,
                                    long long, double, long, long, intptr_t);
using TradeCallback = void(WINAPI*)(long, unsigned long long, unsigned long long, LPCSTR, LPCSTR,
                                    double, long long, double, long, intptr_t);
using ConnectionCallback = void(WINAPI*)(long, long, LPCSTR);
using SetReplyFn = long(WINAPI*)(ReplyCallback, long*, LPSTR, DWORD);
using SetConnectionFn = long(WINAPI*)(ConnectionCallback, long*, LPSTR, DWORD);
using SubscribeFn = long(WINAPI*)(LPCSTR, LPCSTR);
using StartOrdersFn = long(WINAPI*)(OrderCallback);
using StartTradesFn = long(WINAPI*)(TradeCallback);
using UnsubscribeFn = long(WINAPI*)();
using ReplyClassCodeFn = LPCSTR(WINAPI*)(intptr_t);

// What the callbacks saw, each with the thread it came on.
struct Seen {
  DWORD Thread = 0;
  std::string Kind;  // "reply", "order", "trade", "connection"
  long Mode = 0;     // orders and trades; the event of a connection
  long Result = 0, ReplyCode = 0, Status = 0;
  DWORD TransId = 0;
  unsigned long long Number = 0, OrderNumber = 0;
  long long Balance = 0;
  double Price = 0;
  std::string Text = {};  // a reply's message, a reply's class code
  std::chrono::steady_clock::time_point At = {};
};

std::mutex seenLock;
std::condition_variable seenChanged;
std::vector<Seen> seen;
ReplyClassCodeFn replyClassCode = nullptr;

void Record(Seen item) {
  item.Thread = GetCurrentThreadId();
  item.At = std::chrono::steady_clock::now();
  std::lock_guard lock(seenLock);
  seen.push_back(std::move(item));
  seenChanged.notify_all();
}

void WINAPI OnReply(long result, long, long replyCode, DWORD transId, unsigned long long orderNum,
                    LPCSTR message, intptr_t descriptor) {
  Record({.Kind = "reply",
          .Result = result,
          .ReplyCode = replyCode,
          .TransId = transId,
          .OrderNumber = orderNum,
          .Text = std::string(message) + "|" + replyClassCode(descriptor)});
}

void WINAPI OnOrder(long mode, DWORD transId, unsigned long long orderNum, LPCSTR, LPCSTR,
                    double price, long long balance, double, long, long status, intptr_t) {
  Record({.Kind = "order",
          .Mode = mode,
          .Status = status,
          .TransId = transId,
          .OrderNumber = orderNum,
          .Balance = balance,
          .Price = price});
}

void WINAPI OnTrade(long mode, unsigned long long tradeNum, unsigned long long orderNum, LPCSTR,
                    LPCSTR, double price, long long qty, double, long, intptr_t) {
  Record({.Kind = "trade",
          .Mode = mode,
          .Number = tradeNum,
          .OrderNumber = orderNum,
          .Balance = qty,
          .Price = price});
}

void WINAPI OnConnection(long event, long, LPCSTR) {
  Record({.Kind = "connection", .Mode = event});
}

std::wstring TempFile(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  GetTempPathW(MAX_PATH, path);
  return std::wstring(path) + L"t2q-standin-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         name;
}

constexpr const wchar_t* kVariables[] = {
    L"TERMSIM_T2Q_JOURNAL",   L"TERMSIM_T2Q_BOOK",          L"TERMSIM_T2Q_SCRIPT",
    L"TERMSIM_T2Q_FILL_LOTS", L"TERMSIM_T2Q_SEND_DELAY_MS", L"TERMSIM_T2Q_DAY_TRADES",
    L"TERMSIM_T2Q_REJECT",    L"TERMSIM_T2Q_JOURNAL_TIMES"};

class StandIn : public ::testing::Test {
 protected:
  void SetUp() override {
    {
      std::lock_guard lock(seenLock);
      seen.clear();
    }
    DeleteFileW(journal_.c_str());
    DeleteFileW(book_.c_str());
    DeleteFileW(script_.c_str());
    SetEnvironmentVariableW(L"TERMSIM_T2Q_JOURNAL", journal_.c_str());
    SetEnvironmentVariableW(L"TERMSIM_T2Q_BOOK", book_.c_str());
    SetEnvironmentVariableW(L"TERMSIM_T2Q_SCRIPT", script_.c_str());
    library_ = LoadLibraryW(L"TRANS2QUIK.DLL");
    ASSERT_NE(library_, nullptr);
    // Every function of the current generation, by this bitness's names.
    Resolve(connect_, T2Q_NAME("CONNECT", 16));
    Resolve(disconnect_, T2Q_NAME("DISCONNECT", 12));
    Resolve(isQuikConnected_, T2Q_NAME("IS_QUIK_CONNECTED", 12));
    Resolve(sendSync_, T2Q_NAME("SEND_SYNC_TRANSACTION", 36));
    Resolve(sendAsync_, T2Q_NAME("SEND_ASYNC_TRANSACTION", 16));
    Resolve(setReply_, T2Q_NAME("SET_TRANSACTIONS_REPLY_CALLBACK", 16));
    Resolve(setConnection_, T2Q_NAME("SET_CONNECTION_STATUS_CALLBACK", 16));
    Resolve(subscribeOrders_, T2Q_NAME("SUBSCRIBE_ORDERS", 8));
    Resolve(subscribeTrades_, T2Q_NAME("SUBSCRIBE_TRADES", 8));
    Resolve(startOrders_, T2Q_NAME("START_ORDERS", 4));
    Resolve(startTrades_, T2Q_NAME("START_TRADES", 4));
    Resolve(unsubscribeOrders_, T2Q_NAME("UNSUBSCRIBE_ORDERS", 0));
    Resolve(unsubscribeTrades_, T2Q_NAME("UNSUBSCRIBE_TRADES", 0));
    Resolve(replyClassCode, T2Q_NAME("TRANSACTION_REPLY_CLASS_CODE", 4));
    long extended = 0;
    ASSERT_EQ(connect_("C:\\QUIK", &extended, nullptr, 0), 0);
  }

  void TearDown() override {
    if (library_ != nullptr) {
      long extended = 0;
      disconnect_(&extended, nullptr, 0);
      FreeLibrary(library_);
      // Disconnecting ended the library's thread, whose hold on the library
      // was the last: it is unloaded.
      EXPECT_EQ(GetModuleHandleW(L"TRANS2QUIK.DLL"), nullptr);
    }
    for (const wchar_t* name : kVariables) {
      SetEnvironmentVariableW(name, nullptr);
    }
  }

  template <typename Fn>
  void Resolve(Fn& fn, const char* name) {
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library_, name)));
    ASSERT_NE(fn, nullptr) << name;
  }

  void WriteBook(const BookTop& book) {
    std::ofstream(book_.c_str(), std::ios::binary | std::ios::trunc) << FormatBookTop(book);
  }
  void WriteScript(const std::string& text) {
    std::ofstream(script_.c_str(), std::ios::binary | std::ios::trunc) << text;
  }

  // Waits (at most 20 s, for a slow emulated machine) until the callbacks
  // have seen what the predicate asks; a copy of what they saw.
  std::vector<Seen> WaitFor(const std::function<bool(const std::vector<Seen>&)>& enough) {
    std::unique_lock lock(seenLock);
    seenChanged.wait_for(lock, std::chrono::seconds(20), [&] { return enough(seen); });
    return seen;
  }
  static std::function<bool(const std::vector<Seen>&)> Count(const std::string& kind,
                                                             std::size_t count) {
    return [kind, count](const std::vector<Seen>& all) {
      std::size_t n = 0;
      for (const Seen& item : all) {
        n += item.Kind == kind ? 1 : 0;
      }
      return n >= count;
    };
  }
  static std::vector<Seen> Only(const std::vector<Seen>& all, const std::string& kind) {
    std::vector<Seen> some;
    for (const Seen& item : all) {
      if (item.Kind == kind) {
        some.push_back(item);
      }
    }
    return some;
  }

  long SendAsync(const std::string& text) {
    long extended = 0;
    char error[256] = "";
    return sendAsync_(text.c_str(), &extended, error, sizeof error);
  }

  void Subscribe() {
    long extended = 0;
    ASSERT_EQ(setReply_(OnReply, &extended, nullptr, 0), 0);
    ASSERT_EQ(subscribeOrders_("SPBFUT", "RIH6"), 0);
    ASSERT_EQ(subscribeTrades_("SPBFUT", "RIH6"), 0);
    ASSERT_EQ(startOrders_(OnOrder), 0);
    ASSERT_EQ(startTrades_(OnTrade), 0);
  }

  const std::wstring journal_ = TempFile(L"journal.txt");
  const std::wstring book_ = TempFile(L"book.txt");
  const std::wstring script_ = TempFile(L"script.txt");
  HMODULE library_ = nullptr;
  ConnectFn connect_ = nullptr;
  DisconnectFn disconnect_ = nullptr;
  DisconnectFn isQuikConnected_ = nullptr;  // the same signature
  SendSyncFn sendSync_ = nullptr;
  SendAsyncFn sendAsync_ = nullptr;
  SetReplyFn setReply_ = nullptr;
  SetConnectionFn setConnection_ = nullptr;
  SubscribeFn subscribeOrders_ = nullptr, subscribeTrades_ = nullptr;
  StartOrdersFn startOrders_ = nullptr;
  StartTradesFn startTrades_ = nullptr;
  UnsubscribeFn unsubscribeOrders_ = nullptr, unsubscribeTrades_ = nullptr;
};

const std::string kBuy3 =
    "TRANS_ID=4; CLASSCODE=SPBFUT; SECCODE=RIH6; ACTION=NEW_ORDER; OPERATION=B; PRICE=100020; "
    "QUANTITY=3;";

TEST_F(StandIn, SnapshotThenADelayedReplyThenPartialFillsAllFromItsOwnThread) {
  SetEnvironmentVariableW(L"TERMSIM_T2Q_DAY_TRADES", L"SPBFUT RIH6 S 2 99000; SPBFUT SiH6 B 1 5");
  Subscribe();
  // The day so far, of the subscribed instrument only: its order and its
  // trade, each stream closed by mode 2.
  std::vector<Seen> all = WaitFor(
      [](const std::vector<Seen>& s) { return Count("order", 2)(s) && Count("trade", 2)(s); });
  std::vector<Seen> orders = Only(all, "order");
  std::vector<Seen> trades = Only(all, "trade");
  ASSERT_EQ(orders.size(), 2U);
  EXPECT_EQ(orders[0].Mode, 1);
  EXPECT_EQ(orders[0].Status, 3);
  EXPECT_EQ(orders[1].Mode, 2);
  ASSERT_EQ(trades.size(), 2U);
  EXPECT_EQ(trades[0].Mode, 1);
  EXPECT_EQ(trades[0].OrderNumber, orders[0].OrderNumber);
  EXPECT_EQ(trades[0].Price, 99000);
  EXPECT_EQ(trades[1].Mode, 2);
  std::ifstream journal(journal_.c_str(), std::ios::binary);
  const std::string lines{std::istreambuf_iterator<char>(journal), {}};
  EXPECT_EQ(lines,
            "CONNECT C:\\QUIK\r\nSET_TRANSACTIONS_REPLY_CALLBACK\r\n"
            "SUBSCRIBE_ORDERS SPBFUT|RIH6\r\nSUBSCRIBE_TRADES SPBFUT|RIH6\r\n"
            "START_ORDERS\r\nSTART_TRADES\r\n");

  // A reply delayed 300 ms, from the library's thread, never before the delay.
  SetEnvironmentVariableW(L"TERMSIM_T2Q_SEND_DELAY_MS", L"300");
  SetEnvironmentVariableW(L"TERMSIM_T2Q_FILL_LOTS", L"1");
  const auto sent = std::chrono::steady_clock::now();
  ASSERT_EQ(SendAsync(kBuy3), 0);
  all = WaitFor(Count("reply", 1));
  const std::vector<Seen> replies = Only(all, "reply");
  ASSERT_EQ(replies.size(), 1U);
  EXPECT_GE(replies[0].At - sent, std::chrono::milliseconds(300));
  EXPECT_EQ(replies[0].TransId, 4U);
  EXPECT_EQ(replies[0].ReplyCode, 3);
  const unsigned long long number = replies[0].OrderNumber;
  EXPECT_EQ(replies[0].Text, "Order " + std::to_string(number) + " registered.|SPBFUT");

  // The book crosses the order: one lot a fill, at the book's price.
  WriteBook({1, BookLevel{100010, 10}, BookLevel{100000, 4}});
  all = WaitFor(Count("trade", 5));
  orders = Only(all, "order");
  trades = Only(all, "trade");
  ASSERT_EQ(trades.size(), 5U);
  for (std::size_t i = 2; i < 5; ++i) {
    EXPECT_EQ(trades[i].Mode, 0);
    EXPECT_EQ(trades[i].OrderNumber, number);
    EXPECT_EQ(trades[i].Balance, 1);
    EXPECT_EQ(trades[i].Price, 100010);
  }
  // Active with 3, 2, 1 lots left, then filled.
  ASSERT_EQ(orders.size(), 6U);
  EXPECT_EQ(orders[2].Balance, 3);
  EXPECT_EQ(orders[2].TransId, 4U);
  EXPECT_EQ(orders[4].Balance, 1);
  EXPECT_EQ(orders[4].Status, 1);
  EXPECT_EQ(orders[5].Balance, 0);
  EXPECT_EQ(orders[5].Status, 3);

  for (const Seen& item : all) {
    EXPECT_NE(item.Thread, GetCurrentThreadId()) << item.Kind;
    EXPECT_EQ(item.Thread, all[0].Thread) << item.Kind;
  }

  // Timed, the journal's line carries the call's time on the caller's clock.
  SetEnvironmentVariableW(L"TERMSIM_T2Q_JOURNAL_TIMES", L"1");
  const std::string kill = "TRANS_ID=9; CLASSCODE=SPBFUT; SECCODE=RIH6; ACTION=KILL_ORDER;";
  const long long before = CounterNanoseconds();
  ASSERT_EQ(SendAsync(kill), 0);
  const long long after = CounterNanoseconds();
  // The worker may still be journalling a fill of the orders above, so the
  // send's line is the last that names it, not the last line.
  std::ifstream timedJournal(journal_.c_str(), std::ios::binary);
  std::string line;
  std::string last;
  while (std::getline(timedJournal, line)) {
    if (line.find(" SEND_ASYNC " + kill) != std::string::npos) {
      last = line;
    }
  }
  const std::size_t blank = last.find(' ');
  ASSERT_NE(blank, std::string::npos) << last;
  EXPECT_EQ(last.substr(blank + 1), "SEND_ASYNC " + kill + "\r");
  const long long called = std::stoll(last.substr(0, blank));
  EXPECT_GE(called, before);
  EXPECT_LE(called, after);
}

TEST_F(StandIn, CancelsRejectsAndStopsAStreamAtUnsubscribe) {
  Subscribe();
  WaitFor(Count("trade", 1));
  WriteScript("TERMSIM_T2Q_REJECT=next\r\n");
  ASSERT_EQ(SendAsync(kBuy3), 0);  // rejected
  ASSERT_EQ(SendAsync(kBuy3), 0);  // the next one rests
  std::vector<Seen> all = WaitFor(Count("reply", 2));
  std::vector<Seen> replies = Only(all, "reply");
  ASSERT_EQ(replies.size(), 2U);
  EXPECT_EQ(replies[0].ReplyCode, 4);
  EXPECT_EQ(replies[0].OrderNumber, 0U);
  EXPECT_EQ(replies[1].ReplyCode, 3);
  const std::string key = std::to_string(replies[1].OrderNumber);

  ASSERT_EQ(
      SendAsync("TRANS_ID=5; CLASSCODE=SPBFUT; SECCODE=RIH6; ACTION=KILL_ORDER; ORDER_KEY=" + key),
      0);
  ASSERT_EQ(
      SendAsync("TRANS_ID=6; CLASSCODE=SPBFUT; SECCODE=RIH6; ACTION=KILL_ORDER; ORDER_KEY=" + key),
      0);
  all = WaitFor(Count("reply", 4));
  replies = Only(all, "reply");
  ASSERT_EQ(replies.size(), 4U);
  EXPECT_EQ(replies[2].TransId, 5U);
  EXPECT_EQ(replies[2].ReplyCode, 3);
  EXPECT_EQ(replies[3].TransId, 6U);
  EXPECT_EQ(replies[3].ReplyCode, 4);  // no longer active
  // Only the accepted order came on the stream: placed, then cancelled.
  const std::vector<Seen> orders = Only(WaitFor(Count("order", 3)), "order");
  ASSERT_EQ(orders.size(), 3U);
  EXPECT_EQ(orders[1].Status, 1);
  EXPECT_EQ(orders[2].Status, 2);
  EXPECT_EQ(std::to_string(orders[2].OrderNumber), key);

  // Unsubscribed, a new order reports nothing more on the order stream: not
  // by the time the reply of a later transaction has come.
  ASSERT_EQ(unsubscribeOrders_(), 0);
  ASSERT_EQ(SendAsync(kBuy3), 0);
  ASSERT_EQ(SendAsync("TRANS_ID=7; ACTION=PING"), 0);
  all = WaitFor(Count("reply", 6));
  EXPECT_EQ(Only(all, "reply").size(), 6U);
  EXPECT_EQ(Only(all, "order").size(), 3U);
}

TEST_F(StandIn, ReportsTheScriptedConnectionEventsAndTheConnectionTestFollows) {
  long extended = 0;
  ASSERT_EQ(setConnection_(OnConnection, &extended, nullptr, 0), 0);
  WriteScript("TERMSIM_T2Q_CONNECTION_EVENTS=9 100ms 8\r\n");
  const std::vector<Seen> events = Only(WaitFor(Count("connection", 2)), "connection");
  ASSERT_EQ(events.size(), 2U);
  EXPECT_EQ(events[0].Mode, 9);
  EXPECT_EQ(events[1].Mode, 8);
  EXPECT_NE(events[0].Thread, GetCurrentThreadId());
  EXPECT_EQ(isQuikConnected_(&extended, nullptr, 0), 8);

  // Another line is another change; the test answers what was reported last.
  WriteScript("TERMSIM_T2Q_CONNECTION_EVENTS=9\r\n");
  ASSERT_EQ(Only(WaitFor(Count("connection", 3)), "connection").size(), 3U);
  EXPECT_EQ(isQuikConnected_(&extended, nullptr, 0), 9);
}

TEST_F(StandIn, ASyncOrderRestsAndUnloadingWaitsForTheThread) {
  Subscribe();
  WaitFor(Count("trade", 1));
  std::string text = kBuy3;
  long reply = 0, transId = 0, extended = 0;
  double orderNum = 0;
  char message[256] = "";
  ASSERT_EQ(sendSync_(text.data(), &reply, &transId, &orderNum, message, sizeof message, &extended,
                      nullptr, 0),
            0);
  const std::vector<Seen> orders = Only(WaitFor(Count("order", 2)), "order");
  ASSERT_EQ(orders.size(), 2U);
  EXPECT_EQ(static_cast<double>(orders[1].OrderNumber), orderNum);
  EXPECT_EQ(orders[1].Balance, 3);

  // Let go while a delayed reply is pending: the library stays loaded, its
  // thread still running, until the disconnect (in TearDown) ends it.
  SetEnvironmentVariableW(L"TERMSIM_T2Q_SEND_DELAY_MS", L"5000");
  ASSERT_EQ(SendAsync(kBuy3), 0);
  FreeLibrary(library_);
  EXPECT_NE(GetModuleHandleW(L"TRANS2QUIK.DLL"), nullptr);
  library_ = LoadLibraryW(L"TRANS2QUIK.DLL");
}

// A panel that ends without disconnecting, its orders filling and replies on
// their way: the process still ends, with its own exit code.
TEST_F(StandIn, AProcessEndsWhileCallbacksAreInFlight) {
  EXPECT_EXIT(
      {
        Subscribe();
        SetEnvironmentVariableW(L"TERMSIM_T2Q_FILL_LOTS", L"1");
        WriteBook({1, BookLevel{100010, 1000}, BookLevel{100000, 1000}});
        for (int i = 0; i < 50; ++i) {
          SendAsync(kBuy3);
        }
        WaitFor(Count("trade", 10));
        ExitProcess(3);
      },
      ::testing::ExitedWithCode(3), "");
}

}  // namespace
}  // namespace vestrel::termsim
