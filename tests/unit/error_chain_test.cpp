#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "diag/error_scope.h"
#include "fakes/fake_ports.h"

namespace vestrel {
namespace {

using testing::FakeLogServices;

// Three procedures in the shape of a click that sells through the send.
struct Chain {
  FakeLogServices& services;

  void Send(const std::string& transaction) {
    ErrorScope scope(services.Log, "Vestrel.frmMain.SendTrans", ParamRef("strTrans", transaction));
    scope.PassOn([&] {
      scope.Line = 2;
      throw AppError(6, "Vestrel", "bad price");
    });
  }
  void SellAt(double price) {
    ErrorScope scope(services.Log, "Vestrel.frmMain.LimitSell", ParamRef("dblPrice", price));
    scope.PassOn([&] {
      scope.Line = 7;
      price = 150000;  // recorded with the value it holds when the error passes
      Send("ACTION=NEW_ORDER;");
    });
  }
  bool ClickBestBid() {
    ErrorScope scope(services.Log, "Vestrel.frmMain.cmdBestBid_Click");
    return scope.Stop([&] { SellAt(1.0); });
  }
};

TEST(ErrorChain, AnErrorThroughThreeHandlersIsLoggedThreeTimesWithAGrowingSource) {
  FakeLogServices services;
  EXPECT_FALSE(Chain{services}.ClickBestBid());

  const std::vector<std::string> entries = services.ErrorEntries();
  ASSERT_EQ(entries.size(), 3U);
  EXPECT_EQ(entries[0],
            "ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.frmMain.SendTrans IN LINE: 2. ERROR =  6 "
            "(bad price) ADDITIONAL PARAMS: \r\nstrTrans = ACTION=NEW_ORDER;\r\n");
  EXPECT_EQ(entries[1],
            "ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.frmMain.SendTrans->Vestrel.frmMain.LimitSell "
            "IN LINE: 7. ERROR =  6 (bad price) ADDITIONAL PARAMS: \r\ndblPrice = 150000\r\n");
  EXPECT_EQ(entries[2],
            "ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.frmMain.SendTrans->Vestrel.frmMain.LimitSell"
            "->Vestrel.frmMain.cmdBestBid_Click ERROR =  6 (bad price)");
}

TEST(ErrorChain, TheProgramsOwnSourceInAnyCaseOrAnEmptySourceGivesTheOwnNameAlone) {
  for (const char* incoming : {"Vestrel", "VESTREL", "vEsTrEl", ""}) {
    FakeLogServices services;
    ErrorScope scope(services.Log, "Vestrel.modDDE.GetWord");
    EXPECT_THROW(scope.PassOn([&] { throw AppError(9, incoming, "x"); }), AppError);
    ASSERT_EQ(services.ErrorEntries().size(), 1U);
    EXPECT_EQ(services.ErrorEntries()[0],
              "ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.modDDE.GetWord ERROR =  9 (x)");
  }
}

TEST(ErrorChain, AnOutsideSourceIsKeptAndTheErrorPassedOnCarriesTheChain) {
  FakeLogServices services;
  ErrorScope scope(services.Log, "Vestrel.frmMain.QuikInit");
  try {
    scope.PassOn([] { Raise(errors::FileNotFound, "TRANS2QUIK"); });
    FAIL() << "the error was swallowed";
  } catch (const AppError& error) {
    EXPECT_EQ(error.Number, 53);
    EXPECT_EQ(error.Source, "TRANS2QUIK->Vestrel.frmMain.QuikInit");
    EXPECT_EQ(error.Description, errors::FileNotFound.Text);
  }
}

TEST(ErrorChain, StandardLibraryErrorsBecomeNumberedProgramErrors) {
  FakeLogServices services;
  std::vector<int> values;
  ErrorScope scope(services.Log, "Vestrel.frmMain.ChD", ParamRef("values", values));
  EXPECT_FALSE(scope.Stop([&] { (void)values.at(3); }));
  EXPECT_FALSE(scope.Stop([] { throw std::overflow_error("too big"); }));
  const auto entries = services.ErrorEntries();
  ASSERT_EQ(entries.size(), 2U);
  EXPECT_NE(entries[0].find("ERROR =  9 ("), std::string::npos);
  EXPECT_NE(entries[0].find("values = Array"), std::string::npos);
  EXPECT_NE(entries[1].find("ERROR =  6 (too big)"), std::string::npos);
}

TEST(ErrorChain, ASuccessfulBodyLogsNothingAndReturnsItsValue) {
  FakeLogServices services;
  ErrorScope scope(services.Log, "Vestrel.modDDE.GetByte");
  EXPECT_EQ(scope.PassOn([] { return 42; }), 42);
  EXPECT_TRUE(scope.Stop([] {}));
  EXPECT_TRUE(services.AppLog.Entries.empty());
  EXPECT_TRUE(services.Files.Files.empty());
}

TEST(ErrorChain, AnErrorNumberedZeroIsLoggedButNotRaisedAgain) {
  FakeLogServices services;
  ErrorScope scope(services.Log, "Vestrel.frmLog.LogData");
  EXPECT_EQ(scope.PassOn([]() -> int { throw AppError(0, "", "odd"); }), 0);
  ASSERT_EQ(services.ErrorEntries().size(), 1U);
  EXPECT_EQ(services.ErrorEntries()[0],
            "ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.frmLog.LogData: odd");
}

TEST(LogDispatch, LevelZeroIsWrittenAsOneAndHigherLevelsAreDropped) {
  FakeLogServices services;
  ErrorRecord record;
  record.Source = "S";
  record.Number = 5;
  services.Log.Dispatch(record);
  EXPECT_EQ(record.Level, 1);
  EXPECT_EQ(services.AppLog.Entries.size(), 1U);
  EXPECT_EQ(services.Files.Files.size(), 1U);

  for (int level = 2; level <= 6; ++level) {
    ErrorRecord dropped;
    dropped.Level = level;
    dropped.Number = 5;
    services.Log.Dispatch(dropped);
  }
  EXPECT_EQ(services.AppLog.Entries.size(), 1U);
  EXPECT_NE(services.Files.Files.begin()->second.find("\r\nКритичность: ERROR\r\n"),
            std::string::npos);
}

TEST(LogDispatch, TheUserContextIsAddedOnlyWhenTheComponentAnswers) {
  FakeLogServices services;
  EXPECT_EQ(services.Log.GetUserContext().UserName, "");
  services.UserContexts.Present = true;
  const UserContext context = services.Log.GetUserContext();
  EXPECT_EQ(context.UserName, "trader");
  EXPECT_EQ(context.DBID, "");

  ErrorRecord record;
  record.Number = 1;
  record.Description = "d";
  services.Log.Dispatch(record);
  EXPECT_EQ(services.AppLog.Entries.back().Text,
            "ERROR OCCURS IN UNKNOWN, SOURCE UNDEFINED ERROR =  1 (d)USER CONTEXT: \r\n"
            "UserName = trader\r\nDBID = \r\n");
}

}  // namespace
}  // namespace vestrel
