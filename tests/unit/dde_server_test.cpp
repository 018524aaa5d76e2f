#include "dde/dde_server.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "contract/automation_contract.h"
#include "dde/xltable_decoder.h"
#include "fakes/fake_dde_library.h"
#include "fakes/fake_ports.h"
#include "xltable_writer.h"

namespace vestrel {
namespace {

using testing::FakeDdeLibrary;
using testing::FakeLogServices;
using xltable::XLTableBuilder;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kInstance = 0x2A;

// The server as start-up wires it: started on "a", "b", "c" with its entry as
// the callback, the handles Start returned kept here, and the real decoder
// behind the server, whose intake records every table.
struct ServerRig {
  struct Intake {
    std::int32_t InstID;
    std::int32_t Rows;
    std::int32_t Columns;
    std::string FirstCell;
  };

  FakeLogServices services;
  FakeDdeLibrary dde;
  testing::FakeMessageBox messages;
  std::vector<Intake> intakes;
  XLTableDecoder decoder{
      services.Log, services.AppLog, services.Regional,
      [this](std::int32_t instance, const DecodedTable& table) {
        intakes.push_back(
            {instance, table.Rows(), table.Columns(),
             table.HasBounds() && table.Rows() > 0 && table.Columns() > 0 ? table.Cell(1, 1) : ""});
      }};
  // What the server handed to Decode.
  std::vector<std::pair<std::int32_t, Bytes>> parsed;
  // Runs instead of the decoder when set.
  std::function<void()> decodeInstead;
  DdeServer server{services.Log, dde, messages,
                   [this](std::int32_t instance, std::span<const std::uint8_t> data) {
                     parsed.emplace_back(instance, Bytes(data.begin(), data.end()));
                     if (decodeInstead) {
                       decodeInstead();
                     } else {
                       decoder.Decode(instance, data);
                     }
                   }};
  DdeServerHandles started;
  DdeServerEntry entry{services.Log, server};

  ServerRig() { dde.InstanceToGive = kInstance; }

  void Init() { started = server.Start("a", "b", "c", entry); }
  void Term() { server.Stop(); }
  std::vector<std::string> CallsSince(std::size_t first) const {
    return {dde.Calls.begin() + static_cast<std::ptrdiff_t>(first), dde.Calls.end()};
  }
};

Bytes Book() {
  return XLTableBuilder()
      .Header(3, 3)
      .Strings({"SELL_VOLUME", "PRICE", "BUY_VOLUME"})
      .Floats({10, 101.5})
      .Blanks(2)
      .Floats({100, 7})
      .Bytes();
}

TEST(DdeServer, StartInitialisesCreatesTheHandlesProbesAndRegisters) {
  ServerRig rig;
  rig.Init();
  EXPECT_EQ(rig.dde.Calls, (std::vector<std::string>{
                               "Initialize(0, 0x20) -> 0",
                               "CreateStringHandle(42, \"a\", 1004) -> 0xc000",
                               "CreateStringHandle(42, \"b\", 1004) -> 0xc001",
                               "CreateStringHandle(42, \"c\", 1004) -> 0xc002",
                               "Connect(42, 0xc000, 0xc001) -> 0",
                               "NameService(42, 0xc000, 0, 1) -> 0x1",
                           }));
  EXPECT_EQ(rig.started.Instance, kInstance);
  EXPECT_EQ(rig.started.AdviseItem, 0xC002U);
  EXPECT_EQ(rig.server.ServiceHandle(), 0xC000U);
  EXPECT_EQ(rig.server.TopicHandle(), 0xC001U);
  EXPECT_TRUE(rig.server.Registered());
  EXPECT_TRUE(rig.dde.Serving);
  EXPECT_EQ(rig.dde.Callback, &rig.entry);
  EXPECT_TRUE(rig.messages.Shown.empty());
  EXPECT_TRUE(rig.services.AppLog.Entries.empty());
}

TEST(DdeServer, ARunningServerIsReportedAndTheServiceStaysUnregistered) {
  ServerRig rig;
  rig.dde.OtherServerRunning = true;
  rig.Init();
  ASSERT_EQ(
      rig.messages.Shown,
      (std::vector<std::string>{"A DDE server named \"a\" with topic \"b\" is already running."}));
  EXPECT_EQ(rig.messages.Icons, (std::vector<MessageIcon>{MessageIcon::Exclamation}));
  EXPECT_EQ(rig.dde.Calls.back(), "Connect(42, 0xc000, 0xc001) -> 0x500");
  EXPECT_EQ(rig.started.AdviseItem, 0xC002U);
}

// Whatever start-up came to, shutdown takes down what it made and nothing
// else: a server that never initialised is stopped on 0, without an error.
TEST(DdeServer, StopTakesDownWhatStartMadeWhateverItCameTo) {
  using Lines = std::vector<std::string>;
  const Lines freed{"FreeStringHandle(42, 0xc000)", "FreeStringHandle(42, 0xc001)",
                    "FreeStringHandle(42, 0xc002)", "Uninitialize(42)"};
  Lines unregistered{"NameService(42, 0xc000, 0, 2) -> 0x1"};
  unregistered.insert(unregistered.end(), freed.begin(), freed.end());
  const Lines onZero{"FreeStringHandle(0, 0)", "FreeStringHandle(0, 0)", "FreeStringHandle(0, 0)",
                     "Uninitialize(0)"};
  struct Case {
    const char* What;
    std::function<void(ServerRig&)> Script;
    std::size_t StartCalls;  // 0: Start is never called
    bool Registered;
    Lines Stop;
  };
  for (const Case& c : std::vector<Case>{
           {"registered", [](ServerRig&) {}, 6, true, unregistered},
           {"initialisation failed: returns at once",
            [](ServerRig& r) { r.dde.InitializeResult = 0x4006; }, 1, false, onZero},
           {"a result whose low 16 bits are 0 is success",
            [](ServerRig& r) { r.dde.InitializeResult = 0x10000; }, 6, true, unregistered},
           {"another server runs: handles and probe kept until Stop",
            [](ServerRig& r) { r.dde.OtherServerRunning = true; }, 5, false, freed},
           {"registration failed: not reported, not undone",
            [](ServerRig& r) { r.dde.NameServiceResult = 0; }, 6, false, freed},
           {"never started", [](ServerRig&) {}, 0, false, onZero}}) {
    SCOPED_TRACE(c.What);
    ServerRig rig;
    c.Script(rig);
    if (c.StartCalls > 0) {
      rig.Init();
    }
    EXPECT_EQ(rig.dde.Calls.size(), c.StartCalls);
    EXPECT_EQ(rig.server.Registered(), c.Registered);
    EXPECT_EQ(rig.dde.Serving, c.Registered);
    EXPECT_EQ(rig.started.Instance, c.Stop == onZero ? 0U : kInstance);
    rig.Term();
    EXPECT_EQ(rig.CallsSince(c.StartCalls), c.Stop);
    EXPECT_FALSE(rig.dde.Serving);
    EXPECT_EQ(rig.dde.Callback, nullptr);
    EXPECT_TRUE(rig.dde.Strings().empty());
    EXPECT_TRUE(rig.dde.OpenConversations.empty());
    EXPECT_EQ(rig.server.Registered(), c.Registered);  // the flag is never cleared
    EXPECT_TRUE(rig.services.AppLog.Entries.empty());
  }
}

TEST(DdeServer, ConnectionsToEveryTopicAndAdviseLoopsAreAccepted) {
  ServerRig rig;
  rig.Init();
  EXPECT_EQ(rig.dde.ClientConnect("b"), 0x8000U);
  EXPECT_EQ(rig.dde.ClientConnect("another topic"), 0x8000U);
  EXPECT_EQ(rig.dde.ClientAdviseStart("c"), 0x8000U);
  EXPECT_EQ(rig.dde.ClientAdviseStart("anything", 0xC0DE), 0x8000U);
}

TEST(DdeServer, MyRequestIsAnsweredWithEmptyTextAndOtherItemsWithZero) {
  ServerRig rig;
  rig.Init();
  const std::size_t before = rig.dde.Calls.size();
  const DdeHandle reply = rig.dde.ClientRequest(contract::kDdeRequestItem);
  ASSERT_NE(reply, 0U);
  // The item's text in one call: a string handle holds 255 characters at most.
  EXPECT_EQ(rig.CallsSince(before),
            (std::vector<std::string>{"QueryString(42, 0xc003, 256, 1004) -> 9",
                                      "CreateDataHandle(42, 0, 0, 0xc003, 1, 0) -> 0x9000"}));
  const FakeDdeLibrary::DataHandle& data = rig.dde.CreatedData.at(reply);
  EXPECT_TRUE(data.Bytes.empty());
  EXPECT_EQ(data.Format, kCfText);
  EXPECT_EQ(data.Item, 0xC003U);

  EXPECT_EQ(rig.dde.ClientRequest("myrequest"), 0U);
  EXPECT_EQ(rig.dde.ClientRequest("MyRequest2"), 0U);
  EXPECT_EQ(rig.dde.ClientRequest(""), 0U);
  EXPECT_EQ(rig.dde.ClientRequest("R1C1:R21C4"), 0U);
  EXPECT_EQ(rig.dde.CreatedData.size(), 1U);
}

TEST(DdeServer, TheItemIsComparedAsTheLibrarySpellsIt) {
  // String handles are atoms: while one spelling lives, every client gets it.
  ServerRig rig;
  rig.Init();
  const DdeHandle held = rig.dde.ClientString(contract::kDdeRequestItem);
  EXPECT_NE(rig.dde.ClientRequest("MYREQUEST"), 0U);
  rig.dde.ClientFree(held);
  EXPECT_EQ(rig.dde.ClientRequest("MYREQUEST"), 0U);
}

TEST(DdeServer, AnExecuteIsFetchedAcknowledgedAndIgnored) {
  ServerRig rig;
  rig.Init();
  const std::size_t before = rig.dde.Calls.size();
  EXPECT_EQ(rig.dde.ClientExecute("[Buy(1)]"), 0x8000U);
  EXPECT_EQ(rig.CallsSince(before),
            (std::vector<std::string>{"GetData(0x9000, 0, 0) -> 9", "GetData(0x9000, 9, 0) -> 9"}));
  EXPECT_EQ(rig.dde.ClientExecute(""), 0x8000U);
  EXPECT_TRUE(rig.parsed.empty());
  EXPECT_TRUE(rig.intakes.empty());
  EXPECT_TRUE(rig.services.AppLog.Entries.empty());
}

TEST(DdeServer, APokeToAnR1C1ItemIsDecodedAndAcknowledged) {
  ServerRig rig;
  rig.Init();
  const Bytes book = Book();
  const std::size_t before = rig.dde.Calls.size();
  EXPECT_EQ(rig.dde.ClientPoke("R1C1:R21C4", book), 0x8000U);
  const auto size = std::to_string(book.size());
  EXPECT_EQ(rig.CallsSince(before),
            (std::vector<std::string>{"QueryString(42, 0xc003, 256, 1004) -> 10",
                                      "GetData(0x9000, 0, 0) -> " + size,
                                      "GetData(0x9000, " + size + ", 0) -> " + size}));
  ASSERT_EQ(rig.parsed.size(), 1U);
  EXPECT_EQ(rig.parsed[0].first, 42);
  EXPECT_EQ(rig.parsed[0].second, book);
  ASSERT_EQ(rig.intakes.size(), 1U);
  EXPECT_EQ(rig.intakes[0].InstID, 42);
  EXPECT_EQ(rig.intakes[0].Rows, 3);
  EXPECT_EQ(rig.intakes[0].FirstCell, "SELL_VOLUME");

  // Neither the format nor the topic nor the conversation is examined, and
  // the item only has to begin with "R1C1:".
  EXPECT_EQ(rig.dde.ClientPoke("R1C1:", book, 0xC123, "another topic"), 0x8000U);
  EXPECT_EQ(rig.dde.ClientPoke("R1C1:R2C2 and more", book, 0), 0x8000U);
  EXPECT_EQ(rig.intakes.size(), 3U);
  EXPECT_TRUE(rig.services.AppLog.Entries.empty());
}

TEST(DdeServer, APokeToAnyOtherItemIsRefusedWithoutReadingItsData) {
  ServerRig rig;
  rig.Init();
  for (const char* item : {"R2C1:R2C4", "r1c1:R21C4", "R1C1", "R1C2:R21C4", " R1C1:R21C4", ""}) {
    const std::size_t before = rig.dde.Calls.size();
    EXPECT_EQ(rig.dde.ClientPoke(item, Book()), 0U) << item;
    for (const std::string& call : rig.CallsSince(before)) {
      EXPECT_EQ(call.rfind("GetData", 0), std::string::npos) << item;
    }
  }
  EXPECT_TRUE(rig.parsed.empty());
  EXPECT_EQ(rig.dde.CallbackFailures, 0);
  EXPECT_TRUE(rig.services.AppLog.Entries.empty());
}

TEST(DdeServer, NonTableDataIsAcknowledgedAfterTheIntakeTookThePreviousTable) {
  ServerRig rig;
  rig.Init();
  EXPECT_EQ(rig.dde.ClientPoke("R1C1:R3C3", Book()), 0x8000U);
  EXPECT_EQ(rig.dde.ClientPoke("R1C1:R3C3", {0x11, 0x00, 0xFF}), 0x8000U);
  ASSERT_EQ(rig.intakes.size(), 2U);
  EXPECT_EQ(rig.intakes[1].Rows, 3);
  EXPECT_EQ(rig.intakes[1].FirstCell, "SELL_VOLUME");
}

TEST(DdeServer, OtherTransactionsAreAnsweredWithZero) {
  ServerRig rig;
  rig.Init();
  for (const std::uint32_t type : {kXtypAdvStop, kXtypConnectConfirm, kXtypDisconnect,
                                   kXtypRegister, 0x2010U /* advreq */, 0x0U, 0x1062U | 0x10000U}) {
    EXPECT_EQ(rig.dde.Deliver(type, 1, 0x501, 0xC001, 0xC002, 0), 0U) << type;
  }
  EXPECT_TRUE(rig.parsed.empty());
  EXPECT_TRUE(rig.services.AppLog.Entries.empty());
}

TEST(DdeServer, ADecodeFailureIsLoggedAlongTheChainAnsweredWithZeroAndServingGoesOn) {
  ServerRig rig;
  rig.Init();
  EXPECT_EQ(rig.dde.ClientPoke("R1C1:R1C1", {0x10}), 0U);
  EXPECT_EQ(rig.dde.CallbackFailures, 1);
  EXPECT_TRUE(rig.intakes.empty());
  const auto entries = rig.services.ErrorEntries();
  ASSERT_EQ(entries.size(), 4U);
  EXPECT_NE(entries[1].find("SOURCE: Vestrel.modDDE.GetWord->Vestrel.modDDE.ParseXLTable IN"),
            std::string::npos);
  EXPECT_EQ(entries[2],
            "ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.modDDE.GetWord->Vestrel.modDDE.ParseXLTable"
            "->Vestrel.modDDE.DDECallback IN LINE: 9. ERROR =  5 (Invalid procedure call or "
            "argument) ADDITIONAL PARAMS: \r\npInstID = 42\r\npItemAdvise = 49154\r\n"
            "uType = 16528\r\nuFmt = 1\r\nhConv = 1281\r\nhszString1 = 49153\r\n"
            "hszString2 = 49155\r\nhData = 36864\r\ndwData1 = 0\r\ndwData2 = 0\r\n");
  EXPECT_EQ(entries[3],
            "ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.modDDE.GetWord->Vestrel.modDDE.ParseXLTable"
            "->Vestrel.modDDE.DDECallback->Vestrel.modQT.DDEIGlass IN LINE: 1. ERROR =  5 "
            "(Invalid procedure call or argument) ADDITIONAL PARAMS: \r\nuType = 16528\r\n"
            "uFmt = 1\r\nhConv = 1281\r\nhszString1 = 49153\r\nhszString2 = 49155\r\n"
            "hData = 36864\r\ndwData1 = 0\r\ndwData2 = 0\r\n");

  // An empty poke fails the same way; the server still serves.
  EXPECT_EQ(rig.dde.ClientPoke("R1C1:R1C1", {}), 0U);
  EXPECT_EQ(rig.dde.CallbackFailures, 2);
  EXPECT_EQ(rig.dde.ClientConnect("b"), 0x8000U);
  EXPECT_EQ(rig.dde.ClientPoke("R1C1:R3C3", Book()), 0x8000U);
  EXPECT_EQ(rig.intakes.size(), 1U);
  EXPECT_NE(rig.dde.ClientRequest(contract::kDdeRequestItem), 0U);
}

TEST(DdeServer, AnOutsideErrorKeepsItsSourceAtTheHeadOfTheChain) {
  ServerRig rig;
  rig.Init();
  rig.decodeInstead = [] { throw AppError(-2147221164, "Login.LoginDB", "Class not registered"); };
  EXPECT_EQ(rig.dde.ClientPoke("R1C1:R3C3", Book()), 0U);
  const auto entries = rig.services.ErrorEntries();
  ASSERT_EQ(entries.size(), 2U);
  EXPECT_NE(entries[0].find("SOURCE: Login.LoginDB->Vestrel.modDDE.DDECallback IN LINE: 9. "
                            "ERROR =  -2147221164 (Class not registered)"),
            std::string::npos);
  EXPECT_NE(entries[1].find("SOURCE: Login.LoginDB->Vestrel.modDDE.DDECallback->Vestrel.modQT."
                            "DDEIGlass IN LINE: 1."),
            std::string::npos);
}

TEST(DdeServer, AFailureInsideStartIsRecordedWithItsParametersAndPassedOn) {
  class FailingMessageBox : public MessageBox {
   public:
    void Show(std::string_view /*text*/, MessageIcon /*icon*/) override {
      Raise(errors::InvalidCall, "");
    }
  };
  FakeLogServices services;
  FakeDdeLibrary dde;
  dde.OtherServerRunning = true;
  FailingMessageBox messages;
  DdeServer server(services.Log, dde, messages, nullptr);
  DdeServerEntry entry(services.Log, server);
  try {
    server.Start("a", "b", "c", entry);
    FAIL() << "Start passes the error on";
  } catch (const AppError& error) {
    EXPECT_EQ(error.Number, 5);
    EXPECT_EQ(error.Source, "Vestrel.modDDE.DDEInit");
  }
  const auto entries = services.ErrorEntries();
  ASSERT_EQ(entries.size(), 1U);
  const std::string address = std::to_string(reinterpret_cast<std::uintptr_t>(&entry));
  EXPECT_EQ(entries[0],
            "ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.modDDE.DDEInit IN LINE: 4. ERROR =  5 "
            "(Invalid procedure call or argument) ADDITIONAL PARAMS: \r\npDDEServer = a\r\n"
            "pDDETopic = b\r\npDDEAdvise = c\r\npCBAddr = " +
                address + "\r\npInstID = 42\r\npItemAdvise = 49154\r\n");
}

}  // namespace
}  // namespace vestrel
