#pragma once

#include <array>
#include <string>

#include "ports/transaction_library.h"
#include "win32/executable_folder.h"
#include "win32/unique_handle.h"

namespace vestrel::win32 {

inline constexpr const wchar_t* kTransactionLibraryFile = L"TRANS2QUIK.DLL";

// The transaction library, loaded at the first call from the given folder
// (the program's own) and, when it is not there, along the system's search
// path. Each function is looked up at its first call under its decorated
// 32-bit export name (_TRANS2QUIK_CONNECT@16, ...) and then under its plain
// name (TRANS2QUIK_CONNECT, ...), so the same code serves the 32-bit and the
// 64-bit library. Strings travel in the system's ANSI code page.
//
// A missing library is error 53 "File not found: <file>", one that will not
// load error 48, a missing function error 453; a failed load is tried again
// at the next call. Once loaded, the library stays loaded until the process
// ends: the vendor's library runs threads of its own, which must not lose
// their code under them.
class Win32TransactionLibrary : public TransactionLibrary {
 public:
  explicit Win32TransactionLibrary(std::wstring folder = ExecutableFolder(),
                                   std::wstring fileName = kTransactionLibraryFile);

  Win32TransactionLibrary(const Win32TransactionLibrary&) = delete;
  Win32TransactionLibrary& operator=(const Win32TransactionLibrary&) = delete;

  std::int32_t Connect(const std::string& connectionText, std::int32_t& extendedErrorCode) override;
  std::int32_t IsDllConnected(std::int32_t& extendedErrorCode) override;
  std::int32_t IsQuikConnected(std::int32_t& extendedErrorCode) override;
  std::int32_t Disconnect(std::int32_t& extendedErrorCode) override;
  std::int32_t SendSyncTransaction(const std::string& transaction, std::int32_t& replyCode,
                                   std::int32_t& transId, double& orderNum,
                                   std::string& resultMessage, std::int32_t resultMessageSize,
                                   std::int32_t& extendedErrorCode, std::string& errorMessage,
                                   std::int32_t errorMessageSize) override;

  LibraryLoadFailure LoadFailure() const override { return loadFailure_; }

  // The full path of the library in use; empty until it has been loaded.
  std::wstring LoadedPath() const;
  // The library's file name, as the panel looks for it.
  const std::wstring& FileName() const { return fileName_; }

  // One export of the library, looked up as the functions above are: under
  // its decorated 32-bit name, then under its plain name. Null when it has
  // neither. Loads the library first, raising its load error.
  void* FindExport(const char* decorated, const char* plain);
  // As FindExport, but a missing export raises error 453 naming it.
  void* RequireExport(const char* decorated, const char* plain);

  enum Function { kConnect, kIsDllConnected, kIsQuikConnected, kSendSyncTransaction, kDisconnect };

 private:
  HMODULE Module();
  // Records why the load failed and raises its error.
  [[noreturn]] void LoadFailed(DWORD code, const std::wstring& tried, bool fromFolder);
  void* Entry(Function function);

  std::wstring folder_;
  std::wstring fileName_;
  // Released when the adapter goes, after the panel has disconnected. Once a
  // callback of the panel's has been handed to the library, the library is
  // pinned (Win32TerminalStreams) and this release leaves it loaded.
  UniqueModule module_;
  std::array<void*, 5> entries_{};
  LibraryLoadFailure loadFailure_;
};

}  // namespace vestrel::win32
