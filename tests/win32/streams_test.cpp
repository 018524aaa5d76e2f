// The streams adapter against small libraries of its own (streams_*.dll
// beside this program), which call back from threads of their own with values
// that only arrive intact through the right stdcall signatures.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "common/app_error.h"
#include "win32/text_encoding.h"
#include "win32/unique_handle.h"
#include "win32/win32_terminal_streams.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {
namespace {

using FireFn = int (*)();
using JournalFn = const char* (*)();

constexpr bool kThirtyTwoBits = sizeof(void*) == 4;

template <class Function>
Function Export(const wchar_t* library, const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(library), name)));
}

// The 8-bit texts the libraries send, as this machine's code page reads them.
std::string Shown(const char* russian, const char* western) {
  return GetACP() == 1251 ? russian : western;
}

class CollectedEvents {
 public:
  std::function<void(TerminalEvent)> Sink() {
    return [this](TerminalEvent event) {
      const std::lock_guard lock(mutex_);
      events_.push_back(std::move(event));
    };
  }
  std::vector<TerminalEvent> Taken() {
    const std::lock_guard lock(mutex_);
    return events_;
  }

 private:
  std::mutex mutex_;
  std::vector<TerminalEvent> events_;
};

TEST(TerminalStreams, EveryArgumentArrivesIntactAndNothingReachesTheSinkAfterDetach) {
  const wchar_t* file = L"streams_current.dll";
  auto library = std::make_unique<Win32TransactionLibrary>(ExecutableFolder(), file);
  auto streams = std::make_unique<Win32TerminalStreams>(*library);
  EXPECT_EQ(streams->Unavailable(), "");
  CollectedEvents collected;
  streams->SetSink(collected.Sink());

  EXPECT_EQ(streams->SubscribeOrders("SPBFUT", "RIZ6|SiZ6"), 0);
  EXPECT_EQ(streams->SubscribeTrades("SPBFUT", ""), 0);
  EXPECT_EQ(streams->StartOrders(), 0);
  EXPECT_EQ(streams->StartTrades(), 0);
  std::int32_t extended = 0;
  std::string message;
  EXPECT_EQ(streams->SetTransactionsReplyCallback(extended, message, 100), 0);
  EXPECT_EQ(extended, 11);
  EXPECT_EQ(message, "reply");
  EXPECT_EQ(streams->SetConnectionStatusCallback(extended, message, 100), 0);
  EXPECT_EQ(extended, 12);
  EXPECT_EQ(message, "connection");
  // The library fills 3 bytes and the NUL of a buffer of 4.
  EXPECT_EQ(streams->SendAsyncTransaction("ACCOUNT=Счёт; TRANS_ID=9;", extended, message, 4), 5);
  EXPECT_EQ(extended, -7);
  EXPECT_EQ(message, Shown("Оши", "Îøè"));
  EXPECT_EQ(streams->UnsubscribeOrders(), 0);
  EXPECT_EQ(streams->UnsubscribeTrades(), 1);
  EXPECT_EQ(Export<JournalFn>(file, "TestJournal")(),
            "SUBSCRIBE_ORDERS SPBFUT RIZ6|SiZ6\nSUBSCRIBE_TRADES SPBFUT \nSTART_ORDERS\n"
            "START_TRADES\nSET_TRANSACTIONS_REPLY_CALLBACK\nSET_CONNECTION_STATUS_CALLBACK\n"
            "SEND_ASYNC " +
                Utf8ToAnsi("ACCOUNT=Счёт; TRANS_ID=9;") +
                "\nUNSUBSCRIBE_ORDERS\nUNSUBSCRIBE_TRADES\n");

  const auto fire = Export<FireFn>(file, "TestFire");
  ASSERT_EQ(fire(), 4);
  const std::vector<TerminalEvent> events = collected.Taken();
  ASSERT_EQ(events.size(), 4U);

  const auto& reply = std::get<TransactionReplyEvent>(events[0]);
  EXPECT_EQ(reply.Result, 1);
  EXPECT_EQ(reply.ExtendedErrorCode, -42);
  EXPECT_EQ(reply.ReplyCode, 3);
  EXPECT_EQ(reply.TransId, 0xFEDCBA98U);
  EXPECT_EQ(reply.OrderNumber, 4886718345.0);
  EXPECT_EQ(reply.Message, Shown("Принята", "Ïðèíÿòà"));

  const auto& order = std::get<OrderStatusEvent>(events[1]);
  EXPECT_EQ(order.Mode, StreamMode::Snapshot);
  EXPECT_EQ(order.TransId, 7U);
  EXPECT_EQ(order.Number, 8589934593);
  EXPECT_EQ(order.ClassCode, "SPBFUT");
  EXPECT_EQ(order.SecCode, Shown("РТС", "ÐÒÑ"));
  EXPECT_EQ(order.Price, 98660.5);
  EXPECT_EQ(order.Balance, 8589934589);  // its low half alone would read -3
  EXPECT_EQ(order.Value, 1234567.25);
  EXPECT_TRUE(order.IsSell);
  EXPECT_EQ(order.Status, 2);

  const auto& trade = std::get<TradeStatusEvent>(events[2]);
  EXPECT_EQ(trade.Mode, StreamMode::SnapshotEnd);
  EXPECT_EQ(trade.Number, 12884901891);
  EXPECT_EQ(trade.OrderNumber, 8589934593);
  EXPECT_EQ(trade.ClassCode, "SPBFUT");
  EXPECT_EQ(trade.SecCode, Shown("РТС", "ÐÒÑ"));
  EXPECT_EQ(trade.Price, 98661.75);
  EXPECT_EQ(trade.Lots, 4294967298);
  EXPECT_EQ(trade.Value, 7.5);
  EXPECT_FALSE(trade.IsSell);

  const auto& connection = std::get<ConnectionStatusEvent>(events[3]);
  EXPECT_EQ(connection.Event, 8);
  EXPECT_EQ(connection.ExtendedErrorCode, -5);
  EXPECT_EQ(connection.Message, Shown("Ошибка", "Îøèáêà"));

  // Detach waits for a callback inside the sink to leave it, and none enters
  // it afterwards; once both adapters are gone the library is still loaded,
  // so its thread can still call back without harm.
  const UniqueKernelHandle entered(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  const UniqueKernelHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  std::atomic<bool> detached = false;
  std::atomic<int> lateCalls = 0;
  streams->SetSink([&](TerminalEvent) {
    lateCalls += detached ? 1 : 0;
    SetEvent(entered.get());
    WaitForSingleObject(release.get(), INFINITE);
  });
  std::thread firing([&] { fire(); });
  ASSERT_EQ(WaitForSingleObject(entered.get(), 30000), WAIT_OBJECT_0);
  std::thread detaching([&] {
    streams->Detach();
    detached = true;
  });
  Sleep(200);
  EXPECT_FALSE(detached) << "Detach returned while a callback was inside the sink";
  SetEvent(release.get());
  detaching.join();
  firing.join();
  EXPECT_EQ(fire(), 4);
  EXPECT_EQ(lateCalls, 0);
  streams.reset();
  library.reset();
  ASSERT_NE(GetModuleHandleW(file), nullptr);
  EXPECT_EQ(fire(), 4);
  EXPECT_EQ(collected.Taken().size(), 4U);
}

TEST(TerminalStreams, AMissingFunctionOrAnUnknownGenerationIsNamedAndGetsNoCallback) {
  Win32TransactionLibrary lacking(ExecutableFolder(), L"streams_lacking.dll");
  Win32TerminalStreams withoutTrades(lacking);
  EXPECT_EQ(withoutTrades.Unavailable(),
            std::string("streams_lacking.dll has no function ") +
                (kThirtyTwoBits ? "_TRANS2QUIK_START_TRADES@4" : "TRANS2QUIK_START_TRADES"));
  try {
    withoutTrades.StartTrades();
    ADD_FAILURE() << "a missing function was called";
  } catch (const AppError& error) {
    EXPECT_EQ(error.Number, 453);
  }

  // Only a 32-bit library can be of the older generation.
  Win32TransactionLibrary older(ExecutableFolder(), L"streams_older.dll");
  Win32TerminalStreams olderStreams(older);
  if (!kThirtyTwoBits) {
    EXPECT_EQ(olderStreams.Unavailable(), "");
  } else {
    EXPECT_EQ(olderStreams.Unavailable(),
              "streams_older.dll is of a generation whose callbacks are not recognised (it has "
              "no _TRANS2QUIK_TRANSACTION_REPLY_CLASS_CODE@4)");
    std::int32_t extended = 0;
    std::string message;
    EXPECT_THROW(olderStreams.StartOrders(), AppError);
    EXPECT_THROW(olderStreams.StartTrades(), AppError);
    EXPECT_THROW(olderStreams.SetTransactionsReplyCallback(extended, message, 100), AppError);
    EXPECT_EQ(Export<FireFn>(L"streams_older.dll", "TestFire")(), 0);
  }

  Win32TransactionLibrary missing(ExecutableFolder(), L"NO_SUCH_T2Q.DLL");
  EXPECT_EQ(Win32TerminalStreams(missing).Unavailable(), "File not found: NO_SUCH_T2Q.DLL");
}

}  // namespace
}  // namespace vestrel::win32
