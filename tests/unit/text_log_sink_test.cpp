#include "diag/text_log_sink.h"

#include <gtest/gtest.h>

#include "fakes/fake_ports.h"

namespace vestrel {
namespace {

using testing::EventLogEntry;
using testing::FakeLogServices;

const std::string kFolder = "C:\\Users\\trader\\AppData\\Roaming\\Zel_Project";
const std::string kToday = kFolder + "\\261206.log";
const std::string kStars(105, '*');

bool Write(FakeLogServices& s, const ErrorRecord& record, const UserContext& context = {}) {
  return TextLogSink(s.Files, s.Regional, s.AppLog).Write(record, context);
}

TEST(TextLogSink, WritesTheLabelledBlockToTheDaysFileInTheCreatedFolder) {
  FakeLogServices s;
  ErrorRecord record;
  record.Level = 1;
  record.Description = errors::TypeMismatch.Text;
  record.Number = 13;
  record.Source = "Vestrel.modDDE.GetString->Vestrel.modDDE.ParseXLTable";
  record.Line = 4;
  record.Params = {{"pData", std::string("abc")}, {"pPos", std::int64_t{17}}};
  ASSERT_TRUE(Write(s, record, {"ivan", ""}));
  EXPECT_TRUE(s.Files.FolderExists(kFolder));
  EXPECT_EQ(s.Files.Files.at(kToday),
            "06.12.2026 14:05:09 : Type mismatch (13)\r\n"
            "Критичность: ERROR\r\n\r\n"
            "Событие в Vestrel.modDDE.GetString->Vestrel.modDDE.ParseXLTable на строке 4\r\n\r\n"
            "User: ivan\r\n"
            "DB: \r\n\r\n"
            "Параметры:\r\n"
            "pData: abc\r\n"
            "pPos: 17\r\n" +
                kStars + "\r\n\r\n");
  EXPECT_EQ(s.Files.OpenFiles, 0);
}

TEST(TextLogSink, ARecordWithoutParametersTakesElevenLinesAndLaterRecordsAppend) {
  FakeLogServices s;
  ErrorRecord record;
  record.Number = 5;
  ASSERT_TRUE(Write(s, record));
  const std::string block =
      "06.12.2026 14:05:09 :  (5)\r\nКритичность: ERROR\r\n\r\n"
      "Событие в  на строке 0\r\n\r\nUser: \r\nDB: \r\n\r\nПараметры:\r\n" +
      kStars + "\r\n\r\n";
  EXPECT_EQ(s.Files.Files.at(kToday), block);
  ASSERT_TRUE(Write(s, record));
  EXPECT_EQ(s.Files.Files.at(kToday), block + block);
}

TEST(TextLogSink, TheFirstRecordOfEachDayDeletesTheFilesOfDays15To35Back) {
  FakeLogServices s;
  TextLogSink sink(s.Files, s.Regional, s.AppLog);
  s.Files.Folders.insert(kFolder);
  auto file = [](const char* day) { return kFolder + "\\" + day + ".log"; };
  // 6 December 2026 minus 14, 15, 20, 35, 36 days; the range crosses a month.
  for (const char* day : {"261122", "261121", "261116", "261101", "261031", "261206", "261001"}) {
    s.Files.Files[file(day)] = "old";
  }
  ASSERT_TRUE(sink.Write(ErrorRecord{}, {}));
  for (const char* kept : {"261122", "261031", "261001"}) {
    EXPECT_EQ(s.Files.Files.count(file(kept)), 1U) << kept;
  }
  for (const char* gone : {"261121", "261116", "261101"}) {
    EXPECT_EQ(s.Files.Files.count(file(gone)), 0U) << gone;
  }
  EXPECT_EQ(s.Files.Files.at(kToday).substr(0, 3), "old");

  // Later records that day delete nothing.
  s.Files.Files[file("261116")] = "restored";
  s.Regional.Clock = {2026, 12, 6, 23, 59, 59};
  ASSERT_TRUE(sink.Write(ErrorRecord{}, {}));
  EXPECT_EQ(s.Files.Files.count(file("261116")), 1U);

  // After midnight the first record goes to the new day's file and prunes
  // from there: 16 November is now 21 days back, 22 November 15.
  s.Regional.Clock = {2026, 12, 7, 0, 0, 1};
  ASSERT_TRUE(sink.Write(ErrorRecord{}, {}));
  EXPECT_EQ(s.Files.Files.count(file("261116")), 0U);
  EXPECT_EQ(s.Files.Files.count(file("261122")), 0U);
  EXPECT_EQ(s.Files.Files.at(file("261207")).rfind("07.12.2026 00:00:01 : ", 0), 0U);
  EXPECT_EQ(s.Files.Files.at(kToday).find("07.12.2026"), std::string::npos);

  // Across the new year: 26 December is 15 days before 10 January.
  s.Files.Files[file("261226")] = "old";
  s.Files.Files[file("261227")] = "old";
  s.Regional.Clock = {2027, 1, 10, 0, 0, 1};
  ASSERT_TRUE(sink.Write(ErrorRecord{}, {}));
  EXPECT_EQ(s.Files.Files.count(file("261226")), 0U);
  EXPECT_EQ(s.Files.Files.count(file("261227")), 1U);
  EXPECT_EQ(s.Files.Files.count(file("270110")), 1U);
}

TEST(TextLogSink, AnOpeningFailureWritesOneLineWithItsStepAndReturnsFalse) {
  FakeLogServices s;
  s.Files.Folders.insert(kFolder);
  s.Files.Locked.insert(kToday);
  EXPECT_FALSE(Write(s, ErrorRecord{}));
  ASSERT_EQ(s.AppLog.Entries.size(), 1U);
  EXPECT_EQ(s.AppLog.Entries[0],
            (EventLogEntry{"Error occurs in LogInterface.LogEventToTextFile no line 80: Permission "
                           "denied",
                           EventType::Information}));

  FakeLogServices noAppData;
  noAppData.Files.FailAppData = true;
  EXPECT_FALSE(Write(noAppData, ErrorRecord{}));
  EXPECT_EQ(noAppData.AppLog.Entries.at(0).Text,
            "Error occurs in LogInterface.LogEventToTextFile no line 30: Path not found");

  FakeLogServices noParent;
  noParent.Files.Folders.clear();
  EXPECT_FALSE(Write(noParent, ErrorRecord{}));
  EXPECT_EQ(noParent.AppLog.Entries.at(0).Text,
            "Error occurs in LogInterface.LogEventToTextFile no line 60: Path not found");
}

TEST(TextLogSink, AWriteFailureClosesTheFileAndIsReported) {
  FakeLogServices s;
  s.Files.WritesBeforeFailure = 0;
  EXPECT_FALSE(Write(s, ErrorRecord{}));
  EXPECT_EQ(s.Files.OpenFiles, 0);
  ASSERT_EQ(s.AppLog.Entries.size(), 1U);
  EXPECT_EQ(s.AppLog.Entries[0].Text,
            "Error occurs in LogInterface.LogEventToTextFile no line 90: Disk full");
}

TEST(TextLogSink, TheDispatcherWritesTheTextLogFirstAndTheAppLogEvenWhenTheFileFails) {
  FakeLogServices s;
  s.Files.FailAppData = true;
  ErrorRecord record;
  record.Number = 13;
  record.Description = errors::TypeMismatch.Text;
  s.Log.Dispatch(record);
  ASSERT_EQ(s.AppLog.Entries.size(), 2U);
  EXPECT_EQ(s.AppLog.Entries[0].Text.rfind("Error occurs in LogInterface.LogEventToTextFile", 0),
            0U);
  EXPECT_EQ(s.AppLog.Entries[1].Text,
            "ERROR OCCURS IN UNKNOWN, SOURCE UNDEFINED ERROR =  13 (Type mismatch)");
}

}  // namespace
}  // namespace vestrel
