#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vestrel {

// A file open for appending; closed when the object goes, on every path.
class AppendFile {
 public:
  virtual ~AppendFile() = default;
  // Writes text (UTF-8 inside the program; the platform stores it in the
  // system's 8-bit code page) followed by CR LF. Throws AppError on failure.
  virtual void WriteLine(std::string_view text) = 0;
};

// A file open for appending bytes (a recording); others may read it meanwhile.
// Closed when the object goes, on every path.
class BinaryAppendFile {
 public:
  virtual ~BinaryAppendFile() = default;
  // count bytes from offset on, fewer where the file ends. Throws AppError.
  virtual std::vector<std::uint8_t> ReadAt(std::uint64_t offset, std::size_t count) = 0;
  virtual std::uint64_t Size() = 0;
  // Cuts the file to its first size bytes. Throws AppError.
  virtual void Truncate(std::uint64_t size) = 0;
  // Appends the bytes whole or not at all: what a failing write (a full disk)
  // left of them is cut off again before it throws AppError. Once it returns
  // the bytes are the system's: the program may crash without losing them.
  virtual void Append(std::span<const std::uint8_t> bytes) = 0;
};

// Folders and files for the daily text log and the recording. Paths are UTF-8 with '\' or '/'
// as the platform joins them; every failure throws AppError.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // The user's application-data folder.
  virtual std::string AppDataFolder() = 0;
  virtual bool FolderExists(const std::string& path) = 0;
  virtual void CreateFolder(const std::string& path) = 0;
  virtual std::unique_ptr<AppendFile> OpenForAppend(const std::string& path) = 0;
  // Opens the file for appending bytes, creating it when it is missing. A
  // path that opens anything but a file on disk (a device, a pipe) throws.
  virtual std::unique_ptr<BinaryAppendFile> OpenForBinaryAppend(const std::string& path) = 0;
  // Deleting a missing file is no error.
  virtual void DeleteFile(const std::string& path) = 0;
  virtual char PathSeparator() const = 0;
};

}  // namespace vestrel
