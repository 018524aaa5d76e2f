#include "fakes/fake_ports.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace vestrel::testing {

void FakeEventLog::Write(std::string_view text, EventType type) {
  if (FailingWrites > 0) {
    --FailingWrites;
    throw AppError(5, "EventLog", "event log unavailable");
  }
  Entries.push_back({std::string(text), type});
}

void FakeMessageBox::Show(std::string_view text, MessageIcon icon) {
  Shown.emplace_back(text);
  Icons.push_back(icon);
  if (WhileOpen) {
    const auto once = std::move(WhileOpen);
    WhileOpen = nullptr;
    once();
  }
}

void FakeMessageBox::ShowLater(std::string text, MessageIcon icon, std::function<void()> closed) {
  if (!HoldLater) {
    MessageBox::ShowLater(std::move(text), icon, std::move(closed));
    return;
  }
  Held.push_back(std::move(text));
  held_.emplace_back(icon, std::move(closed));
}

bool FakeMessageBox::ShowHeld() {
  if (Held.empty()) {
    return false;
  }
  const std::string text = Held.front();
  auto [icon, closed] = std::move(held_.front());
  Held.erase(Held.begin());
  held_.erase(held_.begin());
  Show(text, icon);
  closed();
  return true;
}

std::string FakeRegionalSettings::GeneralDate(const LocalDateTime& when) const {
  char text[32];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d:%02d", when.Day, when.Month, when.Year,
                when.Hour, when.Minute, when.Second);
  return text;
}

std::string FakeRegionalSettings::AnsiToUtf8(std::string_view bytes) const {
  std::string text;
  for (const char byte : bytes) {
    const auto code = static_cast<unsigned char>(byte);
    const unsigned letter = code >= 0xC0   ? 0x410 + (code - 0xC0)
                            : code == 0xA8 ? 0x401
                            : code == 0xB8 ? 0x451
                                           : 0;
    if (code < 0x80) {
      text += byte;
    } else if (letter == 0) {
      text += '?';
    } else {
      text += static_cast<char>(0xC0 | (letter >> 6));
      text += static_cast<char>(0x80 | (letter & 0x3F));
    }
  }
  return text;
}

std::string MemoryFileSystem::AppDataFolder() {
  if (FailAppData) {
    Raise(errors::PathNotFound, "");
  }
  return AppData;
}

void MemoryFileSystem::CreateFolder(const std::string& path) {
  const auto slash = path.rfind('\\');
  if (slash == std::string::npos || !FolderExists(path.substr(0, slash))) {
    Raise(errors::PathNotFound, "");
  }
  Folders.insert(path);
}

namespace {

class MemoryFile : public AppendFile {
 public:
  MemoryFile(MemoryFileSystem& owner, std::string& content) : owner_(owner), content_(content) {
    ++owner_.OpenFiles;
  }
  ~MemoryFile() override { --owner_.OpenFiles; }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  void WriteLine(std::string_view text) override {
    if (owner_.WritesBeforeFailure == 0) {
      Raise(errors::DiskFull, "");
    }
    if (owner_.WritesBeforeFailure > 0) {
      --owner_.WritesBeforeFailure;
    }
    content_ += text;
    content_ += "\r\n";
  }

 private:
  MemoryFileSystem& owner_;
  std::string& content_;
};

class MemoryBinaryFile : public BinaryAppendFile {
 public:
  MemoryBinaryFile(MemoryFileSystem& owner, std::string& content)
      : owner_(owner), content_(content) {
    ++owner_.OpenFiles;
  }
  ~MemoryBinaryFile() override { --owner_.OpenFiles; }
  MemoryBinaryFile(const MemoryBinaryFile&) = delete;
  MemoryBinaryFile& operator=(const MemoryBinaryFile&) = delete;

  std::vector<std::uint8_t> ReadAt(std::uint64_t offset, std::size_t count) override {
    const std::size_t from = std::min(static_cast<std::size_t>(offset), content_.size());
    const std::size_t size = std::min(count, content_.size() - from);
    const auto begin = content_.begin() + static_cast<std::ptrdiff_t>(from);
    return {begin, begin + static_cast<std::ptrdiff_t>(size)};
  }
  std::uint64_t Size() override { return content_.size(); }
  void Truncate(std::uint64_t size) override {
    content_.resize(std::min(static_cast<std::size_t>(size), content_.size()));
  }
  void Append(std::span<const std::uint8_t> bytes) override {
    if (owner_.WritesBeforeFailure == 0) {
      Raise(errors::DiskFull, "");
    }
    if (owner_.WritesBeforeFailure > 0) {
      --owner_.WritesBeforeFailure;
    }
    content_.append(bytes.begin(), bytes.end());
  }

 private:
  MemoryFileSystem& owner_;
  std::string& content_;
};

}  // namespace

std::string& MemoryFileSystem::Openable(const std::string& path) {
  const auto slash = path.rfind('\\');
  if (slash == std::string::npos || !FolderExists(path.substr(0, slash))) {
    Raise(errors::PathNotFound, "");
  }
  if (Locked.count(path) != 0) {
    Raise(errors::PermissionDenied, "");
  }
  return Files[path];
}

std::unique_ptr<AppendFile> MemoryFileSystem::OpenForAppend(const std::string& path) {
  return std::make_unique<MemoryFile>(*this, Openable(path));
}

std::unique_ptr<BinaryAppendFile> MemoryFileSystem::OpenForBinaryAppend(const std::string& path) {
  return std::make_unique<MemoryBinaryFile>(*this, Openable(path));
}

void MemoryFileSystem::DeleteFile(const std::string& path) { Files.erase(path); }

std::string FakeUserContextSource::GetUserName() {
  if (!Present) {
    Raise(errors::CannotCreateObject, "");
  }
  return Name;
}

std::vector<std::string> FakeLogServices::ErrorEntries() const {
  std::vector<std::string> texts;
  for (const EventLogEntry& entry : AppLog.Entries) {
    if (entry.Type == EventType::Error) {
      texts.push_back(entry.Text);
    }
  }
  return texts;
}

}  // namespace vestrel::testing
