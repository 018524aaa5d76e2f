#pragma once

#include <cstdint>
#include <string>

#include "diag/log_dispatcher.h"
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

// The DDE server as start-up and shutdown see it.
class DdeServerLifecycle {
 public:
  virtual ~DdeServerLifecycle() = default;
  // Registers the server; writes the instance identifier and the advise
  // item's handle (both stay 0 when the server could not be set up).
  virtual void DDEInit(const std::string& pDDEServer, const std::string& pDDETopic,
                       const std::string& pDDEAdvise, std::int32_t& pInstID,
                       std::uintptr_t& pItemAdvise) = 0;
  virtual void DDETerm(std::int32_t& pInstID, std::uintptr_t& pItemAdvise) = 0;
};

// What the optional settings switch on, set up once they are read: before
// [Main] is, so that a broken [Main] cannot take paper trading back to the
// real terminal, and before the terminal connection.
class ExtensionSetup {
 public:
  virtual ~ExtensionSetup() = default;
  virtual void ApplyExtensions(const ExtensionSettings& extensions) = 0;
};

// The main window's life: start-up (Form_Load), shutdown (Form_Unload), the
// resize event that moves the panel to and from the tray, and the tray
// icon's mouse messages.
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
    bool& blnClosing;
    // Sets up what the optional sections switch on (paper trading).
    ExtensionSetup& Extensions;
  };

  explicit MainWindowLifecycle(Parts parts) : parts_(parts) {}

  // Start-up: settings, terminal connection, DDE server. A failure is logged
  // and ends start-up there; the window opens with what was done.
  void Form_Load();
  // Shutdown: disconnects, takes the DDE server down and unloads the log
  // window. Never cancels.
  void Form_Unload(std::int16_t& Cancel);
  // The window's resize event; minimised moves the panel into the tray.
  void Form_Resize(WindowState state);
  // A mouse message of the tray icon (the message number, e.g. 515 for a
  // left double click).
  void picTray_MouseMove(std::int32_t trayMessage);

  const Settings& CurrentSettings() const { return settings_; }
  // The optional sections, read right before [Main]; all off until then.
  const ExtensionSettings& Extensions() const { return extensions_; }
  bool blnClosing() const { return parts_.blnClosing; }
  const std::string& strAppPath() const { return appPath_; }
  const std::string& strIniFile() const { return iniFile_; }
  std::int32_t DdeInstance() const { return instance_; }
  // Whether start-up connected to the terminal.
  bool Connected() const { return connected_; }

 private:
  Parts parts_;
  Settings settings_;
  ExtensionSettings extensions_;
  std::string appPath_;
  std::string iniFile_;
  std::int32_t instance_ = 0;
  std::uintptr_t itemAdvise_ = 0;
  bool connected_ = false;
  bool trayBusy_ = false;
  std::int32_t lastTrayMessage_ = 0;
};

}  // namespace vestrel
