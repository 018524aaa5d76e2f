#include "win32/win32_file_system.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "common/app_error.h"
#include "win32/text_encoding.h"
#include "win32/unique_handle.h"
#include "win32/win32_error.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {
namespace {

constexpr int kAppDataFolder = 26;  // CSIDL_APPDATA
constexpr std::size_t kAppDataBufferSize = 256;

class Win32AppendFile : public AppendFile {
 public:
  explicit Win32AppendFile(UniqueKernelHandle file) : file_(std::move(file)) {}

  void WriteLine(std::string_view text) override {
    const std::string line = Utf8ToAnsi(text) + "\r\n";
    DWORD written = 0;
    if (!WriteFile(file_.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) ||
        written != line.size()) {
      RaiseLastError();
    }
  }

 private:
  UniqueKernelHandle file_;
};

// Written with FILE_SHARE_READ, so the recording can be read while it grows.
class Win32BinaryAppendFile : public BinaryAppendFile {
 public:
  explicit Win32BinaryAppendFile(UniqueKernelHandle file) : file_(std::move(file)) {}

  std::vector<std::uint8_t> ReadAt(std::uint64_t offset, std::size_t count) override {
    std::vector<std::uint8_t> bytes(std::min<std::size_t>(count, MAXDWORD));
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32U);
    DWORD read = 0;
    if (!ReadFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, &at) &&
        GetLastError() != ERROR_HANDLE_EOF) {
      RaiseLastError();
    }
    bytes.resize(read);
    return bytes;
  }

  std::uint64_t Size() override {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file_.get(), &size)) {
      RaiseLastError();
    }
    return static_cast<std::uint64_t>(size.QuadPart);
  }

  void Truncate(std::uint64_t size) override {
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFilePointerEx(file_.get(), at, nullptr, FILE_BEGIN) || !SetEndOfFile(file_.get())) {
      RaiseLastError();
    }
  }

  void Append(std::span<const std::uint8_t> bytes) override {
    if (bytes.size() > MAXDWORD) {
      Raise(errors::InvalidCall, "");
    }
    LARGE_INTEGER end{};
    if (!SetFilePointerEx(file_.get(), LARGE_INTEGER{}, &end, FILE_END)) {
      RaiseLastError();
    }
    DWORD written = 0;
    const BOOL wrote =
        WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    if (!wrote || written != bytes.size()) {
      const DWORD error = wrote ? ERROR_DISK_FULL : GetLastError();
      // A part of the block would misalign every record after it.
      SetFilePointerEx(file_.get(), end, nullptr, FILE_BEGIN);
      SetEndOfFile(file_.get());
      SetLastError(error);
      RaiseLastError();
    }
  }

 private:
  UniqueKernelHandle file_;
};

}  // namespace

std::string Win32FileSystem::AppDataFolder() {
  char buffer[kAppDataBufferSize + 4] = {};
  if (!SHGetSpecialFolderPathA(nullptr, buffer, kAppDataFolder, FALSE)) {
    Raise(errors::PathNotFound, "");
  }
  const void* end = std::memchr(buffer, '\0', kAppDataBufferSize);
  if (end == nullptr) {
    Raise(errors::InvalidCall, "");
  }
  return AnsiToUtf8(std::string_view(buffer, static_cast<const char*>(end) - buffer));
}

bool Win32FileSystem::FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(Utf8ToWide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void Win32FileSystem::CreateFolder(const std::string& path) {
  if (!CreateDirectoryW(Utf8ToWide(path).c_str(), nullptr)) {
    RaiseLastError();
  }
}

std::unique_ptr<AppendFile> Win32FileSystem::OpenForAppend(const std::string& path) {
  UniqueKernelHandle file =
      KernelHandle(CreateFileW(Utf8ToWide(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    RaiseLastError();
  }
  return std::make_unique<Win32AppendFile>(std::move(file));
}

std::unique_ptr<BinaryAppendFile> Win32FileSystem::OpenForBinaryAppend(const std::string& path) {
  UniqueKernelHandle file = KernelHandle(
      CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    RaiseLastError();
  }
  // A device or a pipe under a file's name would take the pokes nowhere, or
  // block the panel on a write.
  if (GetFileType(file.get()) != FILE_TYPE_DISK) {
    throw AppError(kErrInvalidCall, "", "not a file on disk");
  }
  return std::make_unique<Win32BinaryAppendFile>(std::move(file));
}

void Win32FileSystem::DeleteFile(const std::string& path) {
  if (!DeleteFileW(Utf8ToWide(path).c_str())) {
    const DWORD code = GetLastError();
    if (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND) {
      RaiseLastError();
    }
  }
}

}  // namespace vestrel::win32
