#include "diag/app_log_sink.h"

#include <gtest/gtest.h>

#include "fakes/fake_ports.h"

namespace vestrel {
namespace {

using testing::EventLogEntry;
using testing::FakeEventLog;

ErrorRecord LimitSellRecord() {
  ErrorRecord record;
  record.Level = 1;
  record.Source = "Vestrel.frmMain.LimitSell";
  record.Line = 7;
  record.Number = 6;
  record.Description = "bad price";
  record.Params = {{"dblPrice", 150000.0}};
  return record;
}

TEST(AppLogSink, OptionalPartsFollowTheRecordsFields) {
  ErrorRecord record;
  record.Level = 1;
  record.Description = "just text";
  EXPECT_EQ(ComposeAppLogEntry(record, {}, '.'),
            "ERROR OCCURS IN UNKNOWN, SOURCE UNDEFINED: just text");

  record.Number = -2147221005;
  record.Description.clear();
  record.AppName = "Panel";
  EXPECT_EQ(ComposeAppLogEntry(record, {}, '.'),
            "ERROR OCCURS IN Panel, SOURCE UNDEFINED ERROR =  -2147221005(description undefined)");

  record.Params = {
      {"pData()", ArrayValue{}}, {"pPos", std::int64_t{17}}, {"v", ParamValue{}}, {"dbl", 101.5}};
  record.AppName.clear();
  EXPECT_EQ(ComposeAppLogEntry(record, {"ivan", ""}, ','),
            "ERROR OCCURS IN UNKNOWN, SOURCE UNDEFINED ERROR =  -2147221005(description undefined)"
            " ADDITIONAL PARAMS: \r\npData() = Array\r\npPos = 17\r\nv = IsNull\r\ndbl = 101,5\r\n"
            "USER CONTEXT: \r\nUserName = ivan\r\nDBID = \r\n");
}

TEST(AppLogSink, EachLevelHasItsPrefixAndEventType) {
  const std::pair<const char*, EventType> expected[] = {
      {"ERROR OCCURS IN ", EventType::Error},
      {"BUSINESS ERROR OCCURS IN ", EventType::Warning},
      {"WARNING OCCURS IN ", EventType::Warning},
      {"INFO ", EventType::Information},
      {"", EventType::Information},
      {"TIME ", EventType::Information}};
  for (int level = 1; level <= 6; ++level) {
    FakeEventLog log;
    ErrorRecord record;
    record.Level = level;
    record.Source = "S";
    record.Number = 1;
    record.Description = "d";
    LogEventToAppLog(record, {}, log, '.');
    ASSERT_EQ(log.Entries.size(), 1U);
    const auto& [prefix, type] = expected[level - 1];
    EXPECT_EQ(log.Entries[0].Text, std::string(prefix) + "UNKNOWN, SOURCE: S ERROR =  1 (d)");
    EXPECT_EQ(log.Entries[0].Type, type);
  }
}

TEST(AppLogSink, AFailedWriteLeavesItsOwnFailureLineAndReturnsFalse) {
  FakeEventLog log;
  log.FailingWrites = 1;
  EXPECT_FALSE(LogEventToAppLog(LimitSellRecord(), {}, log, '.'));
  ASSERT_EQ(log.Entries.size(), 1U);
  EXPECT_EQ(log.Entries[0],
            (EventLogEntry{"ERROR OCCURS IN LogInterface.LogEventToAppLog: (5) event log "
                           "unavailable in line 2",
                           EventType::Information}));

  FakeEventLog dead;
  dead.FailingWrites = 2;
  EXPECT_FALSE(LogEventToAppLog(LimitSellRecord(), {}, dead, '.'));
  EXPECT_TRUE(dead.Entries.empty());
}

}  // namespace
}  // namespace vestrel
