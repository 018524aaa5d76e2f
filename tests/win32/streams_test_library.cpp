// A transaction library of the current generation for the streams adapter's
// tests: the streaming functions keep the callbacks they are given, and
// TestFire calls each of them once, from a thread of the library's own, with
// values that only arrive intact when the caller's signature matches this one
// (numbers beyond 32 bits whose low halves look negative, 8-bit texts of the ANSI code
// page). TestJournal lists the calls so far. Built in variants that leave
// exports out (the .def file the build writes decides which).
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace {

// The callbacks exactly as the vendor's current library declares them.
using ReplyCallback = void(__stdcall*)(long nTransactionResult, long nTransactionExtendedErrorCode,
                                       long nTransactionReplyCode, DWORD dwTransId,
                                       unsigned long long nOrderNum,
                                       LPCSTR lpcstrTransactionReplyMessage,
                                       intptr_t transReplyDescriptor);
using OrderStatusCallback = void(__stdcall*)(long nMode, DWORD dwTransID,
                                             unsigned long long nOrderNum, LPCSTR lpcstrClassCode,
                                             LPCSTR lpcstrSecCode, double dPrice,
                                             long long nBalance, double dValue, long nIsSell,
                                             long nStatus, intptr_t orderDescriptor);
using TradeStatusCallback = void(__stdcall*)(long nMode, unsigned long long dNumber,
                                             unsigned long long dOrderNumber,
                                             LPCSTR lpcstrClassCode, LPCSTR lpcstrSecCode,
                                             double dPrice, long long nQty, double dValue,
                                             long nIsSell, intptr_t tradeDescriptor);
using ConnectionCallback = void(__stdcall*)(long nConnectionEvent, long nExtendedErrorCode,
                                            LPCSTR lpcstrInfoMessage);

ReplyCallback reply = nullptr;
OrderStatusCallback orders = nullptr;
TradeStatusCallback trades = nullptr;
ConnectionCallback connection = nullptr;
std::string journal;

// "Принята", "РТС" and "Ошибка" in code page 1251.
constexpr const char* kAccepted = "\xCF\xF0\xE8\xED\xFF\xF2\xE0";
constexpr const char* kRts = "\xD0\xD2\xD1";
constexpr const char* kError = "\xCE\xF8\xE8\xE1\xEA\xE0";

void Write(const char* text, LPSTR buffer, DWORD size) {
  if (buffer != nullptr && size > 0) {
    std::strncpy(buffer, text, size - 1);
    buffer[size - 1] = '\0';
  }
}

DWORD WINAPI FireAll(LPVOID calls) {
  int& count = *static_cast<int*>(calls);
  if (reply != nullptr) {
    reply(1, -42, 3, 0xFEDCBA98UL, 0x123456789ULL, kAccepted, 0x5A5A);
    ++count;
  }
  if (orders != nullptr) {
    orders(1, 7, 0x200000001ULL, "SPBFUT", kRts, 98660.5, 0x1FFFFFFFDLL, 1234567.25, 1, 2, 0x6B6B);
    ++count;
  }
  if (trades != nullptr) {
    trades(2, 0x300000003ULL, 0x200000001ULL, "SPBFUT", kRts, 98661.75, 0x100000002LL, 7.5, 0,
           0x7C7C);
    ++count;
  }
  if (connection != nullptr) {
    connection(8, -5, kError);
    ++count;
  }
  return 0;
}

}  // namespace

extern "C" {

long __stdcall TRANS2QUIK_SEND_ASYNC_TRANSACTION(LPCSTR transaction, long* extendedErrorCode,
                                                 LPSTR errorMessage, DWORD errorMessageSize) {
  journal += std::string("SEND_ASYNC ") + transaction + "\n";
  *extendedErrorCode = -7;
  Write(kError, errorMessage, errorMessageSize);
  return 5;
}

long __stdcall TRANS2QUIK_SET_TRANSACTIONS_REPLY_CALLBACK(ReplyCallback callback,
                                                          long* extendedErrorCode,
                                                          LPSTR errorMessage,
                                                          DWORD errorMessageSize) {
  journal += "SET_TRANSACTIONS_REPLY_CALLBACK\n";
  reply = callback;
  *extendedErrorCode = 11;
  Write("reply", errorMessage, errorMessageSize);
  return 0;
}

long __stdcall TRANS2QUIK_SET_CONNECTION_STATUS_CALLBACK(ConnectionCallback callback,
                                                         long* extendedErrorCode,
                                                         LPSTR errorMessage,
                                                         DWORD errorMessageSize) {
  journal += "SET_CONNECTION_STATUS_CALLBACK\n";
  connection = callback;
  *extendedErrorCode = 12;
  Write("connection", errorMessage, errorMessageSize);
  return 0;
}

long __stdcall TRANS2QUIK_SUBSCRIBE_ORDERS(LPCSTR classCode, LPCSTR secCodes) {
  journal += std::string("SUBSCRIBE_ORDERS ") + classCode + " " + secCodes + "\n";
  return 0;
}

long __stdcall TRANS2QUIK_SUBSCRIBE_TRADES(LPCSTR classCode, LPCSTR secCodes) {
  journal += std::string("SUBSCRIBE_TRADES ") + classCode + " " + secCodes + "\n";
  return 0;
}

long __stdcall TRANS2QUIK_START_ORDERS(OrderStatusCallback callback) {
  journal += "START_ORDERS\n";
  orders = callback;
  return 0;
}

long __stdcall TRANS2QUIK_START_TRADES(TradeStatusCallback callback) {
  journal += "START_TRADES\n";
  trades = callback;
  return 0;
}

long __stdcall TRANS2QUIK_UNSUBSCRIBE_ORDERS() {
  journal += "UNSUBSCRIBE_ORDERS\n";
  return 0;
}

long __stdcall TRANS2QUIK_UNSUBSCRIBE_TRADES() {
  journal += "UNSUBSCRIBE_TRADES\n";
  return 1;
}

LPCSTR __stdcall TRANS2QUIK_TRANSACTION_REPLY_CLASS_CODE(intptr_t /*replyDescriptor*/) {
  return "SPBFUT";
}

// Calls every callback kept so far once, from a new thread, and returns how
// many it called once that thread has ended.
int TestFire() {
  int count = 0;
  HANDLE thread = CreateThread(nullptr, 0, &FireAll, &count, 0, nullptr);
  if (thread == nullptr) {
    return -1;
  }
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  return count;
}

const char* TestJournal() { return journal.c_str(); }

}  // extern "C"
