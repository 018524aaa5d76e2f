#include "lifecycle/main_window_lifecycle.h"

#include "common/program_version.h"
#include "contract/automation_contract.h"
#include "diag/error_scope.h"

namespace vestrel {
namespace {

constexpr std::int32_t kLeftButtonDoubleClick = 515;

// Runs one statement of a handler whose failures are skipped statement by
// statement: a failing step does not stop the following ones.
template <class Statement>
void SkippingErrors(Statement&& statement) {
  try {
    statement();
  } catch (...) {
    // The tray handler reports nothing; the next statement runs.
  }
}

std::string VersionedCaption() {
  return std::string(MainWindowModel::kDesignCaption) + " (" + VersionText(kProgramVersion) + ")";
}

}  // namespace

void MainWindowLifecycle::Load() {
  std::string settingBeingRead;
  bool connecting = false;
  bool closeRequested = false;
  ErrorScope scope(parts_.Log, "Vestrel.frmMain.Form_Load");
  scope.Stop([&] {
    scope.Line = 1;
    parts_.Closing = false;
    scope.Line = 2;
    parts_.TransactionLog.Load();
    scope.Line = 4;
    parts_.Window.SetWindowCaption(VersionedCaption());
    scope.Line = 5;
    appPath_ = parts_.Shell.ProgramFolder();
    iniFile_ = appPath_ + "\\" + contract::kIniFileName;
    scope.Line = 6;
    extensions_ = ReadExtensionSettings(parts_.Profile, iniFile_, parts_.AppLog,
                                        parts_.Regional.InterfaceLanguage());
    parts_.Extensions.ApplyExtensions(extensions_);
    ReadSettings(parts_.Log, parts_.Profile, iniFile_, parts_.Regional.DecimalSeparator(),
                 settings_, &settingBeingRead);
    scope.Line = 7;
    connecting = true;
    if (parts_.Gateway.Connect(appPath_)) {
      connected_ = true;
      dde_ = parts_.Dde.StartDdeServer(contract::kDdeService, contract::kDdeTopic,
                                       contract::kDdeAdviseItem);
    } else {
      closeRequested = true;
      parts_.Closer.RequestClose();
    }
  });
  // The error record above stays as it always was; beside it the trader is
  // told what to mend. A connection the terminal refused closes the panel,
  // after its reason was shown.
  blocked_ = {};
  blocked_.UnreadableSetting = settingBeingRead;
  if (connecting && !connected_ && !closeRequested) {
    blocked_.Library = parts_.Gateway.Library().LoadFailure();
  }
}

void MainWindowLifecycle::Unload() {
  // Shutdown never cancels the unload; the logs show the flag it leaves.
  const std::int16_t cancel = 0;
  ErrorScope scope(parts_.Log, "Vestrel.frmMain.Form_Unload", ParamRef("Cancel", cancel));
  scope.Stop([&] {
    scope.Line = 1;
    parts_.Closing = true;
    scope.Line = 2;
    parts_.Gateway.Disconnect();
    scope.Line = 3;
    dde_ = parts_.Dde.StopDdeServer(dde_);
    scope.Line = 4;
    parts_.TransactionLog.RequestClose();
  });
}

void MainWindowLifecycle::Resize(WindowState state) {
  parts_.Window.SetWindowState(state);
  if (state == WindowState::Minimized) {
    parts_.Shell.AddTrayIcon(parts_.Window.WindowCaption());
    parts_.Window.SetTrayIconShown(true);
    parts_.Shell.HideWindow();
    parts_.Window.SetShownInTaskbar(false);
    return;
  }
  parts_.Shell.DeleteTrayIcon();
  parts_.Window.SetTrayIconShown(false);
  // Back from the tray, the program is back on the task bar as well.
  parts_.Window.SetShownInTaskbar(true);
  parts_.Window.SetLayout(settings_.Compact);
}

void MainWindowLifecycle::TrayMouseMessage(std::int32_t trayMessage) {
  lastTrayMessage_ = trayMessage;
  if (trayBusy_) {
    return;
  }
  trayBusy_ = true;
  if (lastTrayMessage_ == kLeftButtonDoubleClick) {
    SkippingErrors([&] { parts_.Shell.RestoreWindow(); });
    SkippingErrors([&] { parts_.Shell.ShowWindow(); });
  }
  trayBusy_ = false;
}

}  // namespace vestrel
