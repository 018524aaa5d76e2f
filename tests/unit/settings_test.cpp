#include "settings/settings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "contract/automation_contract.h"
#include "fakes/fake_ports.h"
#include "settings/ini_file_reader.h"

namespace vestrel {
namespace {

using testing::FakeLogServices;

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        std::filesystem::temp_directory_path() /
        ("vestrel-settings-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
    ini_ = (dir_ / contract::kIniFileName).string();
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  void WriteIni(const std::string& text) { std::ofstream(ini_, std::ios::binary) << text; }

  std::string Read(const std::string& key) {
    return ReadProfileValue(services_.Log, reader_, contract::kMainSection, key, ini_);
  }

  int ErrorNumberOfReadSettings() {
    try {
      Settings settings;
      ReadSettings(services_.Log, reader_, ini_, '.', settings);
    } catch (const AppError& error) {
      return error.Number;
    }
    return 0;
  }

  std::filesystem::path dir_;
  std::string ini_;
  FakeLogServices services_;
  IniFileReader reader_;
};

TEST_F(SettingsTest, ReadsAllSixValuesInTheProfileConventions) {
  WriteIni(
      "; panel settings\r\n[Other]\r\nAccount=WRONG\r\n[ main ]\r\n  account =  A1  \r\n"
      "SecCode=\"RIZ6\"\r\nClassCode=SPBFUT\r\nSize=1\r\nSafeSpread= 30 \r\nCompact=1.5\r\n");
  Settings settings;
  ReadSettings(services_.Log, reader_, ini_, '.', settings);
  EXPECT_EQ(settings.Account, "A1");
  EXPECT_EQ(settings.SecCode, "RIZ6");
  EXPECT_EQ(settings.ClassCode, "SPBFUT");
  EXPECT_EQ(settings.Size, 1);
  EXPECT_EQ(settings.SafeSpread, 30);
  EXPECT_EQ(settings.Compact, 2);  // 1.5 rounds to even
  EXPECT_TRUE(services_.AppLog.Entries.empty());
}

TEST_F(SettingsTest, ALongValueIsCutTo126CharactersAndMissingThingsAreEmpty) {
  WriteIni("[Main]\nAccount=" + std::string(200, 'x') + "\nSize=\n");
  EXPECT_EQ(Read("Account"), std::string(126, 'x'));
  EXPECT_EQ(Read("Size"), "");
  EXPECT_EQ(Read("NoSuchKey"), "");
  EXPECT_EQ(
      ReadProfileValue(services_.Log, reader_, "Main", "Account", (dir_ / "missing.ini").string()),
      "");
}

TEST_F(SettingsTest, AMissingEmptyOrNonNumericSizeIsATypeMismatch) {
  EXPECT_EQ(ErrorNumberOfReadSettings(), kErrTypeMismatch);  // no file at all
  WriteIni("[Main]\nSize=\nSafeSpread=1\nCompact=0\n");
  EXPECT_EQ(ErrorNumberOfReadSettings(), kErrTypeMismatch);
  WriteIni("[Main]\nSize=two\nSafeSpread=1\nCompact=0\n");
  EXPECT_EQ(ErrorNumberOfReadSettings(), kErrTypeMismatch);
  WriteIni("[Main]\nSize=1\nSafeSpread=1\nCompact=9999999999\n");
  EXPECT_EQ(ErrorNumberOfReadSettings(), kErrOverflow);
  // A conversion error has no handler of the reader's: it is not logged here.
  EXPECT_TRUE(services_.AppLog.Entries.empty());
}

class ThrowingReader : public ProfileReader {
 public:
  std::string GetPrivateProfileString(const std::string&, const std::string&, const std::string&,
                                      int) override {
    Raise(errors::OutOfMemory, "");
  }
};

TEST_F(SettingsTest, AReaderFailureIsRecordedWithSectionKeyAndFile) {
  ThrowingReader failing;
  EXPECT_THROW(ReadProfileValue(services_.Log, failing, "Main", "Size", "C:\\T\\M.ini"), AppError);
  ASSERT_EQ(services_.ErrorEntries().size(), 1U);
  EXPECT_EQ(services_.ErrorEntries()[0],
            "ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.INI.VBGetPrivateProfileString IN LINE: 1. "
            "ERROR =  7 (Out of memory) ADDITIONAL PARAMS: \r\npSection = Main\r\npKey = Size\r\n"
            "pFile = C:\\T\\M.ini\r\n");
}

}  // namespace
}  // namespace vestrel
