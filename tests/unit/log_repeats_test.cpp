// A flood of identical error records: the first three of a minute written
// whole, the rest counted and written as one record.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "diag/log_dispatcher.h"
#include "fakes/fake_ports.h"

namespace vestrel {
namespace {

using testing::FakeLogServices;

const std::string kToday = "C:\\Users\\trader\\AppData\\Roaming\\Zel_Project\\261206.log";
const std::string kStars(105, '*');

ErrorRecord Record(std::string source, std::int64_t position = 5) {
  ErrorRecord record;
  record.Level = 1;
  record.Number = 5;
  record.Description = errors::InvalidCall.Text;
  record.Source = std::move(source);
  record.Line = 1;
  record.Params = {{"pData", ArrayValue{}}, {"pPos", position}};
  return record;
}

// The records one failed poke leaves, from the decoder up to the callback.
std::vector<ErrorRecord> FailedPoke(const std::string& reader, std::int64_t position) {
  std::string chain = "Vestrel.modDDE." + reader;
  std::vector<ErrorRecord> records{Record(chain, position)};
  for (const char* caller : {"ParseXLTable", "DDECallback", "DDEIGlass"}) {
    chain += std::string("->Vestrel.modDDE.") + caller;
    records.push_back(Record(chain));
  }
  return records;
}

struct Logs {
  FakeLogServices s;

  void Log(ErrorRecord record) { s.Log.Dispatch(record); }
  void At(int hour, int minute, int second) {
    s.Regional.Clock = {2026, 12, 6, hour, minute, second};
  }
  std::string Text() const {
    const auto file = s.Files.Files.find(kToday);
    return file == s.Files.Files.end() ? "" : file->second;
  }
  std::size_t Count(const std::string& what) const {
    const std::string text = Text();
    std::size_t count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
      ++count;
    }
    return count;
  }
};

TEST(LogRepeats, ThreeOfAMinuteAreWrittenWholeThenCountedAndNothingDistinctIsFolded) {
  {
    SCOPED_TRACE("a run: three written as they happen, then counted till the minute is over");
    Logs logs;
    logs.Log(Record("Vestrel.modDDE.GetWord"));
    logs.Log(Record("Vestrel.modDDE.GetWord"));  // a double click that failed twice shows twice
    EXPECT_EQ(logs.Count(kStars), 2U);
    logs.At(14, 5, 30);
    logs.Log(Record("Vestrel.modDDE.GetWord"));
    logs.At(14, 5, 40);
    logs.Log(Record("Vestrel.modDDE.GetWord"));
    logs.At(14, 6, 8);
    logs.Log(Record("Vestrel.modDDE.GetWord"));
    logs.s.Log.WriteEndedRepeats();  // a tick inside the minute writes nothing
    EXPECT_EQ(logs.Count(kStars), 3U);
    ASSERT_EQ(logs.s.AppLog.Entries.size(), 3U);

    // The first record after the minute ends the run: its count comes first.
    logs.At(14, 6, 9);
    logs.Log(Record("Vestrel.modDDE.GetByte"));
    const std::string repeat =
        "06.12.2026 14:06:09 : Repeated 2 more times between 14:05:40 and 14:06:08: Invalid "
        "procedure call or argument (5)\r\n"
        "Критичность: ERROR\r\n\r\n"
        "Событие в Vestrel.modDDE.GetWord на строке 1\r\n\r\n"
        "User: \r\nDB: \r\n\r\n"
        "Параметры:\r\npData: Array\r\npPos: 5\r\n" +
        kStars + "\r\n\r\n";
    const std::string text = logs.Text();
    const std::size_t at = text.find(repeat);
    ASSERT_NE(at, std::string::npos) << text;
    EXPECT_EQ(text.substr(at + repeat.size())
                  .rfind("06.12.2026 14:06:09 : Invalid procedure call "
                         "or argument (5)\r\nКритичность: ERROR\r\n\r\n"
                         "Событие в Vestrel.modDDE.GetByte ",
                         0),
              0U);
    ASSERT_EQ(logs.s.AppLog.Entries.size(), 5U);
    EXPECT_EQ(logs.s.AppLog.Entries[3].Text,
              "ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.modDDE.GetWord IN LINE: 1. ERROR =  5 "
              "(Repeated 2 more times between 14:05:40 and 14:06:08: Invalid procedure call or "
              "argument) ADDITIONAL PARAMS: \r\npData = Array\r\npPos = 5\r\n");
    EXPECT_EQ(logs.s.AppLog.Entries[3].Type, EventType::Error);

    // The next one starts a new run, three written whole; a tick once its
    // minute is over writes its single repeat.
    logs.At(14, 6, 30);
    for (int i = 0; i < 4; ++i) {
      logs.Log(Record("Vestrel.modDDE.GetWord"));
    }
    EXPECT_EQ(logs.Count("Событие в Vestrel.modDDE.GetWord "), 7U);
    logs.At(14, 7, 30);
    logs.s.Log.WriteEndedRepeats();
    EXPECT_EQ(logs.Count(" : Repeated once more at 14:06:30: Invalid procedure"), 1U);
    EXPECT_EQ(logs.Count(kStars), 9U);
  }
  {
    SCOPED_TRACE("a flood of failed pokes, two kinds in turn: 8 distinct records, 200 of each");
    Logs logs;
    for (int poke = 0; poke < 400; ++poke) {
      for (const ErrorRecord& record :
           poke % 2 == 0 ? FailedPoke("GetWord", 5) : FailedPoke("GetByte", 60381)) {
        logs.Log(record);
      }
    }
    EXPECT_EQ(logs.Count(kStars), 24U);
    EXPECT_EQ(logs.Count("pPos: 60381\r\n"), 3U);
    logs.s.Log.Flush();
    EXPECT_EQ(logs.Count(kStars), 32U);
    EXPECT_EQ(logs.Count(" : Repeated 197 more times between 14:05:09 and 14:05:09: "), 8U);
    EXPECT_EQ(logs.s.AppLog.Entries.size(), 32U);
    logs.s.Log.Flush();
    EXPECT_EQ(logs.Count(kStars), 32U);
  }
  {
    SCOPED_TRACE("records that differ in any field are never folded");
    Logs logs;
    const ErrorRecord base = Record("Vestrel.modDDE.GetWord");
    std::vector<ErrorRecord> variants(8, base);
    variants[1].Source += "->Vestrel.modDDE.ParseXLTable";
    variants[2].Number = 9;
    variants[3].Description = errors::SubscriptOutOfRange.Text;
    variants[4].Line = 2;
    variants[5].Params[1].Value = std::int64_t{6};
    variants[6].Params[1].Name = "pSize";
    variants[7].Params.pop_back();
    // A value that equals nothing, not even itself, still repeats.
    variants.push_back(base);
    variants.back().Params[1].Value = std::nan("");
    for (int round = 0; round < 4; ++round) {
      for (const ErrorRecord& record : variants) {
        logs.Log(record);
      }
    }
    EXPECT_EQ(logs.Count(kStars), 3 * variants.size());
    logs.s.Log.Flush();
    EXPECT_EQ(logs.Count(" : Repeated once more at 14:05:09: "), variants.size());
  }
  {
    SCOPED_TRACE("a run pushed out of the table of recent records writes its count first");
    Logs logs;
    for (int i = 0; i < 4; ++i) {
      logs.Log(Record("Vestrel.modDDE.GetWord"));
    }
    for (std::int64_t position = 100; position < 116; ++position) {
      logs.Log(Record("Vestrel.modDDE.GetByte", position));
    }
    // The 16th newcomer pushed the run out: its count stands before it.
    const std::string text = logs.Text();
    EXPECT_LT(text.find("Repeated once more"), text.find("pPos: 115"));
    EXPECT_GT(text.find("Repeated once more"), text.find("pPos: 114"));
    logs.Log(Record("Vestrel.modDDE.GetWord"));
    EXPECT_EQ(logs.Count("Событие в Vestrel.modDDE.GetWord "), 5U);
  }
  {
    SCOPED_TRACE("a clock set back ends the run");
    Logs logs;
    for (int i = 0; i < 4; ++i) {
      logs.Log(Record("Vestrel.modDDE.GetWord"));
    }
    logs.At(13, 5, 10);
    logs.Log(Record("Vestrel.modDDE.GetWord"));
    EXPECT_EQ(logs.Count("Repeated once more at 14:05:09"), 1U);
    EXPECT_EQ(logs.Count(kStars), 5U);
  }
}

}  // namespace
}  // namespace vestrel
