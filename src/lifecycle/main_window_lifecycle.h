#pragma once

#include <cstdint>
#include <string>

#include "diag/log_dispatcher.h"
#include "lifecycle/status_line.h"
#include "models/log_window_model.h"
#include "models/main_window_model.h"
#include "ports/main_window_closer.h"
#include "ports/main_window_shell.h"
#include "ports/profile_reader.h"
#include "ports/regional_settings.h"
#include "settings/extension_settings.h"
#include "settings/settings.h"
#include "trade/gateway.h"

namespace vestrel {

// The DDE server's registration: its instance identifier and the advise
// item's handle, both 0 while none is registered.
struct DdeRegistration {
  std::int32_t Instance = 0;
  std::uintptr_t AdviseItem = 0;
  bool operator==(const DdeRegistration&) const = default;
};

// The DDE server as start-up and shutdown see it.
class DdeServerLifecycle {
 public:
  virtual ~DdeServerLifecycle() = default;
  // Registers the server under the service and topic names with its advise
  // item; none registered when the server could not be set up.
  virtual DdeRegistration StartDdeServer(const std::string& service, const std::string& topic,
                                         const std::string& adviseItem) = 0;
  // Takes the registration down; returns what is left of it (none once it
  // is down).
  virtual DdeRegistration StopDdeServer(const DdeRegistration& registration) = 0;
};

// What the optional settings switch on, set up once they are read: before
// [Main] is, so that a broken [Main] cannot take paper trading back to the
// real terminal, and before the terminal connection.
class ExtensionSetup {
 public:
  virtual ~ExtensionSetup() = default;
  virtual void ApplyExtensions(const ExtensionSettings& extensions) = 0;
};

// The main window's life: start-up (Load), shutdown (Unload), the resize
// event that moves the panel to and from the tray, and the tray icon's mouse
// messages.
class MainWindowLifecycle {
 public:
  struct Parts {
    LogDispatcher& Log;
    MainWindowModel& Window;
    MainWindowShell& Shell;
    MainWindowCloser& Closer;
    ProfileReader& Profile;
    const RegionalSettings& Regional;
    // Takes the warnings about optional settings that cannot be read.
    EventLog& AppLog;
    LogWindowModel& TransactionLog;
    TradingGateway& Gateway;
    DdeServerLifecycle& Dde;
    // Shared with the log window, which only hides on close while it is false.
    bool& Closing;
    // Sets up what the optional sections switch on (paper trading).
    ExtensionSetup& Extensions;
  };

  explicit MainWindowLifecycle(Parts parts) : parts_(parts) {}

  // Start-up: settings, terminal connection, DDE server. A failure is logged
  // and ends start-up there; the window opens with what was done.
  void Load();
  // Shutdown: disconnects, takes the DDE server down and unloads the log
  // window. Never cancels.
  void Unload();
  // The window's resize event; minimised moves the panel into the tray.
  void Resize(WindowState state);
  // A mouse message of the tray icon (the message number, e.g. 515 for a
  // left double click).
  void TrayMouseMessage(std::int32_t trayMessage);

  const Settings& CurrentSettings() const { return settings_; }
  // The optional sections, read right before [Main]; all off until then.
  const ExtensionSettings& Extensions() const { return extensions_; }
  bool Closing() const { return parts_.Closing; }
  const std::string& AppPath() const { return appPath_; }
  const std::string& IniFile() const { return iniFile_; }
  const DdeRegistration& Dde() const { return dde_; }
  // Whether start-up connected to the terminal.
  bool Connected() const { return connected_; }
  // What start-up found that the trader must mend before the panel trades.
  const StartupBlock& Blocked() const { return blocked_; }

 private:
  Parts parts_;
  Settings settings_;
  ExtensionSettings extensions_;
  std::string appPath_;
  std::string iniFile_;
  DdeRegistration dde_;
  StartupBlock blocked_;
  bool connected_ = false;
  bool trayBusy_ = false;
  std::int32_t lastTrayMessage_ = 0;
};

}  // namespace vestrel
