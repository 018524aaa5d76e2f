#include "settings/extension_settings.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "contract/automation_contract.h"

namespace vestrel {
namespace {

constexpr UiText kNotMilliseconds{"is not a whole number of milliseconds",
                                  "не целое число миллисекунд"};
constexpr UiText kNotAKey{
    "is not a key (F1-F24, A-Z, 0-9, Space, Num0-Num9 after Ctrl+, Alt+, Shift+)",
    "не клавиша (F1-F24, A-Z, 0-9, Space, Num0-Num9 после Ctrl+, Alt+, Shift+)"};
constexpr UiText kNeitherZeroNorOne{"is neither 0 nor 1", "не 0 и не 1"};
constexpr UiText kStaysOff{"this feature stays off", "эта возможность остаётся выключенной"};
constexpr UiText kNotLots{"is not a whole number of lots", "не целое число лотов"};
constexpr UiText kNotPoints{"is not a number of price points", "не число пунктов цены"};
constexpr UiText kReduceOnly{
    "until it is mended only orders that reduce the position (and Kill) go out",
    "пока это не исправлено, уходят только заявки, уменьшающие позицию (и Kill)"};
constexpr UiText kTradesOnPaper{"the panel trades on paper", "панель торгует на бумаге"};
constexpr UiText kLiveIgnoredOnPaper{
    "is ignored: the panel trades on paper, and its orders never reach the terminal.",
    "не действует: панель торгует на бумаге, и её заявки не доходят до терминала."};

class SectionReader {
 public:
  SectionReader(ProfileReader& reader, const std::string& iniFile, EventLog& appLog,
                UiLanguage language, const char* section)
      : reader_(reader),
        iniFile_(iniFile),
        appLog_(appLog),
        language_(language),
        section_(section) {}

  const char* Name() const { return section_; }

  std::string Text(const char* key) {
    // Whole: a path cut short would record somewhere the trader never named.
    return reader_.GetWholeValue(section_, key, iniFile_);
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
      Warn(key, text, kNotMilliseconds);
      return 0;
    }
    return value;
  }

  // A whole number from 0 up, or a number with '.' or ',' before its
  // fraction; absent is 0. Empty when the value cannot be read: then one
  // warning with its consequence.
  std::optional<std::int64_t> WholeNumber(const char* key, const UiText& consequence) {
    const std::string text = Text(key);
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (text.empty()) {
      return 0;
    }
    if (error != std::errc{} || at != end || value < 0) {
      Warn(key, text, kNotLots, consequence);
      return std::nullopt;
    }
    return value;
  }

  std::optional<double> Points(const char* key, const UiText& consequence) {
    const std::string text = Text(key);
    if (text.empty()) {
      return 0.0;
    }
    // Either decimal separator: the file may come from another locale.
    std::string plain = text;
    std::replace(plain.begin(), plain.end(), ',', '.');
    double value = 0;
    const char* end = plain.data() + plain.size();
    const auto [at, error] = std::from_chars(plain.data(), end, value);
    if (error != std::errc{} || at != end || !std::isfinite(value) || value < 0) {
      Warn(key, text, kNotPoints, consequence);
      return std::nullopt;
    }
    return value;
  }

  // A file name; absent and 0 are none.
  std::string FileName(const char* key) {
    std::string text = Text(key);
    return text == "0" ? std::string() : text;
  }

  // 1 is on; absent and 0 are off; anything else is off too.
  bool Switch(const char* key) {
    const std::optional<bool> value = ReadSwitch(key, kStaysOff);
    return value.value_or(false);
  }

  // A switch whose safe side is on: a value that cannot be read turns it on.
  bool SwitchOnWhenUnreadable(const char* key, const UiText& consequence) {
    return ReadSwitch(key, consequence).value_or(true);
  }

  std::optional<KeyChord> Key(const char* key) {
    const std::string text = Text(key);
    if (text.empty() || text == "0") {
      return std::nullopt;
    }
    std::optional<KeyChord> chord = ParseKeyChord(text);
    if (!chord) {
      Warn(key, text, kNotAKey);
    }
    return chord;
  }

 private:
  // Empty when the value is neither absent, 0 nor 1: then one warning.
  std::optional<bool> ReadSwitch(const char* key, const UiText& consequence) {
    const std::string text = Text(key);
    if (text.empty() || text == "0") {
      return false;
    }
    if (text == "1") {
      return true;
    }
    Warn(key, text, kNeitherZeroNorOne, consequence);
    return std::nullopt;
  }

  void Warn(const char* key, const std::string& value, const UiText& why,
            const UiText& consequence = kStaysOff) {
    WriteWarning(appLog_, contract::IniSectionPrefix(section_) + key + "=" + value + " " +
                              why.In(language_) + "; " + consequence.In(language_) + ".");
  }

  ProfileReader& reader_;
  const std::string& iniFile_;
  EventLog& appLog_;
  UiLanguage language_;
  const char* section_;
};

}  // namespace

ExtensionSettings ReadExtensionSettings(ProfileReader& reader, const std::string& iniFile,
                                        EventLog& appLog, UiLanguage language) {
  ExtensionSettings settings;
  const auto section = [&](const char* name) {
    return SectionReader(reader, iniFile, appLog, language, name);
  };
  SectionReader guard = section(contract::kGuardSection);
  settings.Guard.StaleAfterMs = guard.Milliseconds(contract::kStaleAfterMsKey);
  settings.Guard.MinClickIntervalMs = guard.Milliseconds(contract::kMinClickIntervalMsKey);
  settings.Guard.ConnectionCheckMs = guard.Milliseconds(contract::kConnectionCheckMsKey);

  SectionReader hotkeys = section(contract::kHotkeysSection);
  settings.Hotkeys.MaxBid = hotkeys.Key(contract::kMaxBidHotkey);
  settings.Hotkeys.BestBid = hotkeys.Key(contract::kBestBidHotkey);
  settings.Hotkeys.BestAsk = hotkeys.Key(contract::kBestAskHotkey);
  settings.Hotkeys.MaxAsk = hotkeys.Key(contract::kMaxAskHotkey);
  settings.Hotkeys.Reverse = hotkeys.Key(contract::kReverseHotkey);
  settings.Hotkeys.Kill = hotkeys.Key(contract::kKillHotkey);
  settings.Hotkeys.Flatten = hotkeys.Key(contract::kFlattenHotkey);
  settings.Hotkeys.Ladder = hotkeys.Key(contract::kLadderHotkey);
  settings.Hotkeys.Centre = hotkeys.Key(contract::kCentreHotkey);
  settings.Hotkeys.Global = hotkeys.Switch(contract::kGlobalHotkeysKey);

  settings.View.AlwaysOnTop = section(contract::kViewSection).Switch(contract::kAlwaysOnTopKey);
  settings.Record.File = section(contract::kRecordSection).Text(contract::kRecordFileKey);
  if (settings.Record.File == "0") {
    settings.Record.File.clear();
  }
  // A trader who asked for paper must never trade real money by a typing slip.
  settings.Paper.Enabled = section(contract::kPaperSection)
                               .SwitchOnWhenUnreadable(contract::kPaperEnabledKey, kTradesOnPaper);

  settings.Orders = ReadOrderSettings(reader, iniFile, appLog, language);

  // A limit the trader set but mistyped must not leave him without one.
  SectionReader risk = section(contract::kRiskSection);
  const std::optional<std::int64_t> maxPosition =
      risk.WholeNumber(contract::kMaxPositionKey, kReduceOnly);
  const std::optional<double> lossLimit = risk.Points(contract::kDailyLossLimitKey, kReduceOnly);
  settings.Risk.MaxPosition = maxPosition.value_or(0);
  settings.Risk.DailyLossLimit = lossLimit.value_or(0);
  settings.Risk.Unreadable = !maxPosition || !lossLimit;

  SectionReader sound = section(contract::kSoundSection);
  settings.Sound.Fill = sound.FileName(contract::kFillSoundKey);
  settings.Sound.Refused = sound.FileName(contract::kRefusedSoundKey);

  SectionReader live = section(contract::kLiveSection);
  if (settings.Paper.Enabled) {
    // Paper orders never reach the terminal, so there is nothing live to
    // follow; one warning when the section asks for anything.
    for (const char* key : {contract::kLiveOrdersKey, contract::kLiveAsyncKey}) {
      const std::string text = live.Text(key);
      if (!text.empty() && text != "0") {
        WriteWarning(appLog,
                     contract::IniSectionPrefix(live.Name()) + kLiveIgnoredOnPaper.In(language));
        break;
      }
    }
  } else {
    settings.Live.Orders = live.Switch(contract::kLiveOrdersKey);
    settings.Live.Async = live.Switch(contract::kLiveAsyncKey);
  }

  settings.Ladder.Enabled = section(contract::kLadderSection).Switch(contract::kLadderEnabledKey);
  return settings;
}

}  // namespace vestrel
