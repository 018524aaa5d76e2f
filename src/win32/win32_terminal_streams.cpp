#include "win32/win32_terminal_streams.h"

#include <utility>
#include <vector>

#include "common/app_error.h"
#include "win32/library_message_buffer.h"
#include "win32/text_encoding.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {
namespace {

// The callbacks of the library's current generation, the one that gives
// order and trade numbers as 64-bit integers and passes descriptors. The
// older 32-bit libraries call back with numbers as double and no reply
// descriptor: a different stack layout, so they are never handed these.
using ReplyCallback = void(WINAPI*)(long result, long extendedErrorCode, long replyCode,
                                    DWORD transId, std::uint64_t orderNum, LPCSTR replyMessage,
                                    INT_PTR replyDescriptor);
using OrderStatusCallback = void(WINAPI*)(long mode, DWORD transId, std::uint64_t orderNum,
                                          LPCSTR classCode, LPCSTR secCode, double price,
                                          std::int64_t balance, double value, long isSell,
                                          long status, INT_PTR orderDescriptor);
using TradeStatusCallback = void(WINAPI*)(long mode, std::uint64_t tradeNum, std::uint64_t orderNum,
                                          LPCSTR classCode, LPCSTR secCode, double price,
                                          std::int64_t qty, double value, long isSell,
                                          INT_PTR tradeDescriptor);
using ConnectionCallback = void(WINAPI*)(long connectionEvent, long extendedErrorCode,
                                         LPCSTR infoMessage);

// The library's functions.
using SendAsyncFn = long(WINAPI*)(LPCSTR transaction, long* extendedErrorCode, LPSTR errorMessage,
                                  DWORD errorMessageSize);
template <class Callback>
using SetCallbackFn = long(WINAPI*)(Callback callback, long* extendedErrorCode, LPSTR errorMessage,
                                    DWORD errorMessageSize);
using SubscribeFn = long(WINAPI*)(LPCSTR classCode, LPCSTR secCodes);
template <class Callback>
using StartFn = long(WINAPI*)(Callback callback);
using UnsubscribeFn = long(WINAPI*)();

struct FunctionNames {
  const char* Decorated;
  const char* Plain;
};

constexpr std::array<FunctionNames, Win32TerminalStreams::kFunctionCount> kFunctionNames{{
    {"_TRANS2QUIK_SEND_ASYNC_TRANSACTION@16", "TRANS2QUIK_SEND_ASYNC_TRANSACTION"},
    {"_TRANS2QUIK_SET_TRANSACTIONS_REPLY_CALLBACK@16",
     "TRANS2QUIK_SET_TRANSACTIONS_REPLY_CALLBACK"},
    {"_TRANS2QUIK_SET_CONNECTION_STATUS_CALLBACK@16", "TRANS2QUIK_SET_CONNECTION_STATUS_CALLBACK"},
    {"_TRANS2QUIK_SUBSCRIBE_ORDERS@8", "TRANS2QUIK_SUBSCRIBE_ORDERS"},
    {"_TRANS2QUIK_SUBSCRIBE_TRADES@8", "TRANS2QUIK_SUBSCRIBE_TRADES"},
    {"_TRANS2QUIK_START_ORDERS@4", "TRANS2QUIK_START_ORDERS"},
    {"_TRANS2QUIK_START_TRADES@4", "TRANS2QUIK_START_TRADES"},
    {"_TRANS2QUIK_UNSUBSCRIBE_ORDERS@0", "TRANS2QUIK_UNSUBSCRIBE_ORDERS"},
    {"_TRANS2QUIK_UNSUBSCRIBE_TRADES@0", "TRANS2QUIK_UNSUBSCRIBE_TRADES"},
}};

// Only the current generation has the functions that read a reply's
// descriptor; in 32-bit nothing else in the export table tells the two apart
// (the other functions keep their names and byte counts). Every 64-bit
// library is of the current generation.
constexpr FunctionNames kCurrentGenerationMark{"_TRANS2QUIK_TRANSACTION_REPLY_CLASS_CODE@4",
                                               "TRANS2QUIK_TRANSACTION_REPLY_CLASS_CODE"};
constexpr bool kOnlyCurrentGenerationExists = sizeof(void*) == 8;

// The name the trader is told: the one this build looks for first.
const char* ShownName(const FunctionNames& names) {
  return kOnlyCurrentGenerationExists ? names.Plain : names.Decorated;
}

// Where every callback of the process goes: the callbacks have no context.
struct CallbackRoute {
  SRWLOCK Lock = SRWLOCK_INIT;
  const Win32TerminalStreams* Owner = nullptr;
  std::function<void(TerminalEvent)> Sink;
};

// Never destroyed: a thread of the library may still call back while the
// program's statics are being destroyed at exit.
CallbackRoute& Route() {
  static auto* const route = new CallbackRoute;
  return *route;
}

class ExclusiveLock {
 public:
  explicit ExclusiveLock(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
  ~ExclusiveLock() { ReleaseSRWLockExclusive(&lock_); }
  ExclusiveLock(const ExclusiveLock&) = delete;
  ExclusiveLock& operator=(const ExclusiveLock&) = delete;

 private:
  SRWLOCK& lock_;
};

// Copies one callback's arguments into an event and hands it to the sink.
// Nothing may unwind into the library's frames: an event that cannot be
// copied (out of memory) or handed over is the only thing lost.
template <class Copy>
void Deliver(const Copy& copy) noexcept {
  try {
    TerminalEvent event = copy();
    CallbackRoute& route = Route();
    const ExclusiveLock lock(route.Lock);
    if (route.Sink) {
      route.Sink(std::move(event));
    }
  } catch (...) {
  }
}

std::string Text(LPCSTR text) { return text != nullptr ? AnsiToUtf8(text) : std::string(); }

// Modes other than the library's three are taken as changes from now on.
StreamMode ModeOf(long mode) {
  switch (mode) {
    case 1:
      return StreamMode::Snapshot;
    case 2:
      return StreamMode::SnapshotEnd;
    default:
      return StreamMode::New;
  }
}

void WINAPI OnReply(long result, long extendedErrorCode, long replyCode, DWORD transId,
                    std::uint64_t orderNum, LPCSTR replyMessage, INT_PTR /*replyDescriptor*/) {
  Deliver([&] {
    TransactionReplyEvent event;
    event.Result = static_cast<std::int32_t>(result);
    event.ExtendedErrorCode = static_cast<std::int32_t>(extendedErrorCode);
    event.ReplyCode = static_cast<std::int32_t>(replyCode);
    event.TransId = transId;
    event.OrderNumber = static_cast<double>(orderNum);
    event.Message = Text(replyMessage);
    return TerminalEvent(std::move(event));
  });
}

void WINAPI OnOrderStatus(long mode, DWORD transId, std::uint64_t orderNum, LPCSTR classCode,
                          LPCSTR secCode, double price, std::int64_t balance, double value,
                          long isSell, long status, INT_PTR /*orderDescriptor*/) {
  Deliver([&] {
    OrderStatusEvent event;
    event.Mode = ModeOf(mode);
    event.TransId = transId;
    event.Number = static_cast<std::int64_t>(orderNum);
    event.ClassCode = Text(classCode);
    event.SecCode = Text(secCode);
    event.Price = price;
    event.Balance = balance;
    event.Value = value;
    event.IsSell = isSell != 0;
    event.Status = static_cast<std::int32_t>(status);
    return TerminalEvent(std::move(event));
  });
}

void WINAPI OnTradeStatus(long mode, std::uint64_t tradeNum, std::uint64_t orderNum,
                          LPCSTR classCode, LPCSTR secCode, double price, std::int64_t qty,
                          double value, long isSell, INT_PTR /*tradeDescriptor*/) {
  Deliver([&] {
    TradeStatusEvent event;
    event.Mode = ModeOf(mode);
    event.Number = static_cast<std::int64_t>(tradeNum);
    event.OrderNumber = static_cast<std::int64_t>(orderNum);
    event.ClassCode = Text(classCode);
    event.SecCode = Text(secCode);
    event.Price = price;
    event.Lots = qty;
    event.Value = value;
    event.IsSell = isSell != 0;
    return TerminalEvent(std::move(event));
  });
}

void WINAPI OnConnectionStatus(long connectionEvent, long extendedErrorCode, LPCSTR infoMessage) {
  Deliver([&] {
    ConnectionStatusEvent event;
    event.Event = static_cast<std::int32_t>(connectionEvent);
    event.ExtendedErrorCode = static_cast<std::int32_t>(extendedErrorCode);
    event.Message = Text(infoMessage);
    return TerminalEvent(std::move(event));
  });
}

// A setter's call with the usual error outputs.
template <class Callback>
std::int32_t SetCallback(void* entry, Callback callback, std::int32_t& extendedErrorCode,
                         std::string& errorMessage, std::int32_t errorMessageSize) {
  const auto set = reinterpret_cast<SetCallbackFn<Callback>>(entry);
  std::vector<char> errorBuffer = MessageBuffer(errorMessageSize);
  long extended = extendedErrorCode;
  const long result = set(callback, &extended, errorBuffer.empty() ? nullptr : errorBuffer.data(),
                          static_cast<DWORD>(errorBuffer.size()));
  extendedErrorCode = static_cast<std::int32_t>(extended);
  errorMessage = BufferText(errorBuffer);
  return static_cast<std::int32_t>(result);
}

}  // namespace

Win32TerminalStreams::Win32TerminalStreams(Win32TransactionLibrary& library) : library_(library) {}

Win32TerminalStreams::~Win32TerminalStreams() { Detach(); }

void* Win32TerminalStreams::Entry(Function function) {
  void*& entry = entries_[function];
  if (entry == nullptr) {
    const FunctionNames& names = kFunctionNames[function];
    entry = library_.RequireExport(names.Decorated, names.Plain);
  }
  return entry;
}

std::string Win32TerminalStreams::Unavailable() {
  try {
    const std::string file = WideToUtf8(library_.FileName());
    for (const FunctionNames& names : kFunctionNames) {
      if (library_.FindExport(names.Decorated, names.Plain) == nullptr) {
        return file + " has no function " + ShownName(names);
      }
    }
    if (!kOnlyCurrentGenerationExists &&
        library_.FindExport(kCurrentGenerationMark.Decorated, kCurrentGenerationMark.Plain) ==
            nullptr) {
      return file + " is of a generation whose callbacks are not recognised (it has no " +
             ShownName(kCurrentGenerationMark) + ")";
    }
    return {};
  } catch (const AppError& error) {
    return error.Description;
  }
}

void Win32TerminalStreams::SetSink(std::function<void(TerminalEvent)> sink) {
  CallbackRoute& route = Route();
  const ExclusiveLock lock(route.Lock);
  route.Owner = this;
  route.Sink = std::move(sink);
}

void Win32TerminalStreams::Detach() {
  CallbackRoute& route = Route();
  // Waits for a callback inside the sink to leave it.
  const ExclusiveLock lock(route.Lock);
  if (route.Owner == this) {
    route.Owner = nullptr;
    route.Sink = nullptr;
  }
}

void Win32TerminalStreams::Pin(void* entry) {
  if (pinned_) {
    return;
  }
  const auto address = static_cast<LPCWSTR>(entry);
  HMODULE module = nullptr;
  // A reference never given back keeps it loaded as well, should pinning be
  // refused.
  if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                         address, &module) == 0 &&
      GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, address, &module) == 0) {
    Raise(errors::DllLoad, kProgramSource,
          WideToUtf8(library_.FileName()) + " cannot be kept loaded for its callbacks");
  }
  pinned_ = true;
}

void* Win32TerminalStreams::CallbackEntry(Function function, Signature signature) {
  void* entry = Entry(function);
  // A callback of the current generation handed to a library of another
  // would be called with a different stack layout: refused as the missing
  // function that marks the generation.
  if (signature == Signature::OfCurrentGeneration && !kOnlyCurrentGenerationExists) {
    library_.RequireExport(kCurrentGenerationMark.Decorated, kCurrentGenerationMark.Plain);
  }
  Pin(entry);
  return entry;
}

std::int32_t Win32TerminalStreams::SubscribeOrders(const std::string& classCode,
                                                   const std::string& secCodes) {
  const auto subscribe = reinterpret_cast<SubscribeFn>(Entry(kSubscribeOrders));
  return static_cast<std::int32_t>(
      subscribe(Utf8ToAnsi(classCode).c_str(), Utf8ToAnsi(secCodes).c_str()));
}

std::int32_t Win32TerminalStreams::SubscribeTrades(const std::string& classCode,
                                                   const std::string& secCodes) {
  const auto subscribe = reinterpret_cast<SubscribeFn>(Entry(kSubscribeTrades));
  return static_cast<std::int32_t>(
      subscribe(Utf8ToAnsi(classCode).c_str(), Utf8ToAnsi(secCodes).c_str()));
}

std::int32_t Win32TerminalStreams::StartOrders() {
  void* entry = CallbackEntry(kStartOrders, Signature::OfCurrentGeneration);
  return static_cast<std::int32_t>(
      reinterpret_cast<StartFn<OrderStatusCallback>>(entry)(&OnOrderStatus));
}

std::int32_t Win32TerminalStreams::StartTrades() {
  void* entry = CallbackEntry(kStartTrades, Signature::OfCurrentGeneration);
  return static_cast<std::int32_t>(
      reinterpret_cast<StartFn<TradeStatusCallback>>(entry)(&OnTradeStatus));
}

std::int32_t Win32TerminalStreams::UnsubscribeOrders() {
  return static_cast<std::int32_t>(reinterpret_cast<UnsubscribeFn>(Entry(kUnsubscribeOrders))());
}

std::int32_t Win32TerminalStreams::UnsubscribeTrades() {
  return static_cast<std::int32_t>(reinterpret_cast<UnsubscribeFn>(Entry(kUnsubscribeTrades))());
}

std::int32_t Win32TerminalStreams::SetTransactionsReplyCallback(std::int32_t& extendedErrorCode,
                                                                std::string& errorMessage,
                                                                std::int32_t errorMessageSize) {
  void* entry = CallbackEntry(kSetTransactionsReplyCallback, Signature::OfCurrentGeneration);
  return SetCallback<ReplyCallback>(entry, &OnReply, extendedErrorCode, errorMessage,
                                    errorMessageSize);
}

std::int32_t Win32TerminalStreams::SetConnectionStatusCallback(std::int32_t& extendedErrorCode,
                                                               std::string& errorMessage,
                                                               std::int32_t errorMessageSize) {
  void* entry = CallbackEntry(kSetConnectionStatusCallback, Signature::SameInEveryGeneration);
  return SetCallback<ConnectionCallback>(entry, &OnConnectionStatus, extendedErrorCode,
                                         errorMessage, errorMessageSize);
}

std::int32_t Win32TerminalStreams::SendAsyncTransaction(const std::string& transaction,
                                                        std::int32_t& extendedErrorCode,
                                                        std::string& errorMessage,
                                                        std::int32_t errorMessageSize) {
  const auto send = reinterpret_cast<SendAsyncFn>(Entry(kSendAsyncTransaction));
  const std::string ansi = Utf8ToAnsi(transaction);
  std::vector<char> errorBuffer = MessageBuffer(errorMessageSize);
  long extended = extendedErrorCode;
  const long result =
      send(ansi.c_str(), &extended, errorBuffer.empty() ? nullptr : errorBuffer.data(),
           static_cast<DWORD>(errorBuffer.size()));
  extendedErrorCode = static_cast<std::int32_t>(extended);
  errorMessage = BufferText(errorBuffer);
  return static_cast<std::int32_t>(result);
}

}  // namespace vestrel::win32
