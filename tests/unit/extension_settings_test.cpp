#include "settings/extension_settings.h"

#include <gtest/gtest.h>

#include "contract/automation_contract.h"
#include "fakes/fake_ports.h"
#include "fakes/fake_window_ports.h"

namespace vestrel {
namespace {

using testing::EventLogEntry;
using testing::FakeEventLog;
using testing::MapProfile;

TEST(ExtensionSettings, AbsentSectionsAndZerosLeaveEveryFeatureOff) {
  MapProfile profile;
  profile.Values.insert(
      {{"Guard/StaleAfterMs", "0"}, {"Paper/Enabled", "0"}, {"Record/File", "0"}});
  FakeEventLog log;
  const ExtensionSettings settings = ReadExtensionSettings(profile, "C:\\Q\\Marlowin.ini", log);
  EXPECT_EQ(settings.Guard.StaleAfterMs, 0);
  EXPECT_EQ(settings.Guard.ConnectionCheckMs, 0);
  EXPECT_FALSE(settings.Hotkeys.BestBid.has_value());
  EXPECT_FALSE(settings.Hotkeys.Global);
  EXPECT_FALSE(settings.View.AlwaysOnTop);
  EXPECT_TRUE(settings.Record.File.empty());
  EXPECT_FALSE(settings.Paper.Enabled);
  EXPECT_TRUE(log.Entries.empty());
}

TEST(ExtensionSettings, ReadsEveryKeyAndWarnsOnceForEachValueItCannotRead) {
  MapProfile profile;
  profile.Values.insert({{"Guard/StaleAfterMs", "3000"},
                         {"Guard/MinClickIntervalMs", "2s"},
                         {"Guard/ConnectionCheckMs", "-5"},
                         {"Hotkeys/BestBid", "ctrl+F2"},
                         {"Hotkeys/BestAsk", "Shift+Alt+b"},
                         {"Hotkeys/MaxBid", "Num7"},
                         {"Hotkeys/MaxAsk", "F25"},
                         {"Hotkeys/Reverse", "Ctrl+Ctrl+R"},
                         {"Hotkeys/Kill", "Space"},
                         {"Hotkeys/Flatten", "Ctrl+F"},
                         {"Hotkeys/Global", "yes"},
                         {"Sound/Fill", "fill.wav"},
                         {"Sound/Refused", "0"},
                         {"View/AlwaysOnTop", "1"},
                         {"Record/File", "records\\today.rec"},
                         {"Paper/Enabled", "1"}});
  FakeEventLog log;
  const ExtensionSettings s = ReadExtensionSettings(profile, "C:\\Q\\Marlowin.ini", log);
  EXPECT_EQ(s.Guard.StaleAfterMs, 3000);
  EXPECT_EQ(s.Guard.MinClickIntervalMs, 0);
  EXPECT_EQ(s.Guard.ConnectionCheckMs, 0);
  EXPECT_EQ(s.Hotkeys.BestBid, (KeyChord{0x71, true, false, false}));
  EXPECT_EQ(s.Hotkeys.BestAsk, (KeyChord{'B', false, true, true}));
  EXPECT_EQ(s.Hotkeys.MaxBid, (KeyChord{0x67, false, false, false}));
  EXPECT_EQ(s.Hotkeys.Kill, (KeyChord{0x20, false, false, false}));
  EXPECT_EQ(s.Hotkeys.Flatten, (KeyChord{'F', true, false, false}));
  EXPECT_EQ(s.Sound.Fill, "fill.wav");
  EXPECT_EQ(s.Sound.Refused, "");
  EXPECT_FALSE(s.Hotkeys.MaxAsk.has_value());
  EXPECT_FALSE(s.Hotkeys.Reverse.has_value());
  EXPECT_FALSE(s.Hotkeys.Global);
  EXPECT_TRUE(s.View.AlwaysOnTop);
  EXPECT_EQ(s.Record.File, "records\\today.rec");
  EXPECT_TRUE(s.Paper.Enabled);
  ASSERT_EQ(log.Entries.size(), 5U);
  EXPECT_EQ(
      log.Entries[0].Text,
      contract::IniSectionPrefix(contract::kGuardSection) +
          "MinClickIntervalMs=2s is not a whole number of milliseconds; this feature stays off.");
  EXPECT_EQ(log.Entries[0].Type, EventType::Warning);
  EXPECT_NE(log.Entries[2].Text.find("[Hotkeys] MaxAsk=F25 is not a key"), std::string::npos);
  EXPECT_NE(log.Entries[4].Text.find("[Hotkeys] Global=yes is neither 0 nor 1"), std::string::npos);

  // For a trader whose Windows speaks Russian, in Russian; names as in the file.
  FakeEventLog russian;
  ReadExtensionSettings(profile, "C:\\Q\\Marlowin.ini", russian, UiLanguage::Russian);
  ASSERT_EQ(russian.Entries.size(), 5U);
  EXPECT_EQ(russian.Entries[0].Text,
            contract::IniSectionPrefix(contract::kGuardSection) +
                "MinClickIntervalMs=2s не целое число миллисекунд; эта возможность остаётся "
                "выключенной.");
}

TEST(ExtensionSettings, APaperSwitchThatCannotBeReadTradesOnPaper) {
  for (const char* value : {"yes", "2", "abc"}) {
    MapProfile profile;
    profile.Values.insert({{"Paper/Enabled", value}});
    FakeEventLog log;
    EXPECT_TRUE(ReadExtensionSettings(profile, "C:\\Q\\Marlowin.ini", log).Paper.Enabled) << value;
    EXPECT_EQ(log.Entries,
              (std::vector<EventLogEntry>{{contract::IniSectionPrefix(contract::kPaperSection) +
                                               "Enabled=" + std::string(value) +
                                               " is neither 0 nor 1; the panel trades on paper.",
                                           EventType::Warning}}));
  }
}

TEST(ExtensionSettings, RiskLimitsReadEitherSeparatorAndAValueThatCannotBeReadFailsSafe) {
  MapProfile profile;
  profile.Values.insert({{"Risk/MaxPosition", "3"}, {"Risk/DailyLossLimit", "1500,5"}});
  FakeEventLog log;
  RiskSettings risk = ReadExtensionSettings(profile, "C:\\Q\\Marlowin.ini", log).Risk;
  EXPECT_EQ(risk.MaxPosition, 3);
  EXPECT_EQ(risk.DailyLossLimit, 1500.5);
  EXPECT_FALSE(risk.Unreadable);
  EXPECT_TRUE(log.Entries.empty());

  // A limit mistyped must not leave the trader without one: the other still
  // holds, and only orders that reduce the position go out.
  for (const auto& [key, value] :
       std::vector<std::pair<std::string, std::string>>{{"MaxPosition", "2.5"},
                                                        {"MaxPosition", "-1"},
                                                        {"DailyLossLimit", "1 500"},
                                                        {"DailyLossLimit", "inf"},
                                                        {"DailyLossLimit", "-5"}}) {
    MapProfile typo;
    typo.Values.insert({{"Risk/MaxPosition", "3"}, {"Risk/DailyLossLimit", "100"}});
    typo.Values["Risk/" + key] = value;
    FakeEventLog warnings;
    risk = ReadExtensionSettings(typo, "C:\\Q\\Marlowin.ini", warnings).Risk;
    EXPECT_TRUE(risk.Unreadable) << key << "=" << value;
    EXPECT_EQ(key == "MaxPosition" ? risk.DailyLossLimit : risk.MaxPosition,
              key == "MaxPosition" ? 100 : 3);
    ASSERT_EQ(warnings.Entries.size(), 1U);
    EXPECT_EQ(
        warnings.Entries[0].Text.rfind(
            contract::IniSectionPrefix(contract::kRiskSection) + key + "=" + value + " is not ", 0),
        0U);
    EXPECT_NE(warnings.Entries[0].Text.find("only orders that reduce the position (and Kill)"),
              std::string::npos);
  }
}

TEST(ExtensionSettings, LiveIsReadLikeTheOtherSwitchesAndIgnoredOnPaper) {
  MapProfile profile;
  profile.Values.insert({{"Live/Orders", "1"}, {"Live/Async", "on"}});
  FakeEventLog log;
  ExtensionSettings settings = ReadExtensionSettings(profile, "C:\\Q\\Marlowin.ini", log);
  EXPECT_TRUE(settings.Live.Orders);
  EXPECT_FALSE(settings.Live.Async);
  EXPECT_EQ(log.Entries,
            (std::vector<EventLogEntry>{{contract::IniSectionPrefix(contract::kLiveSection) +
                                             "Async=on is neither 0 nor 1; this feature stays off.",
                                         EventType::Warning}}));

  // On paper nothing reaches the terminal: one warning however much is set.
  profile.Values["Paper/Enabled"] = "1";
  log.Entries.clear();
  settings = ReadExtensionSettings(profile, "C:\\Q\\Marlowin.ini", log);
  EXPECT_FALSE(settings.Live.Orders);
  EXPECT_FALSE(settings.Live.Async);
  ASSERT_EQ(log.Entries.size(), 1U);
  EXPECT_EQ(log.Entries[0].Text.find(contract::IniSectionPrefix(contract::kLiveSection) +
                                     "is ignored: the panel trades on paper"),
            0U);
  profile.Values = {{"Paper/Enabled", "1"}, {"Live/Orders", "0"}};
  log.Entries.clear();
  ReadExtensionSettings(profile, "C:\\Q\\Marlowin.ini", log);
  EXPECT_TRUE(log.Entries.empty());
}

// As the system lookup: at most bufferSize - 1 characters come back.
class CuttingProfile : public MapProfile {
 public:
  std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                      const std::string& file, int bufferSize) override {
    return MapProfile::GetPrivateProfileString(section, key, file, bufferSize)
        .substr(0, static_cast<std::size_t>(bufferSize - 1));
  }
};

TEST(ExtensionSettings, ValuesAreReadWholeHoweverLong) {
  for (const std::size_t length : {126U, 127U, 128U, 300U, 5000U}) {
    CuttingProfile profile;
    const std::string path = "C:\\" + std::string(length - 7, 'r') + "\\a.rec";
    profile.Values.insert({{"Record/File", path}, {"Hotkeys/Kill", "Ctrl+" + path}});
    FakeEventLog log;
    const ExtensionSettings settings = ReadExtensionSettings(profile, "C:\\Q\\Marlowin.ini", log);
    EXPECT_EQ(settings.Record.File, path) << length;
    ASSERT_EQ(log.Entries.size(), 1U) << length;
    EXPECT_EQ(log.Entries[0].Text.find(contract::IniSectionPrefix(contract::kHotkeysSection) +
                                       "Kill=Ctrl+" + path + " is not a key"),
              0U);
  }
}

TEST(KeyChords, ReadBackAsTheyAreWritten) {
  for (const char* text : {"F1", "F24", "A", "Z", "0", "9", "Space", "Num0", "Num9", "Ctrl+F2",
                           "Alt+Shift+B", "Ctrl+Alt+Shift+Num5"}) {
    const std::optional<KeyChord> chord = ParseKeyChord(text);
    ASSERT_TRUE(chord.has_value()) << text;
    EXPECT_EQ(ParseKeyChord(KeyChordText(*chord)), chord) << text;
  }
  for (const char* text :
       {"", "F0", "F01", "F25", "Num10", "Ctrl+", "+A", "Win+A", "AB", "Ctrl+Ctrl+A"}) {
    EXPECT_FALSE(ParseKeyChord(text).has_value()) << text;
  }
}

}  // namespace
}  // namespace vestrel
