#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/app_error.h"
#include "diag/log_dispatcher.h"
#include "ports/event_log.h"
#include "ports/file_system.h"
#include "ports/message_box.h"
#include "ports/regional_settings.h"
#include "ports/user_context_source.h"

namespace vestrel::testing {

struct EventLogEntry {
  std::string Text;
  EventType Type;
  bool operator==(const EventLogEntry&) const = default;
};

class FakeEventLog : public EventLog {
 public:
  void Write(std::string_view text, EventType type) override;
  std::vector<EventLogEntry> Entries;
  // Writes fail (throw) while this many remain; counts down per failed write.
  int FailingWrites = 0;
};

// Records every box. WhileOpen, when set, runs once while the next box is
// open, as the UI thread's message loop lets things happen during a modal wait.
//
// A box asked for later opens at once unless HoldLater is set: then it waits,
// as behind the message loop, until ShowHeld opens the oldest one and the
// trader closes it.
class FakeMessageBox : public MessageBox {
 public:
  void Show(std::string_view text, MessageIcon icon) override;
  void ShowLater(std::string text, MessageIcon icon, std::function<void()> closed) override;
  // False when no box is held.
  bool ShowHeld();

  std::vector<std::string> Shown;
  std::vector<MessageIcon> Icons;
  std::function<void()> WhileOpen;
  bool HoldLater = false;
  std::vector<std::string> Held;

 private:
  std::vector<std::pair<MessageIcon, std::function<void()>>> held_;
};

class FakeRegionalSettings : public RegionalSettings {
 public:
  char DecimalSeparator() const override { return Separator; }
  // "dd.MM.yyyy HH:mm:ss", as a Russian machine writes the general date.
  std::string GeneralDate(const LocalDateTime& when) const override;
  LocalDateTime Now() const override { return Clock; }
  // Code page 1251 for its letters (А..я, Ё, ё), '?' for the other bytes
  // above 0x7F.
  std::string AnsiToUtf8(std::string_view bytes) const override;
  UiLanguage InterfaceLanguage() const override { return Language; }

  char Separator = ',';
  UiLanguage Language = UiLanguage::English;
  LocalDateTime Clock{2026, 12, 6, 14, 5, 9};
};

// A file system in memory: folders, files with their lines, and scripted failures.
class MemoryFileSystem : public FileSystem {
 public:
  std::string AppDataFolder() override;
  bool FolderExists(const std::string& path) override { return Folders.count(path) != 0; }
  void CreateFolder(const std::string& path) override;
  std::unique_ptr<AppendFile> OpenForAppend(const std::string& path) override;
  std::unique_ptr<BinaryAppendFile> OpenForBinaryAppend(const std::string& path) override;
  void DeleteFile(const std::string& path) override;
  char PathSeparator() const override { return '\\'; }

  std::string AppData = "C:\\Users\\trader\\AppData\\Roaming";
  std::set<std::string> Folders{AppData};
  std::map<std::string, std::string> Files;  // path -> content
  std::set<std::string> Locked;              // paths that cannot be opened
  int OpenFiles = 0;
  // Line writes and binary appends alike; a failing append adds nothing.
  int WritesBeforeFailure = -1;  // -1: writes never fail
  bool FailAppData = false;

 private:
  // The content of a file that may be opened; throws as the platform would.
  std::string& Openable(const std::string& path);
};

class FakeUserContextSource : public UserContextSource {
 public:
  std::string GetUserName() override;
  bool Present = false;
  std::string Name = "trader";
};

// A dispatcher over the fakes, for tests of procedures that log.
struct FakeLogServices {
  FakeEventLog AppLog;
  MemoryFileSystem Files;
  FakeRegionalSettings Regional;
  FakeUserContextSource UserContexts;
  LogDispatcher Log{LogServices{AppLog, Files, Regional, UserContexts}};

  // Event-log entries of logged errors (type Error), in order.
  std::vector<std::string> ErrorEntries() const;
};

}  // namespace vestrel::testing
