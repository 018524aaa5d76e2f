// The stand-in TRANS2QUIK.DLL: a terminal that accepts orders.
//
// Connecting succeeds, the two connection tests report both connections, and
// every well-formed transaction is answered with reply code 3, its TRANS_ID,
// a growing order number for a new order and a short result message. Every
// call is appended to a journal file; environment variables, read at every
// call, script other answers. README.md beside this file lists both.
#include <windows.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

// The library's result codes used here.
constexpr long kSuccess = 0;
constexpr long kAlreadyConnected = 4;
constexpr long kWrongSyntax = 5;
constexpr long kDllNotConnected = 7;
constexpr long kQuikConnected = 8;
constexpr long kQuikDisconnected = 9;
constexpr long kDllConnected = 10;
constexpr long kDllDisconnected = 11;

// The reply code the terminal gives an executed transaction.
constexpr long kReplyExecuted = 3;

// Order numbers beyond 32 bits, as a busy exchange hands them out.
constexpr double kFirstOrderNumber = 5000000001.0;

bool connected = false;
double nextOrderNumber = kFirstOrderNumber;

HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(&ThisModule), &module);
  return module;
}

// An environment variable of the process (set before or after the library
// was loaded), in the ANSI code page; false when it is not set.
bool ProcessEnv(const char* name, std::string& value) {
  const DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
  if (size == 0) {
    return false;
  }
  std::string text(size, '\0');
  const DWORD length = GetEnvironmentVariableA(name, text.data(), size);
  if (length >= size) {
    return false;
  }
  text.resize(length);
  value = std::move(text);
  return true;
}

// The value of a line NAME=value in the script file that TERMSIM_T2Q_SCRIPT
// names, read at every call: rewriting the file changes the answers of a
// library already loaded by a running program, whose environment no one
// else can change. False when there is no such file or line.
bool ScriptValue(const char* name, std::string& value) {
  std::string path;
  if (!ProcessEnv("TERMSIM_T2Q_SCRIPT", path) || path.empty()) {
    return false;
  }
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    return false;
  }
  const std::string prefix = std::string(name) + "=";
  bool found = false;
  char line[1024];
  while (std::fgets(line, sizeof line, file) != nullptr) {
    std::string_view text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
      text.remove_suffix(1);
    }
    if (text.substr(0, prefix.size()) == prefix) {
      value = std::string(text.substr(prefix.size()));
      found = true;  // the last line of a name wins
    }
  }
  std::fclose(file);
  return found;
}

// A setting: from the script file when it names it, else from the
// environment; false when neither does.
bool Env(const char* name, std::string& value) {
  return ScriptValue(name, value) || ProcessEnv(name, value);
}

// A whole number from the environment; the fallback when it is not set or
// is not a number.
long EnvLong(const char* name, long fallback) {
  std::string text;
  if (!Env(name, text) || text.empty()) {
    return fallback;
  }
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text.c_str(), &end, 10);
  return (errno == 0 && *end == '\0') ? value : fallback;
}

double EnvDouble(const char* name, double fallback) {
  std::string text;
  if (!Env(name, text) || text.empty()) {
    return fallback;
  }
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  return *end == '\0' ? value : fallback;
}

std::string JournalPath() {
  std::string path;
  if (Env("TERMSIM_T2Q_JOURNAL", path) && !path.empty()) {
    return path;
  }
  char module[MAX_PATH];
  const DWORD length = GetModuleFileNameA(ThisModule(), module, MAX_PATH);
  path.assign(module, length < MAX_PATH ? length : 0);
  const std::size_t slash = path.find_last_of("\\/");
  path.resize(slash == std::string::npos ? 0 : slash + 1);
  return path + "trans2quik-journal.txt";
}

// Appends one line, byte for byte as received, and closes the file again so
// that readers see it at once. A journal that cannot be written is skipped.
void Journal(std::string_view line) {
  const std::string text = std::string(line) + "\r\n";
  const HANDLE file = CreateFileA(JournalPath().c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return;
  }
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

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

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return text;
}

// The transaction language: KEY=value pairs, each closed by ";" (optional
// after the last), keys of upper-case letters, digits and "_".
struct Transaction {
  bool WellFormed = true;
  std::string Action;
  std::string TransId;
};

Transaction Parse(std::string_view text) {
  Transaction transaction;
  bool any = false;
  while (!text.empty()) {
    const std::size_t semicolon = text.find(';');
    const std::string_view pair = Trim(text.substr(0, semicolon));
    text = semicolon == std::string_view::npos ? std::string_view() : text.substr(semicolon + 1);
    if (pair.empty()) {
      if (!Trim(text).empty()) {
        transaction.WellFormed = false;  // ";;" in the middle
      }
      continue;
    }
    const std::size_t equals = pair.find('=');
    if (equals == 0 || equals == std::string_view::npos) {
      transaction.WellFormed = false;
      continue;
    }
    const std::string_view key = Trim(pair.substr(0, equals));
    for (const char c : key) {
      if (!(std::isupper(static_cast<unsigned char>(c)) ||
            std::isdigit(static_cast<unsigned char>(c)) || c == '_')) {
        transaction.WellFormed = false;
      }
    }
    const std::string_view value = Trim(pair.substr(equals + 1));
    if (key == "ACTION") {
      transaction.Action = value;
    } else if (key == "TRANS_ID") {
      transaction.TransId = value;
    }
    any = true;
  }
  transaction.WellFormed = transaction.WellFormed && any;
  return transaction;
}

}  // namespace

extern "C" {

long WINAPI TRANS2QUIK_CONNECT(LPCSTR connectionString, long* extendedErrorCode, LPSTR errorMessage,
                               DWORD errorMessageSize) {
  Journal(std::string("CONNECT ") + (connectionString != nullptr ? connectionString : ""));
  long result = connected ? kAlreadyConnected : kSuccess;
  result = EnvLong("TERMSIM_T2Q_CONNECT", result);
  if (result == kSuccess) {
    connected = true;
  }
  SetOut(extendedErrorCode, EnvLong("TERMSIM_T2Q_EXTENDED_ERROR", 0));
  WriteMessage(errorMessage, errorMessageSize, "");
  return result;
}

long WINAPI TRANS2QUIK_IS_DLL_CONNECTED(long* extendedErrorCode, LPSTR errorMessage,
                                        DWORD errorMessageSize) {
  Journal("IS_DLL_CONNECTED");
  SetOut(extendedErrorCode, EnvLong("TERMSIM_T2Q_EXTENDED_ERROR", 0));
  WriteMessage(errorMessage, errorMessageSize, "");
  return EnvLong("TERMSIM_T2Q_DLL_CONNECTED", connected ? kDllConnected : kDllDisconnected);
}

long WINAPI TRANS2QUIK_IS_QUIK_CONNECTED(long* extendedErrorCode, LPSTR errorMessage,
                                         DWORD errorMessageSize) {
  Journal("IS_QUIK_CONNECTED");
  SetOut(extendedErrorCode, EnvLong("TERMSIM_T2Q_EXTENDED_ERROR", 0));
  WriteMessage(errorMessage, errorMessageSize, "");
  return EnvLong("TERMSIM_T2Q_QUIK_CONNECTED", connected ? kQuikConnected : kQuikDisconnected);
}

long WINAPI TRANS2QUIK_DISCONNECT(long* extendedErrorCode, LPSTR errorMessage,
                                  DWORD errorMessageSize) {
  Journal("DISCONNECT");
  const long result = EnvLong("TERMSIM_T2Q_DISCONNECT", connected ? kSuccess : kDllNotConnected);
  connected = false;
  SetOut(extendedErrorCode, EnvLong("TERMSIM_T2Q_EXTENDED_ERROR", 0));
  WriteMessage(errorMessage, errorMessageSize, "");
  return result;
}

long WINAPI TRANS2QUIK_SEND_SYNC_TRANSACTION(LPSTR transactionString, long* replyCode,
                                             long* transId, double* orderNum, LPSTR resultMessage,
                                             DWORD resultMessageSize, long* extendedErrorCode,
                                             LPSTR errorMessage, DWORD errorMessageSize) {
  const std::string_view text = transactionString != nullptr ? transactionString : "";
  Journal(std::string("SEND ") + std::string(text));

  const long delay = EnvLong("TERMSIM_T2Q_SEND_DELAY_MS", 0);
  if (delay > 0) {
    Sleep(static_cast<DWORD>(delay));
  }

  const Transaction transaction = Parse(text);
  long result = kSuccess;
  long reply = kReplyExecuted;
  double number = 0;
  std::string message;
  std::string error;
  if (!connected) {
    result = kDllNotConnected;
    reply = 0;
    error = "Not connected to the terminal";
  } else if (!transaction.WellFormed) {
    result = kWrongSyntax;
    reply = 0;
    error = "Wrong transaction syntax";
  } else if (transaction.Action == "NEW_ORDER") {
    number = nextOrderNumber;
    nextOrderNumber += 1;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "Order %.0f registered.", number);
    message = buffer;
  } else if (transaction.Action == "KILL_ALL_FUTURES_ORDERS") {
    message = "All futures orders cancelled.";
  } else {
    message = "Transaction executed.";
  }

  std::string outputs;
  if (Env("TERMSIM_T2Q_SEND_OUTPUTS", outputs) && outputs == "none") {
    return EnvLong("TERMSIM_T2Q_SEND", result);
  }
  Env("TERMSIM_T2Q_RESULT_MESSAGE", message);
  Env("TERMSIM_T2Q_ERROR_MESSAGE", error);
  SetOut(replyCode, EnvLong("TERMSIM_T2Q_REPLY_CODE", reply));
  SetOut(transId,
         EnvLong("TERMSIM_T2Q_TRANS_ID", std::strtol(transaction.TransId.c_str(), nullptr, 10)));
  if (orderNum != nullptr) {
    *orderNum = EnvDouble("TERMSIM_T2Q_ORDER_NUM", number);
  }
  SetOut(extendedErrorCode, EnvLong("TERMSIM_T2Q_EXTENDED_ERROR", 0));
  WriteMessage(resultMessage, resultMessageSize, message);
  WriteMessage(errorMessage, errorMessageSize, error);
  return EnvLong("TERMSIM_T2Q_SEND", result);
}

}  // extern "C"
