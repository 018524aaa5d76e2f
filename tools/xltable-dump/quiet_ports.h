#pragma once

// Platform services for running the decoder outside the panel: informational
// event-log lines (the decoder's own) go to a stream, logged errors, the daily
// text log and the user context go nowhere.

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "diag/log_dispatcher.h"

namespace vestrel::tools {

class StreamEventLog : public EventLog {
 public:
  explicit StreamEventLog(std::FILE* information) : information_(information) {}
  void Write(std::string_view text, EventType type) override {
    if (type == EventType::Information && information_ != nullptr) {
      std::fwrite(text.data(), 1, text.size(), information_);
      std::fputc('\n', information_);
    }
  }

 private:
  std::FILE* information_;
};

class DiscardingFileSystem : public FileSystem {
 public:
  std::string AppDataFolder() override { return "appdata"; }
  bool FolderExists(const std::string& /*path*/) override { return true; }
  void CreateFolder(const std::string& /*path*/) override {}
  std::unique_ptr<AppendFile> OpenForAppend(const std::string& /*path*/) override {
    return std::make_unique<DiscardingFile>();
  }
  std::unique_ptr<BinaryAppendFile> OpenForBinaryAppend(const std::string& /*path*/) override {
    return std::make_unique<DiscardingBinaryFile>();
  }
  void DeleteFile(const std::string& /*path*/) override {}
  char PathSeparator() const override { return '/'; }

 private:
  class DiscardingFile : public AppendFile {
   public:
    void WriteLine(std::string_view /*text*/) override {}
  };
  class DiscardingBinaryFile : public BinaryAppendFile {
   public:
    std::vector<std::uint8_t> ReadAt(std::uint64_t /*offset*/, std::size_t /*count*/) override {
      return {};
    }
    std::uint64_t Size() override { return 0; }
    void Truncate(std::uint64_t /*size*/) override {}
    void Append(std::span<const std::uint8_t> /*bytes*/) override {}
  };
};

class FixedRegionalSettings : public RegionalSettings {
 public:
  explicit FixedRegionalSettings(char separator) : separator_(separator) {}
  char DecimalSeparator() const override { return separator_; }
  std::string GeneralDate(const LocalDateTime& /*when*/) const override { return {}; }
  LocalDateTime Now() const override { return {2000, 1, 1, 0, 0, 0}; }
  // String cells keep the poke's bytes unchanged.
  std::string AnsiToUtf8(std::string_view bytes) const override { return std::string(bytes); }
  UiLanguage InterfaceLanguage() const override { return UiLanguage::English; }

 private:
  char separator_;
};

// No user-context component: no user name.
class NoUserContext : public UserContextSource {
 public:
  std::string GetUserName() override { return {}; }
};

struct QuietLogServices {
  QuietLogServices(std::FILE* information, char decimalSeparator)
      : AppLog(information), Regional(decimalSeparator) {}

  StreamEventLog AppLog;
  DiscardingFileSystem Files;
  FixedRegionalSettings Regional;
  NoUserContext UserContexts;
  LogDispatcher Log{LogServices{AppLog, Files, Regional, UserContexts}};
};

}  // namespace vestrel::tools
