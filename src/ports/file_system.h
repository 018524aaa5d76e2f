#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace vestrel {

// A file open for appending; closed when the object goes, on every path.
class AppendFile {
 public:
  virtual ~AppendFile() = default;
  // Writes text (UTF-8 inside the program; the platform stores it in the
  // system's 8-bit code page) followed by CR LF. Throws AppError on failure.
  virtual void WriteLine(std::string_view text) = 0;
};

// Folders and files for the daily text log. Paths are UTF-8 with '\' or '/'
// as the platform joins them; every failure throws AppError.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // The user's application-data folder.
  virtual std::string AppDataFolder() = 0;
  virtual bool FolderExists(const std::string& path) = 0;
  virtual void CreateFolder(const std::string& path) = 0;
  virtual std::unique_ptr<AppendFile> OpenForAppend(const std::string& path) = 0;
  // Deleting a missing file is no error.
  virtual void DeleteFile(const std::string& path) = 0;
  virtual char PathSeparator() const = 0;
};

}  // namespace vestrel
