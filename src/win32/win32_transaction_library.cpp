#include "win32/win32_transaction_library.h"

#include <vector>

#include "common/app_error.h"
#include "win32/library_message_buffer.h"
#include "win32/text_encoding.h"
#include "win32/win32_error.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {
namespace {

// The library's functions as its header declares them.
using ConnectFn = long(WINAPI*)(LPCSTR connectionString, long* extendedErrorCode,
                                LPSTR errorMessage, DWORD errorMessageSize);
using StatusFn = long(WINAPI*)(long* extendedErrorCode, LPSTR errorMessage, DWORD errorMessageSize);
using SendSyncFn = long(WINAPI*)(LPCSTR transactionString, long* replyCode, long* transId,
                                 double* orderNum, LPSTR resultMessage, DWORD resultMessageSize,
                                 long* extendedErrorCode, LPSTR errorMessage,
                                 DWORD errorMessageSize);

struct EntryNames {
  const char* Decorated;
  const char* Plain;
};

constexpr std::array<EntryNames, 5> kEntryNames{{
    {"_TRANS2QUIK_CONNECT@16", "TRANS2QUIK_CONNECT"},
    {"_TRANS2QUIK_IS_DLL_CONNECTED@12", "TRANS2QUIK_IS_DLL_CONNECTED"},
    {"_TRANS2QUIK_IS_QUIK_CONNECTED@12", "TRANS2QUIK_IS_QUIK_CONNECTED"},
    {"_TRANS2QUIK_SEND_SYNC_TRANSACTION@36", "TRANS2QUIK_SEND_SYNC_TRANSACTION"},
    {"_TRANS2QUIK_DISCONNECT@12", "TRANS2QUIK_DISCONNECT"},
}};

bool IsNotFound(DWORD code) {
  return code == ERROR_MOD_NOT_FOUND || code == ERROR_FILE_NOT_FOUND ||
         code == ERROR_PATH_NOT_FOUND;
}

// No "insert disk" or "missing component" boxes while a library loads: a
// failure comes back as an error code.
class QuietLoading {
 public:
  QuietLoading() { SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previous_); }
  ~QuietLoading() { SetThreadErrorMode(previous_, nullptr); }
  QuietLoading(const QuietLoading&) = delete;
  QuietLoading& operator=(const QuietLoading&) = delete;

 private:
  DWORD previous_ = 0;
};

}  // namespace

Win32TransactionLibrary::Win32TransactionLibrary(std::wstring folder, std::wstring fileName)
    : folder_(std::move(folder)), fileName_(std::move(fileName)) {}

HMODULE Win32TransactionLibrary::Module() {
  if (module_) {
    return module_.get();
  }
  const QuietLoading quiet;
  HMODULE module = nullptr;
  if (!folder_.empty()) {
    std::wstring path = folder_;
    if (path.back() != L'\\' && path.back() != L'/') {
      path += L'\\';
    }
    path += fileName_;
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
      // Its own dependencies are looked for beside it as well.
      module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
      if (module == nullptr) {
        LoadFailed(GetLastError(), path, true);
      }
    }
  }
  if (module == nullptr) {
    module = LoadLibraryW(fileName_.c_str());
    if (module == nullptr) {
      LoadFailed(GetLastError(), fileName_, false);
    }
  }
  loadFailure_ = {};
  module_.reset(module);
  return module_.get();
}

void Win32TransactionLibrary::LoadFailed(DWORD code, const std::wstring& tried, bool fromFolder) {
  loadFailure_.FileName = WideToUtf8(fileName_);
  loadFailure_.Folder = WideToUtf8(folder_);
  loadFailure_.ProgramBits = static_cast<int>(sizeof(void*) * 8);
  loadFailure_.SystemCode = code;
  if (!fromFolder && IsNotFound(code)) {
    loadFailure_.What = LibraryLoadFailure::Kind::NotFound;
    Raise(errors::FileNotFound, kProgramSource, WideToUtf8(fileName_));
  }
  if (code == ERROR_BAD_EXE_FORMAT) {
    loadFailure_.What = LibraryLoadFailure::Kind::WrongBitness;
    if (!fromFolder) {
      loadFailure_.Folder.clear();
    }
  } else {
    loadFailure_.What = LibraryLoadFailure::Kind::Other;
  }
  SetLastError(code);
  // The system's text may leave the file's place to the caller ("%1 is not a
  // valid Win32 application"): it is this library.
  const std::string file = WideToUtf8(tried);
  Raise(errors::DllLoad, kProgramSource,
        file + " (" + FillInsert(LastError().Description, file) + ")");
}

void* Win32TransactionLibrary::FindExport(const char* decorated, const char* plain) {
  const HMODULE module = Module();
  FARPROC found = GetProcAddress(module, decorated);
  if (found == nullptr) {
    found = GetProcAddress(module, plain);
  }
  return reinterpret_cast<void*>(found);
}

void* Win32TransactionLibrary::RequireExport(const char* decorated, const char* plain) {
  void* found = FindExport(decorated, plain);
  if (found == nullptr) {
    throw AppError(
        errors::NoEntryPoint.Number, kProgramSource,
        std::string(errors::NoEntryPoint.Text) + " " + decorated + " in " + WideToUtf8(fileName_));
  }
  return found;
}

void* Win32TransactionLibrary::Entry(Function function) {
  void*& entry = entries_[function];
  if (entry == nullptr) {
    const EntryNames& names = kEntryNames[function];
    if (FindExport(names.Decorated, names.Plain) == nullptr) {
      // The panel cannot trade without it: the status line names it.
      const std::wstring path = LoadedPath();
      loadFailure_ = {};
      loadFailure_.What = LibraryLoadFailure::Kind::MissingFunction;
      loadFailure_.FileName = WideToUtf8(fileName_);
      loadFailure_.Folder = WideToUtf8(path.substr(0, path.find_last_of(L"\\/")));
      loadFailure_.ProgramBits = static_cast<int>(sizeof(void*) * 8);
      loadFailure_.Function = names.Plain;
    }
    entry = RequireExport(names.Decorated, names.Plain);
  }
  return entry;
}

std::wstring Win32TransactionLibrary::LoadedPath() const {
  if (!module_) {
    return {};
  }
  std::wstring path(32768, L'\0');
  const DWORD length =
      GetModuleFileNameW(module_.get(), path.data(), static_cast<DWORD>(path.size()));
  path.resize(length);
  return path;
}

std::int32_t Win32TransactionLibrary::Connect(const std::string& connectionText,
                                              std::int32_t& extendedErrorCode) {
  const auto connect = reinterpret_cast<ConnectFn>(Entry(kConnect));
  const std::string ansi = Utf8ToAnsi(connectionText);
  long extended = extendedErrorCode;
  const long result = connect(ansi.c_str(), &extended, nullptr, 0);
  extendedErrorCode = static_cast<std::int32_t>(extended);
  return static_cast<std::int32_t>(result);
}

namespace {

std::int32_t CallStatus(void* entry, std::int32_t& extendedErrorCode) {
  const auto status = reinterpret_cast<StatusFn>(entry);
  long extended = extendedErrorCode;
  const long result = status(&extended, nullptr, 0);
  extendedErrorCode = static_cast<std::int32_t>(extended);
  return static_cast<std::int32_t>(result);
}

}  // namespace

std::int32_t Win32TransactionLibrary::IsDllConnected(std::int32_t& extendedErrorCode) {
  return CallStatus(Entry(kIsDllConnected), extendedErrorCode);
}

std::int32_t Win32TransactionLibrary::IsQuikConnected(std::int32_t& extendedErrorCode) {
  return CallStatus(Entry(kIsQuikConnected), extendedErrorCode);
}

std::int32_t Win32TransactionLibrary::Disconnect(std::int32_t& extendedErrorCode) {
  return CallStatus(Entry(kDisconnect), extendedErrorCode);
}

std::int32_t Win32TransactionLibrary::SendSyncTransaction(
    const std::string& transaction, std::int32_t& replyCode, std::int32_t& transId,
    double& orderNum, std::string& resultMessage, std::int32_t resultMessageSize,
    std::int32_t& extendedErrorCode, std::string& errorMessage, std::int32_t errorMessageSize) {
  const auto send = reinterpret_cast<SendSyncFn>(Entry(kSendSyncTransaction));
  const std::string ansi = Utf8ToAnsi(transaction);
  std::vector<char> resultBuffer = MessageBuffer(resultMessageSize);
  std::vector<char> errorBuffer = MessageBuffer(errorMessageSize);
  long reply = replyCode;
  long id = transId;
  double number = orderNum;
  long extended = extendedErrorCode;
  const long result = send(
      ansi.c_str(), &reply, &id, &number, resultBuffer.empty() ? nullptr : resultBuffer.data(),
      static_cast<DWORD>(resultBuffer.size()), &extended,
      errorBuffer.empty() ? nullptr : errorBuffer.data(), static_cast<DWORD>(errorBuffer.size()));
  replyCode = static_cast<std::int32_t>(reply);
  transId = static_cast<std::int32_t>(id);
  orderNum = number;
  extendedErrorCode = static_cast<std::int32_t>(extended);
  resultMessage = BufferText(resultBuffer);
  errorMessage = BufferText(errorBuffer);
  return static_cast<std::int32_t>(result);
}

}  // namespace vestrel::win32
