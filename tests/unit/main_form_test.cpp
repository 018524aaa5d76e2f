#include "app/main_form.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "fakes/fake_ports.h"
#include "fakes/fake_transaction_library.h"

namespace vestrel {
namespace {

using testing::FakeLogServices;
using testing::FakeMessageBox;
using testing::FakeTransactionLibrary;

// Records the calls of the window system, the server and the closer in one
// journal, so the tests can check their order.
struct Journal {
  std::vector<std::string> Calls;
};

class FakeShell : public MainWindowShell {
 public:
  explicit FakeShell(Journal& journal) : journal_(journal) {}
  void AddTrayIcon(const std::string& tip) override {
    journal_.Calls.push_back("AddTrayIcon " + tip);
  }
  void DeleteTrayIcon() override { journal_.Calls.push_back("DeleteTrayIcon"); }
  void HideWindow() override { journal_.Calls.push_back("HideWindow"); }
  void ShowWindow() override { journal_.Calls.push_back("ShowWindow"); }
  void RestoreWindow() override {
    journal_.Calls.push_back("RestoreWindow");
    if (OnRestore) {
      OnRestore();
    }
  }
  std::string ProgramFolder() override { return "C:\\QUIK"; }
  std::function<void()> OnRestore;

 private:
  Journal& journal_;
};

class FakeCloser : public MainWindowCloser {
 public:
  explicit FakeCloser(Journal& journal) : journal_(journal) {}
  void RequestClose() override { journal_.Calls.push_back("RequestClose"); }

 private:
  Journal& journal_;
};

class FakeDdeServer : public DdeServerLifecycle {
 public:
  explicit FakeDdeServer(Journal& journal) : journal_(journal) {}
  void DDEInit(const std::string& server, const std::string& topic, const std::string& advise,
               std::int32_t& pInstID, std::uintptr_t& pItemAdvise) override {
    journal_.Calls.push_back("DDEInit " + server + " " + topic + " " + advise);
    pInstID = 77;
    pItemAdvise = 5;
  }
  void DDETerm(std::int32_t& pInstID, std::uintptr_t& pItemAdvise) override {
    journal_.Calls.push_back("DDETerm " + std::to_string(pInstID) + " " +
                             std::to_string(pItemAdvise));
    if (FailTerm) {
      throw AppError(5, "", "DDE failed");
    }
  }
  bool FailTerm = false;

 private:
  Journal& journal_;
};

class MapProfile : public ProfileReader {
 public:
  std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                      const std::string& file, int) override {
    Files.push_back(file);
    const auto found = Values.find(section + "/" + key);
    return found == Values.end() ? "" : found->second;
  }
  std::map<std::string, std::string> Values{{"Main/Account", "A1"},    {"Main/SecCode", "S1"},
                                            {"Main/ClassCode", "C1"},  {"Main/Size", "2"},
                                            {"Main/SafeSpread", "10"}, {"Main/Compact", "1"}};
  std::vector<std::string> Files;
};

struct MainFormTest : ::testing::Test {
  FakeLogServices services;
  FakeMessageBox boxes;
  FakeTransactionLibrary library;
  Journal journal;
  FakeShell shell{journal};
  FakeCloser closer{journal};
  FakeDdeServer dde{journal};
  MapProfile profile;
  MainWindowModel window;
  bool closing = false;
  LogWindow logWindow{services.Log, closing};
  TradingGateway gateway{services.Log, boxes, library, logWindow};
  frmMain form{{services.Log, window, shell, closer, profile, logWindow, gateway, dde, closing}};
};

TEST_F(MainFormTest, StartUpReadsTheSettingsConnectsAndRegistersTheServer) {
  form.Form_Load();
  EXPECT_EQ(window.WindowCaption(), "Marlowin (1.0.65)");
  EXPECT_TRUE(logWindow.Loaded());
  EXPECT_FALSE(logWindow.Visible());
  EXPECT_EQ(form.strIniFile(), "C:\\QUIK\\Marlowin.ini");
  ASSERT_FALSE(profile.Files.empty());
  EXPECT_EQ(profile.Files.front(), "C:\\QUIK\\Marlowin.ini");
  EXPECT_EQ(form.CurrentSettings().Account, "A1");
  EXPECT_EQ(form.CurrentSettings().Size, 2);
  EXPECT_EQ(form.CurrentSettings().Compact, 1);
  EXPECT_EQ(library.Calls.front(), "Connect C:\\QUIK");
  EXPECT_EQ(journal.Calls, std::vector<std::string>{"DDEInit a b c"});
  EXPECT_EQ(form.DdeInstance(), 77);
  EXPECT_TRUE(services.AppLog.Entries.empty());
}

TEST_F(MainFormTest, AMissingSizeEndsStartUpBeforeTheConnectionAndIsLogged) {
  profile.Values.erase("Main/Size");
  form.Form_Load();
  EXPECT_EQ(window.WindowCaption(), "Marlowin (1.0.65)");
  EXPECT_TRUE(library.Calls.empty());
  EXPECT_TRUE(journal.Calls.empty());
  ASSERT_EQ(services.ErrorEntries().size(), 1U);
  EXPECT_EQ(services.ErrorEntries()[0],
            "ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.frmMain.Form_Load IN LINE: 6. ERROR =  13 "
            "(Type mismatch)");
  EXPECT_EQ(services.Files.Files.size(), 1U);  // and the day's text log has the record
}

TEST_F(MainFormTest, AFailedConnectionShowsTheReasonAndClosesTheWindow) {
  library.ConnectResult = 2;
  form.Form_Load();
  ASSERT_EQ(boxes.Shown.size(), 1U);
  EXPECT_EQ(boxes.Shown[0].rfind("В каталоге либо отсутствует INFO.EXE", 0), 0U);
  EXPECT_EQ(journal.Calls, std::vector<std::string>{"RequestClose"});

  std::int16_t cancel = 0;
  form.Form_Unload(cancel);
  EXPECT_TRUE(form.blnClosing());
  EXPECT_EQ(journal.Calls.back(), "DDETerm 0 0");
  EXPECT_EQ(cancel, 0);
  EXPECT_TRUE(services.AppLog.Entries.empty());
}

TEST_F(MainFormTest, ShutdownDisconnectsTakesTheServerDownAndUnloadsTheLogWindow) {
  form.Form_Load();
  logWindow.Show();
  std::int16_t cancel = 0;
  form.Form_Unload(cancel);
  EXPECT_TRUE(form.blnClosing());
  EXPECT_EQ(library.Calls.back(), "Disconnect");
  EXPECT_EQ(journal.Calls.back(), "DDETerm 77 5");
  EXPECT_FALSE(logWindow.Loaded());
  EXPECT_TRUE(services.AppLog.Entries.empty());
}

TEST_F(MainFormTest, AFailingShutdownStepIsLoggedAndSkipsTheRest) {
  dde.FailTerm = true;
  form.Form_Load();
  std::int16_t cancel = 0;
  form.Form_Unload(cancel);
  ASSERT_EQ(services.ErrorEntries().size(), 1U);
  EXPECT_EQ(services.ErrorEntries()[0],
            "ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.frmMain.Form_Unload IN LINE: 3. ERROR =  5 "
            "(DDE failed) ADDITIONAL PARAMS: \r\nCancel = 0\r\n");
  EXPECT_TRUE(logWindow.Loaded());  // the log window's unload was skipped
}

TEST_F(MainFormTest, MinimisingMovesThePanelToTheTrayAndADoubleClickBringsItBack) {
  form.Form_Load();
  journal.Calls.clear();
  form.Form_Resize(WindowState::Minimized);
  EXPECT_EQ(journal.Calls,
            (std::vector<std::string>{"AddTrayIcon Marlowin (1.0.65)", "HideWindow"}));
  EXPECT_TRUE(window.TrayIconShown());
  EXPECT_FALSE(window.ShownInTaskbar());

  journal.Calls.clear();
  form.picTray_MouseMove(512);  // plain mouse movement
  form.picTray_MouseMove(513);  // single click
  EXPECT_TRUE(journal.Calls.empty());

  shell.OnRestore = [&] {
    form.picTray_MouseMove(515);  // a second double click while restoring is ignored
    form.Form_Resize(WindowState::Normal);
  };
  form.picTray_MouseMove(515);
  EXPECT_EQ(journal.Calls,
            (std::vector<std::string>{"RestoreWindow", "DeleteTrayIcon", "ShowWindow"}));
  EXPECT_FALSE(window.TrayIconShown());
  EXPECT_TRUE(window.ShownInTaskbar());
  EXPECT_EQ(window.CurrentLayout(), Layout::Compact);
  EXPECT_EQ(window.OuterSize(), (TwipsSize{3825, 1905}));
}

}  // namespace
}  // namespace vestrel
