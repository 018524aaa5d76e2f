#include "lifecycle/main_window_lifecycle.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "common/program_version.h"
#include "contract/automation_contract.h"
#include "fakes/fake_ports.h"
#include "fakes/fake_transaction_library.h"
#include "fakes/fake_window_ports.h"

namespace vestrel {
namespace {

using testing::FakeCloser;
using testing::FakeLogServices;
using testing::FakeMessageBox;
using testing::FakeShell;
using testing::FakeTransactionLibrary;
using testing::Journal;
using testing::MapProfile;

const std::string kCaption = "Marlowin (" + VersionText(kProgramVersion) + ")";

class FakeDdeServer : public DdeServerLifecycle {
 public:
  explicit FakeDdeServer(Journal& journal) : journal_(journal) {}
  DdeRegistration StartDdeServer(const std::string& server, const std::string& topic,
                                 const std::string& advise) override {
    journal_.Calls.push_back("DDEInit " + server + " " + topic + " " + advise);
    return {77, 5};
  }
  DdeRegistration StopDdeServer(const DdeRegistration& registration) override {
    journal_.Calls.push_back("DDETerm " + std::to_string(registration.Instance) + " " +
                             std::to_string(registration.AdviseItem));
    if (FailTerm) {
      throw AppError(5, "", "DDE failed");
    }
    return {};
  }
  bool FailTerm = false;

 private:
  Journal& journal_;
};

class RecordingExtensionSetup : public ExtensionSetup {
 public:
  void ApplyExtensions(const ExtensionSettings& extensions) override {
    Applied.push_back(extensions.Paper.Enabled);
  }
  std::vector<bool> Applied;  // Paper.Enabled of each call
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
  LogWindowModel logWindow{services.Log, services.Regional, closing};
  TradingGateway gateway{services.Log, services.AppLog, services.Regional,
                         boxes,        library,         logWindow};
  RecordingExtensionSetup extensionSetup;
  MainWindowLifecycle form{{services.Log, window, shell, closer, profile, services.Regional,
                            services.AppLog, logWindow, gateway, dde, closing, extensionSetup}};
};

TEST_F(MainFormTest, StartUpReadsTheSettingsConnectsAndRegistersTheServer) {
  form.Load();
  EXPECT_EQ(window.WindowCaption(), kCaption);
  EXPECT_TRUE(logWindow.Loaded());
  EXPECT_FALSE(logWindow.Visible());
  const std::string iniFile = std::string("C:\\QUIK\\") + contract::kIniFileName;
  EXPECT_EQ(form.IniFile(), iniFile);
  ASSERT_FALSE(profile.Files.empty());
  EXPECT_EQ(profile.Files.front(), iniFile);
  EXPECT_EQ(form.CurrentSettings().Account, "A1");
  EXPECT_EQ(form.CurrentSettings().Size, 2);
  EXPECT_EQ(form.CurrentSettings().Compact, 1);
  EXPECT_EQ(library.Calls.front(), "Connect C:\\QUIK");
  EXPECT_EQ(journal.Calls, std::vector<std::string>{"DDEInit a b c"});
  EXPECT_EQ(form.Dde(), (DdeRegistration{77, 5}));
  EXPECT_EQ(extensionSetup.Applied, std::vector<bool>{false});
  EXPECT_TRUE(services.AppLog.Entries.empty());
}

TEST_F(MainFormTest, AMissingSizeEndsStartUpBeforeTheConnectionAndIsLogged) {
  profile.Values.erase("Main/Size");
  profile.Values["Paper/Enabled"] = "1";
  form.Load();
  // Paper trading is set up all the same: no click may reach the terminal.
  EXPECT_EQ(extensionSetup.Applied, std::vector<bool>{true});
  EXPECT_EQ(window.WindowCaption(), kCaption);
  EXPECT_TRUE(library.Calls.empty());
  EXPECT_TRUE(journal.Calls.empty());
  ASSERT_EQ(services.ErrorEntries().size(), 1U);
  EXPECT_EQ(services.ErrorEntries()[0],
            "ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.frmMain.Form_Load IN LINE: 6. ERROR =  13 "
            "(Type mismatch)");
  EXPECT_EQ(services.Files.Files.size(), 1U);  // and the day's text log has the record
}

TEST_F(MainFormTest, ShutdownDisconnectsTakesTheServerDownAndUnloadsTheLogWindow) {
  form.Load();
  logWindow.Show();
  form.Unload();
  EXPECT_TRUE(form.Closing());
  EXPECT_EQ(library.Calls.back(), "Disconnect");
  EXPECT_EQ(journal.Calls.back(), "DDETerm 77 5");
  EXPECT_FALSE(logWindow.Loaded());
  EXPECT_TRUE(services.AppLog.Entries.empty());
}

TEST_F(MainFormTest, AFailingShutdownStepIsLoggedAndSkipsTheRest) {
  dde.FailTerm = true;
  form.Load();
  form.Unload();
  ASSERT_EQ(services.ErrorEntries().size(), 1U);
  EXPECT_EQ(services.ErrorEntries()[0],
            "ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.frmMain.Form_Unload IN LINE: 3. ERROR =  5 "
            "(DDE failed) ADDITIONAL PARAMS: \r\nCancel = 0\r\n");
  EXPECT_TRUE(logWindow.Loaded());  // the log window's unload was skipped
}

TEST_F(MainFormTest, MinimisingMovesThePanelToTheTrayAndADoubleClickBringsItBack) {
  form.Load();
  journal.Calls.clear();
  form.Resize(WindowState::Minimized);
  EXPECT_EQ(journal.Calls, (std::vector<std::string>{"AddTrayIcon " + kCaption, "HideWindow"}));
  EXPECT_TRUE(window.TrayIconShown());
  EXPECT_FALSE(window.ShownInTaskbar());

  journal.Calls.clear();
  form.TrayMouseMessage(512);  // plain mouse movement
  form.TrayMouseMessage(513);  // single click
  EXPECT_TRUE(journal.Calls.empty());

  shell.OnRestore = [&] {
    form.TrayMouseMessage(515);  // a second double click while restoring is ignored
    form.Resize(WindowState::Normal);
  };
  form.TrayMouseMessage(515);
  EXPECT_EQ(journal.Calls,
            (std::vector<std::string>{"RestoreWindow", "DeleteTrayIcon", "ShowWindow"}));
  EXPECT_FALSE(window.TrayIconShown());
  EXPECT_TRUE(window.ShownInTaskbar());
  EXPECT_EQ(window.CurrentLayout(), Layout::Compact);
  EXPECT_EQ(window.OuterSize(), (TwipsSize{3825, 1905}));
}

}  // namespace
}  // namespace vestrel
