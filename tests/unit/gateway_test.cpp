#include "trade/gateway.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_ports.h"
#include "fakes/fake_transaction_library.h"

namespace vestrel {
namespace {

using testing::FakeLogServices;
using testing::FakeMessageBox;
using testing::FakeTransactionLibrary;
using Lines = std::vector<std::string>;

struct Gateway {
  FakeLogServices services;
  FakeMessageBox boxes;
  FakeTransactionLibrary library;
  bool closing = false;
  LogWindowModel logWindow{services.Log, services.Regional, closing};
  TradingGateway gateway{services.Log, services.AppLog, services.Regional,
                         boxes,        library,         logWindow};
};

TEST(GatewayConnect, ChecksBothConnectionsAndShowsTheFirstUnexpectedCode) {
  // A connection made, and one the library refuses, are tested with the
  // whole panel (panel_test, live_trading_test).
  Gateway quikDown;  // the library is connected, the terminal is not
  quikDown.library.QuikConnectedResult = 6;
  EXPECT_FALSE(quikDown.gateway.Connect("C:\\QUIK"));
  EXPECT_EQ(quikDown.boxes.Shown, Lines{"TRANS2QUIK_QUIK_NOT_CONNECTED"});
  EXPECT_TRUE(quikDown.services.AppLog.Entries.empty());  // a refusal is no error

  Gateway zero;  // an answer of 0 (success) to a check is no connection, and no message
  zero.library.DllConnectedResult = 0;
  EXPECT_FALSE(zero.gateway.Connect("C:\\QUIK"));
  EXPECT_TRUE(zero.boxes.Shown.empty());
}

TEST(GatewayFailures, AMissingLibraryIsLoggedAndPassedOnByEachProcedure) {
  Gateway g;
  g.library.Failure = AppError(53, "Vestrel", "File not found: TRANS2QUIK.DLL");
  try {
    g.gateway.Connect("C:\\QUIK");
    ADD_FAILURE() << "QuikInit passed no error on";
  } catch (const AppError& error) {
    EXPECT_EQ(error.Number, 53);
    EXPECT_EQ(error.Source, "Vestrel.frmMain.QuikInit");
  }
  EXPECT_THROW(g.gateway.Disconnect(), AppError);
  EXPECT_THROW(g.gateway.Send("ACTION=X;"), AppError);
  EXPECT_EQ(
      g.services.ErrorEntries(),
      (Lines{"ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.frmMain.QuikInit IN LINE: 1. ERROR =  53 "
             "(File not found: TRANS2QUIK.DLL)",
             "ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.frmMain.QuikTerm IN LINE: 1. ERROR =  53 "
             "(File not found: TRANS2QUIK.DLL)",
             "ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.frmMain.SendTrans IN LINE: 2. ERROR =  53 "
             "(File not found: TRANS2QUIK.DLL) ADDITIONAL PARAMS: \r\nstrTrans = ACTION=X;\r\n"}));
  // No reply was received, so none is logged.
  EXPECT_TRUE(g.logWindow.Lines().empty());
  EXPECT_TRUE(g.boxes.Shown.empty());
}

TEST(GatewaySend, WritesOneEventLogLineAndOneLogWindowLinePerReplyWhateverItSays) {
  Gateway g;
  EXPECT_EQ(g.gateway.Send("ACTION=X;"), 0);
  EXPECT_EQ(g.library.Sent, Lines{"ACTION=X;"});
  EXPECT_EQ(g.library.BufferSizes,
            (std::vector<std::pair<std::int32_t, std::int32_t>>{{250, 250}}));
  ASSERT_EQ(g.services.AppLog.Entries.size(), 1U);
  EXPECT_EQ(g.services.AppLog.Entries[0].Text, "3|1|7|M|250|0||250");
  EXPECT_EQ(g.services.AppLog.Entries[0].Type, EventType::Information);
  EXPECT_EQ(g.logWindow.Lines(), Lines{"06.12.2026 14:05:09|M|250|0||250"});

  // Whole messages, signed codes, a large order number as plain digits.
  const std::string full(250, 'R');
  g.library.SendReply = {-4, -1, 12345678901.0, full, -30, "bad"};
  g.gateway.Send("x");
  EXPECT_EQ(g.services.AppLog.Entries.back().Text,
            "-4|-1|12345678901|" + full + "|250|-30|bad|250");
  EXPECT_EQ(g.logWindow.Lines().back(), "06.12.2026 14:05:09|" + full + "|250|-30|bad|250");

  g.library.SendReply = {3, 1, 1.5, "ok", 0, ""};
  g.gateway.Send("x");
  EXPECT_EQ(g.services.AppLog.Entries.back().Text, "3|1|1,5|ok|250|0||250");

  // A rejected send that fills no outputs: zeros and empty messages.
  g.library.SendResult = 5;
  g.library.SendReply.reset();
  EXPECT_EQ(g.gateway.Send("garbage"), 5);
  EXPECT_EQ(g.services.AppLog.Entries.back().Text, "0|0|0||250|0||250");
  EXPECT_EQ(g.services.AppLog.Entries.size(), 4U);
  EXPECT_EQ(g.logWindow.Lines().size(), 4U);
  EXPECT_TRUE(g.services.ErrorEntries().empty());
}

TEST(GatewaySend, AFailingEventLogStillLeavesTheReplyInTheLogWindow) {
  Gateway g;
  g.services.AppLog.FailingWrites = 1;  // only the reply line fails
  try {
    g.gateway.Send("ACTION=X;");
    ADD_FAILURE() << "the event log's failure was not passed on";
  } catch (const AppError& error) {
    EXPECT_EQ(error.Source, "EventLog->Vestrel.frmMain.SendTrans");
  }
  EXPECT_EQ(g.logWindow.Lines(), Lines{"06.12.2026 14:05:09|M|250|0||250"});
  ASSERT_EQ(g.services.ErrorEntries().size(), 1U);
  EXPECT_NE(g.services.ErrorEntries()[0].find(" IN LINE: 3."), std::string::npos);
}

}  // namespace
}  // namespace vestrel
