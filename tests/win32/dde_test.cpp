// The DDE server on Wine's real DDEML: the core's DdeServer through the Win32
// DDE library adapter, with the panel's decoder behind it, served from a
// thread of its own with a message loop as the panel's user-interface thread,
// against the terminal simulator's DDE client on the test's thread and
// termsim.exe in its own process. Each test serves a service name of its own,
// so that nothing here meets a panel that another test runs on the same Wine
// server.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "contract/automation_contract.h"
#include "dde/dde_server.h"
#include "dde/xltable_decoder.h"
#include "dde_client.h"
#include "fakes/fake_ports.h"
#include "harness/program_under_test.h"
#include "market.h"
#include "raw_dde.h"
#include "recording/poke_recording.h"
#include "win32/win32_dde_library.h"
#include "win32/windows_api.h"
#include "xltable_writer.h"

namespace vestrel {
namespace {

using namespace std::chrono_literals;
using termsim::DdeClient;
using Grid = std::vector<std::vector<std::string>>;
using Bytes = std::vector<std::uint8_t>;

std::string UniqueService() {
  static int next = 0;
  return "VestrelDdeTest-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++next);
}

// Waits for the event while running this thread's message loop.
void PumpUntil(HANDLE event) {
  while (MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

// A thread with a message loop, as the panel's user-interface thread, where
// work runs through Invoke. (A DDE server and client on one thread is not
// what the panel meets, and Wine's DDEML then mixes up the status of a
// transaction that follows a refused one.)
class UiThread {
 public:
  UiThread() {
    std::promise<HWND> window;
    auto ready = window.get_future();
    thread_ = std::thread([this, &window] { Run(window); });
    window_ = ready.get();
  }
  ~UiThread() {
    PostMessageW(window_, kQuit, 0, 0);
    thread_.join();
  }
  UiThread(const UiThread&) = delete;
  UiThread& operator=(const UiThread&) = delete;

  // Runs the work on the thread; this thread's messages run meanwhile.
  void Invoke(const std::function<void()>& work) {
    Task task{work, CreateEventW(nullptr, TRUE, FALSE, nullptr), nullptr};
    PostMessageW(window_, kRun, 0, reinterpret_cast<LPARAM>(&task));
    PumpUntil(task.Done);
    CloseHandle(task.Done);
    if (task.Error) {
      std::rethrow_exception(task.Error);
    }
  }

 private:
  static constexpr UINT kRun = WM_APP;
  static constexpr UINT kQuit = WM_APP + 1;

  struct Task {
    const std::function<void()>& Work;
    HANDLE Done;
    std::exception_ptr Error;
  };

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRun) {
      auto& task = *reinterpret_cast<Task*>(lParam);
      try {
        task.Work();
      } catch (...) {
        task.Error = std::current_exception();
      }
      SetEvent(task.Done);
      return 0;
    }
    if (message == kQuit) {
      DestroyWindow(window);
      PostQuitMessage(0);
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  static void Run(std::promise<HWND>& ready) {
    static std::once_flag registered;
    std::call_once(registered, [] {
      WNDCLASSW windowClass{};
      windowClass.lpfnWndProc = Procedure;
      windowClass.hInstance = GetModuleHandleW(nullptr);
      windowClass.lpszClassName = L"VestrelDdeTestThread";
      RegisterClassW(&windowClass);
    });
    const HWND window = CreateWindowExW(0, L"VestrelDdeTestThread", L"", 0, 0, 0, 0, 0,
                                        HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
    ready.set_value(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }

  std::thread thread_;
  HWND window_ = nullptr;
};

// The cells of a decoded table, rows of columns.
Grid GridOf(const DecodedTable& t) {
  Grid grid;
  for (std::int32_t r = 1; t.HasBounds() && r <= t.Rows(); ++r) {
    auto& row = grid.emplace_back();
    for (std::int32_t c = 1; c <= t.Columns(); ++c) {
      row.push_back(t.Cell(r, c));
    }
  }
  return grid;
}

// The server as the panel wires it (started with its entry as the callback); the tables the decoder
// hands on are kept, and when each poke arrived.
struct Server {
  testing::FakeLogServices services;
  testing::FakeMessageBox messages;
  win32::Win32DdeLibrary dde;
  std::vector<Grid> tables;
  XLTableDecoder decoder{
      services.Log, services.AppLog, services.Regional,
      [this](std::int32_t /*instance*/, const DecodedTable& t) { tables.push_back(GridOf(t)); }};
  DdeServer server{services.Log, dde, messages,
                   [this](std::int32_t instance, std::span<const std::uint8_t> data) {
                     decoder.Decode(instance, data);
                   }};
  DdeServerEntry entry{services.Log, server};
  bool started = false;
  std::vector<std::chrono::steady_clock::time_point> arrivals;

  explicit Server(const std::string& service, const std::string& topic = contract::kDdeTopic) {
    services.Regional.Separator = '.';
    server.ObservePokes([this](std::string_view, std::span<const std::uint8_t>) {
      arrivals.push_back(std::chrono::steady_clock::now());
    });
    server.Start(service, topic, "c", entry);
    started = true;
  }
  ~Server() { Stop(); }
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  void Stop() {
    if (started) {
      server.Stop();
      started = false;
    }
  }
};

// The server on a UI thread of its own, from Start in the constructor to
// Stop in the destructor; With runs work on that thread.
class Panel {
 public:
  explicit Panel(const std::string& service, const std::string& topic = contract::kDdeTopic) {
    ui_.Invoke([&] { server_ = std::make_unique<Server>(service, topic); });
  }
  ~Panel() {
    ui_.Invoke([&] { server_.reset(); });
  }
  Panel(const Panel&) = delete;
  Panel& operator=(const Panel&) = delete;

  void With(const std::function<void(Server&)>& work) {
    ui_.Invoke([&] { work(*server_); });
  }
  // What the reader takes from the server, taken on its thread.
  template <class Reader>
  auto Read(Reader reader) {
    std::invoke_result_t<Reader, Server&> value{};
    With([&](Server& s) { value = reader(s); });
    return value;
  }
  std::vector<Grid> Tables() {
    return Read([](Server& s) { return s.tables; });
  }
  std::size_t LogEntries() {
    return Read([](Server& s) { return s.services.AppLog.Entries.size(); });
  }
  void Stop() {
    With([](Server& s) { s.Stop(); });
  }

 private:
  UiThread ui_;
  std::unique_ptr<Server> server_;
};

Bytes Book() {
  termsim::MarketOptions options;
  options.Levels = 2;
  options.Start = 101.5;
  options.Tick = 0.5;
  termsim::Market market(options);
  return xltable::EncodeXLTable(market.Next());
}

const std::vector<std::string> kTitles{"BUY_VOLUME", "PRICE", "SELL_VOLUME"};

// The cells the panel's decoder makes of the bytes, decoded here.
Grid DecodeHere(const Bytes& bytes) {
  testing::FakeLogServices services;
  services.Regional.Separator = '.';
  Grid grid;
  XLTableDecoder decoder(
      services.Log, services.AppLog, services.Regional,
      [&](std::int32_t /*instance*/, const DecodedTable& t) { grid = GridOf(t); });
  std::int32_t instance = 1;
  decoder.Decode(instance, bytes);
  return grid;
}

unsigned XlTable() { return DdeClient::FormatOf("XlTable"); }

// Only items beginning "R1C1:" are decoded, in any format and on any topic;
// executes are acknowledged and requests answered as the terminal expects.
TEST(DdeServerOnDdeml, ServesTheTerminalsPokesOnEveryTopicAndAnswersItsOtherTransactions) {
  const std::string service = UniqueService();
  Panel panel(service);
  panel.With([](Server& s) {
    EXPECT_TRUE(s.server.Registered());
    EXPECT_NE(s.server.Handles().Instance, 0U);
    EXPECT_NE(s.server.Handles().AdviseItem, 0U);
    EXPECT_TRUE(s.messages.Shown.empty());
  });

  DdeClient terminal;
  ASSERT_TRUE(terminal.Connect(service, contract::kDdeTopic, 10s));
  EXPECT_EQ(terminal.Poke("R1C1:R5C3", Book(), XlTable()), DdeClient::Answer::Acknowledged);
  auto tables = panel.Tables();
  ASSERT_EQ(tables.size(), 1U);
  EXPECT_EQ(tables[0], DecodeHere(Book()));
  ASSERT_EQ(tables[0].size(), 5U);
  EXPECT_EQ(tables[0][0], kTitles);

  EXPECT_EQ(terminal.Poke("R1C1:R5C3", Book(), CF_TEXT), DdeClient::Answer::Acknowledged);
  EXPECT_EQ(terminal.Poke("R2C1:R2C4", Book(), XlTable()), DdeClient::Answer::Refused);
  EXPECT_EQ(terminal.Poke("R1C1:R5C3", Book(), XlTable()), DdeClient::Answer::Acknowledged);
  EXPECT_EQ(terminal.Poke("r1c1:r99c9", Book(), XlTable()), DdeClient::Answer::Refused);
  EXPECT_EQ(panel.Tables().size(), 3U);

  DdeClient other;
  EXPECT_TRUE(other.Connect(service, "some other topic", 10s));
  EXPECT_EQ(other.Poke("R1C1:R5C3", Book(), XlTable()), DdeClient::Answer::Acknowledged);
  EXPECT_EQ(terminal.Execute("[Anything(1)]"), DdeClient::Answer::Acknowledged);
  EXPECT_FALSE(terminal.Request("SomethingElse", CF_TEXT).has_value());
  EXPECT_EQ(terminal.Poke("R1C1:R5C3", Book(), XlTable()), DdeClient::Answer::Acknowledged);

  // Wine's DDEML hands a DDEML client nothing for the empty reply to
  // "MyRequest", as for a refusal (and then mixes up the status of a later
  // transaction of that conversation), so the request goes in raw DDE
  // messages.
  using Kind = termsim::RawReply::Kind;
  const termsim::RawReply reply =
      termsim::RawDdeRequest(service, contract::kDdeTopic, contract::kDdeRequestItem, CF_TEXT);
  EXPECT_EQ(reply.Answer, Kind::Data);
  EXPECT_TRUE(reply.Bytes.empty());
  EXPECT_EQ(termsim::RawDdeRequest(service, contract::kDdeTopic, "Unknown item", CF_TEXT).Answer,
            Kind::Refused);
  EXPECT_EQ(termsim::RawDdeRequest(service + "-none", contract::kDdeTopic,
                                   contract::kDdeRequestItem, CF_TEXT, 500ms)
                .Answer,
            Kind::NoServer);
  EXPECT_EQ(terminal.Poke("R1C1:R5C3", Book(), XlTable()), DdeClient::Answer::Acknowledged);
  EXPECT_EQ(panel.Tables().size(), 6U);
  EXPECT_TRUE(terminal.Connected());
  EXPECT_EQ(panel.LogEntries(), 0U);
}

TEST(DdeServerOnDdeml, AFailedPokeIsRefusedAndTheServerGoesOnServing) {
  const std::string service = UniqueService();
  Panel panel(service);
  DdeClient terminal;
  ASSERT_TRUE(terminal.Connect(service, contract::kDdeTopic, 10s));
  EXPECT_EQ(terminal.Poke("R1C1:R1C1", Bytes{0x10}, XlTable()), DdeClient::Answer::Refused);
  const auto entries = panel.Read([](Server& s) { return s.services.ErrorEntries(); });
  ASSERT_EQ(entries.size(), 4U);
  EXPECT_NE(entries[3].find("SOURCE: Vestrel.modDDE.GetWord->Vestrel.modDDE.ParseXLTable->"
                            "Vestrel.modDDE.DDECallback->Vestrel.modQT.DDEIGlass IN LINE: 1."),
            std::string::npos)
      << entries[3];
  EXPECT_NE(entries[3].find("uType = 16528\r\n"), std::string::npos);
  EXPECT_TRUE(terminal.Connected());
  EXPECT_EQ(terminal.Poke("R1C1:R5C3", Book(), XlTable()), DdeClient::Answer::Acknowledged);
  EXPECT_EQ(terminal.Poke("R1C1:R1C1", Bytes{}, XlTable()), DdeClient::Answer::Refused);
  EXPECT_EQ(terminal.Poke("R1C1:R5C3", Book(), XlTable()), DdeClient::Answer::Acknowledged);
  EXPECT_EQ(panel.Tables().size(), 2U);
  // The same failure again is the same record, down to the data handle
  // DDEML hands the callback, so that a flood of it folds.
  const auto again = panel.Read([](Server& s) { return s.services.ErrorEntries(); });
  ASSERT_EQ(again.size(), 8U);
  EXPECT_EQ(std::vector(again.begin() + 4, again.end()), entries);
}

// A callback that fails on every other poke, with anything at all.
class FailingCallback : public DdeCallback {
 public:
  DdeHandle Call(std::uint32_t uType, std::uint32_t /*uFmt*/, DdeHandle /*hConv*/,
                 DdeHandle /*hszString1*/, DdeHandle /*hszString2*/, DdeHandle /*hData*/,
                 DdeHandle /*dwData1*/, DdeHandle /*dwData2*/) override {
    if (uType == kXtypConnect) {
      return kDdeFAck;
    }
    if (uType != kXtypPoke) {
      return 0;
    }
    switch (++Pokes % 3) {
      case 1:
        throw std::runtime_error("not an AppError");
      case 2:
        throw 42;
      default:
        return kDdeFAck;
    }
  }
  int Pokes = 0;
};

TEST(DdeServerOnDdeml, TheAdapterAnswersAFailedCallbackWithZero) {
  const std::string service = UniqueService();
  UiThread ui;
  win32::Win32DdeLibrary dde;
  FailingCallback callback;
  std::uint32_t instance = 0;
  DdeHandle name = 0;
  ui.Invoke([&] {
    ASSERT_EQ(dde.Initialize(instance, callback, kAppCmdFilterInits), 0U);
    name = dde.CreateStringHandle(instance, service, kCpWinAnsi);
    ASSERT_NE(dde.NameService(instance, name, 0, kDnsRegister), 0U);
  });
  {
    DdeClient terminal;
    ASSERT_TRUE(terminal.Connect(service, contract::kDdeTopic, 10s));
    for (int round = 0; round < 2; ++round) {
      EXPECT_EQ(terminal.Poke("R1C1:R1C1", Bytes{1}, CF_TEXT), DdeClient::Answer::Refused);
      EXPECT_EQ(terminal.Poke("R1C1:R1C1", Bytes{1}, CF_TEXT), DdeClient::Answer::Refused);
      EXPECT_EQ(terminal.Poke("R1C1:R1C1", Bytes{1}, CF_TEXT), DdeClient::Answer::Acknowledged);
    }
  }
  ui.Invoke([&] {
    dde.NameService(instance, name, 0, kDnsUnregister);
    dde.FreeStringHandle(instance, name);
    EXPECT_TRUE(dde.Uninitialize(instance));
  });
  EXPECT_EQ(callback.Pokes, 6);
}

TEST(DdeServerOnDdeml, InstancesBeyondTheAdaptersEntriesAreRefused) {
  win32::Win32DdeLibrary dde;
  FailingCallback callback;
  std::vector<std::uint32_t> instances;
  for (int i = 0; i < win32::Win32DdeLibrary::kMaxInstances; ++i) {
    std::uint32_t instance = 0;
    ASSERT_EQ(dde.Initialize(instance, callback, kAppCmdFilterInits), 0U);
    instances.push_back(instance);
  }
  std::uint32_t beyond = 0;
  EXPECT_EQ(dde.Initialize(beyond, callback, kAppCmdFilterInits),
            static_cast<std::uint32_t>(DMLERR_SYS_ERROR));
  EXPECT_TRUE(dde.Uninitialize(instances.back()));
  instances.pop_back();
  // An ended instance frees its entry.
  EXPECT_EQ(dde.Initialize(beyond, callback, kAppCmdFilterInits), 0U);
  instances.push_back(beyond);
  // A failed initialisation keeps none.
  std::uint32_t wrong = 0x7FFF1234;
  for (std::uint32_t instance : instances) {
    EXPECT_TRUE(dde.Uninitialize(instance));
  }
  EXPECT_NE(dde.Initialize(wrong, callback, kAppCmdFilterInits), 0U);
  std::uint32_t again = 0;
  for (int i = 0; i < win32::Win32DdeLibrary::kMaxInstances; ++i) {
    again = 0;
    ASSERT_EQ(dde.Initialize(again, callback, kAppCmdFilterInits), 0U) << i;
    instances[static_cast<std::size_t>(i)] = again;
  }
  for (std::uint32_t instance : instances) {
    EXPECT_TRUE(dde.Uninitialize(instance));
  }
}

TEST(DdeServerOnDdeml, StringHandlesCarryTheTextBothWays) {
  win32::Win32DdeLibrary dde;
  FailingCallback callback;
  std::uint32_t instance = 0;
  ASSERT_EQ(dde.Initialize(instance, callback, kAppCmdFilterInits), 0U);
  const std::string text = "R1C1:R21C4 " + UniqueService();
  const DdeHandle handle = dde.CreateStringHandle(instance, text, kCpWinAnsi);
  ASSERT_NE(handle, 0U);
  EXPECT_EQ(dde.QueryString(instance, handle, {}, kCpWinAnsi), text.size());
  std::string buffer(text.size() + 1, 'x');
  EXPECT_EQ(dde.QueryString(instance, handle, buffer, kCpWinAnsi), text.size());
  EXPECT_EQ(buffer, text + '\0');
  std::string small(5, 'x');
  EXPECT_EQ(dde.QueryString(instance, handle, small, kCpWinAnsi), 4U);
  EXPECT_EQ(small, std::string("R1C1") + '\0');
  // A text outside ASCII goes through the ANSI code page and back.
  const std::string cyrillic = "\xD0\xA6\xD0\xB5\xD0\xBD\xD0\xB0 " + UniqueService();  // Цена
  const DdeHandle wide = dde.CreateStringHandle(instance, cyrillic, kCpWinAnsi);
  std::string back(cyrillic.size() + 1, '\0');
  back.resize(dde.QueryString(instance, wide, back, kCpWinAnsi));
  if (GetACP() == 1251) {
    EXPECT_EQ(back, cyrillic);
  }
  dde.FreeStringHandle(instance, wide);
  const Bytes empty;
  const DdeHandle data = dde.CreateDataHandle(instance, empty, 0, handle, kCfText, 0);
  EXPECT_NE(data, 0U);
  EXPECT_EQ(dde.GetData(data, {}, 0), 0U);
  DdeFreeDataHandle(reinterpret_cast<HDDEDATA>(data));
  dde.FreeStringHandle(instance, handle);
  EXPECT_TRUE(dde.Uninitialize(instance));
}

TEST(DdeServerOnDdeml, StopEndsTheServiceInEveryState) {
  const std::string service = UniqueService();
  {
    Panel panel(service);
    DdeClient terminal;
    ASSERT_TRUE(terminal.Connect(service, contract::kDdeTopic, 10s));
    panel.Stop();
    termsim::PumpFor(200ms);
    EXPECT_FALSE(terminal.Connected());
    EXPECT_EQ(terminal.Poke("R1C1:R5C3", Book(), XlTable(), 1000), DdeClient::Answer::Failed);
    EXPECT_FALSE(terminal.Connect(service, contract::kDdeTopic));
    EXPECT_EQ(panel.LogEntries(), 0U);
  }

  // Never initialised: every call acts on 0.
  testing::FakeLogServices services;
  testing::FakeMessageBox messages;
  win32::Win32DdeLibrary dde;
  DdeServer idle(services.Log, dde, messages, nullptr);
  idle.Stop();
  EXPECT_TRUE(services.AppLog.Entries.empty());
}

// termsim.exe in its own process pokes generated books, records them, and
// replays the recording.
std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<RecordedPoke> ReadPokes(const std::filesystem::path& path) {
  return ReadRecording(ReadFileBytes(path)).Pokes;
}

TEST(Termsim, PokesGeneratedBooksRecordsThemAndReplaysThemWithTheirGaps) {
  const std::string service = UniqueService();
  Panel panel(service);
  const e2e::TempFolder folder(L"vestrel-termsim");
  const auto exe = e2e::PathFromEnvironment("TERMSIM_EXE");
  const auto run = [&](const std::string& arguments) {
    e2e::ProgramUnderTest termsim(exe, folder.Path(), {},
                                  std::wstring(arguments.begin(), arguments.end()));
    // This thread has had windows (the DDE clients of the tests before), so
    // it runs its message loop while it waits: DDE's initiate is sent to
    // every top-level window, and a thread that does not answer would hold
    // up termsim's connect.
    const auto deadline = std::chrono::steady_clock::now() + e2e::kStartTimeout;
    while (termsim.Running() && std::chrono::steady_clock::now() < deadline) {
      termsim::PumpFor(20ms);
    }
    return termsim.WaitForExit(0ms);
  };

  EXPECT_EQ(run("--service " + service +
                " --levels 5 --count 20 --rate 0 --seed 3 --quiet --record books.pokes"),
            0);
  auto tables = panel.Tables();
  ASSERT_EQ(tables.size(), 20U);
  const auto recorded = ReadPokes(folder.Path() / L"books.pokes");
  ASSERT_EQ(recorded.size(), 20U);
  EXPECT_EQ(recorded[0].Item, "R1C1:R11C3");
  for (std::size_t i = 0; i < 20; ++i) {
    EXPECT_EQ(tables[i], DecodeHere(recorded[i].Data)) << i;
    EXPECT_EQ(tables[i].size(), 11U);
  }

  // Replayed with the recorded gaps, twice as fast: a burst of ten pokes
  // 10 ms apart, a lull of 1.5 s, another burst; at speed 2 the lull lasts
  // 0.75 s. Each poke is due at its own time, so only a poke half a second
  // late would blur it; even gaps at the rate would show no lull at all.
  std::vector<std::uint8_t> timed = RecordingHeader();
  for (std::size_t i = 0; i < 20; ++i) {
    const std::int64_t lull = i < 10 ? 0 : 1'500'000;
    AppendPokeRecord(timed,
                     recorded[0].UtcMicroseconds + lull + static_cast<std::int64_t>(i) * 10'000,
                     recorded[i].Item, recorded[i].Data);
  }
  std::ofstream(folder.Path() / L"timed.pokes", std::ios::binary)
      .write(reinterpret_cast<const char*>(timed.data()),
             static_cast<std::streamsize>(timed.size()));
  EXPECT_EQ(
      run("--service " + service + " --replay timed.pokes --timing recorded --speed 2 --quiet"), 0);
  tables = panel.Tables();
  ASSERT_EQ(tables.size(), 40U);
  for (std::size_t i = 0; i < 20; ++i) {
    EXPECT_EQ(tables[20 + i], tables[i]) << i;
  }
  const auto arrivals = panel.Read([](Server& s) { return s.arrivals; });
  ASSERT_EQ(arrivals.size(), 40U);
  std::size_t lullBefore = 21;
  for (std::size_t i = 22; i < 40; ++i) {
    if (arrivals[i] - arrivals[i - 1] > arrivals[lullBefore] - arrivals[lullBefore - 1]) {
      lullBefore = i;
    }
  }
  EXPECT_EQ(lullBefore, 30U);
  EXPECT_GT(arrivals[30] - arrivals[29], 500ms);
  EXPECT_LT(arrivals[30] - arrivals[29], 1200ms);

  if (std::getenv("TERMSIM_FEW_STARTS") != nullptr) {
    return;  // each start takes a minute where 32-bit programs are emulated
  }
  // A refused poke: exit code 1. No server: 2. Wrong arguments: 3.
  EXPECT_EQ(run("--service " + service + " --count 1 --item R2C1:R11C3 --quiet"), 1);
  EXPECT_EQ(run("--service " + service + "-none --count 1 --connect-timeout 0 --quiet"), 2);
  EXPECT_EQ(run("--levels 0"), 3);
  // A dry run records without a server, each poke stamped when it was due.
  EXPECT_EQ(run("--dry-run --count 3 --record dry.pokes --quiet"), 0);
  const auto dry = ReadPokes(folder.Path() / L"dry.pokes");
  ASSERT_EQ(dry.size(), 3U);
  EXPECT_EQ(dry[2].UtcMicroseconds - dry[1].UtcMicroseconds, 100'000);
  // A recording cut off inside its last poke loses that poke before termsim
  // appends to it, so that what it appends stays readable.
  const std::filesystem::path dryFile = folder.Path() / L"dry.pokes";
  std::filesystem::resize_file(dryFile, std::filesystem::file_size(dryFile) - 5);
  EXPECT_EQ(run("--dry-run --count 2 --record dry.pokes --quiet"), 0);
  const std::vector<std::uint8_t> bytes = ReadFileBytes(dryFile);
  const Recording again = ReadRecording(bytes);
  EXPECT_EQ(again.Pokes.size(), 4U);
  EXPECT_TRUE(again.CutShort.empty()) << again.CutShort;
  EXPECT_EQ(panel.Tables().size(), 40U);
  EXPECT_EQ(panel.LogEntries(), 0U);
}

}  // namespace
}  // namespace vestrel
