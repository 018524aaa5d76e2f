#pragma once

#include "ports/file_system.h"

namespace vestrel::win32 {

// Folders and files through the Win32 file API. Lines are stored in the
// system's ANSI code page, bytes as they are.
class Win32FileSystem : public FileSystem {
 public:
  std::string AppDataFolder() override;
  bool FolderExists(const std::string& path) override;
  void CreateFolder(const std::string& path) override;
  std::unique_ptr<AppendFile> OpenForAppend(const std::string& path) override;
  std::unique_ptr<BinaryAppendFile> OpenForBinaryAppend(const std::string& path) override;
  void DeleteFile(const std::string& path) override;
  char PathSeparator() const override { return '\\'; }
};

}  // namespace vestrel::win32
