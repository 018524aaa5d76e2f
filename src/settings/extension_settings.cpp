#include "settings/extension_settings.h"

#include <charconv>

namespace vestrel {
namespace {

// As long a value as the main settings read.
constexpr int kValueBufferSize = 127;

class SectionReader {
 public:
  SectionReader(ProfileReader& reader, const std::string& iniFile, EventLog& appLog,
                const char* section)
      : reader_(reader), iniFile_(iniFile), appLog_(appLog), section_(section) {}

  std::string Text(const char* key) {
    return reader_.GetPrivateProfileString(section_, key, iniFile_, kValueBufferSize);
  }

  // A whole number of milliseconds from 0 up; absent is 0.
  std::int32_t Milliseconds(const char* key) {
    const std::string text = Text(key);
    std::int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (text.empty()) {
      return 0;
    }
    if (error != std::errc{} || at != end || value < 0) {
      Warn(key, text, "is not a whole number of milliseconds");
      return 0;
    }
    return value;
  }

  // 1 is on; absent and 0 are off.
  bool Switch(const char* key) {
    const std::string text = Text(key);
    if (text.empty() || text == "0") {
      return false;
    }
    if (text == "1") {
      return true;
    }
    Warn(key, text, "is neither 0 nor 1");
    return false;
  }

  std::optional<KeyChord> Key(const char* key) {
    const std::string text = Text(key);
    if (text.empty() || text == "0") {
      return std::nullopt;
    }
    std::optional<KeyChord> chord = ParseKeyChord(text);
    if (!chord) {
      Warn(key, text,
           "is not a key (F1-F24, A-Z, 0-9, Space, Num0-Num9 after Ctrl+, Alt+, Shift+)");
    }
    return chord;
  }

 private:
  void Warn(const char* key, const std::string& value, const char* why) {
    appLog_.Write("Marlowin.ini [" + std::string(section_) + "] " + key + "=" + value + " " + why +
                      "; this feature stays off.",
                  EventType::Warning);
  }

  ProfileReader& reader_;
  const std::string& iniFile_;
  EventLog& appLog_;
  const char* section_;
};

}  // namespace

ExtensionSettings ReadExtensionSettings(ProfileReader& reader, const std::string& iniFile,
                                        EventLog& appLog) {
  ExtensionSettings settings;
  SectionReader guard(reader, iniFile, appLog, "Guard");
  settings.Guard.StaleAfterMs = guard.Milliseconds("StaleAfterMs");
  settings.Guard.MinClickIntervalMs = guard.Milliseconds("MinClickIntervalMs");
  settings.Guard.ConnectionCheckMs = guard.Milliseconds("ConnectionCheckMs");

  SectionReader hotkeys(reader, iniFile, appLog, "Hotkeys");
  settings.Hotkeys.MaxBid = hotkeys.Key("MaxBid");
  settings.Hotkeys.BestBid = hotkeys.Key("BestBid");
  settings.Hotkeys.BestAsk = hotkeys.Key("BestAsk");
  settings.Hotkeys.MaxAsk = hotkeys.Key("MaxAsk");
  settings.Hotkeys.Reverse = hotkeys.Key("Reverse");
  settings.Hotkeys.Kill = hotkeys.Key("Kill");
  settings.Hotkeys.Global = hotkeys.Switch("Global");

  settings.View.AlwaysOnTop = SectionReader(reader, iniFile, appLog, "View").Switch("AlwaysOnTop");
  settings.Record.File = SectionReader(reader, iniFile, appLog, "Record").Text("File");
  if (settings.Record.File == "0") {
    settings.Record.File.clear();
  }
  settings.Paper.Enabled = SectionReader(reader, iniFile, appLog, "Paper").Switch("Enabled");

  settings.Orders = ReadOrderSettings(reader, iniFile, appLog);
  return settings;
}

}  // namespace vestrel
