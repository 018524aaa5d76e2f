#pragma once

#include <cstdint>
#include <string>

#include "diag/log_dispatcher.h"
#include "models/log_window_model.h"
#include "ports/clock.h"
#include "ports/event_log.h"
#include "ports/regional_settings.h"
#include "settings/extension_settings.h"
#include "trade/gateway.h"

namespace vestrel {

// Watches the connection start-up made while the panel runs: every
// ConnectionCheckMs it asks the transaction library the gateway trades
// through (the paper exchange in paper mode) whether it is connected
// to the terminal and the terminal to its server. When the library has lost
// the terminal it connects again, at most once a check, as start-up did.
// Every change between connected and not is one application-log entry (a
// warning when lost, information when back) and one log window line.
class ConnectionWatch {
 public:
  // settings are read when Start is called, so they may be filled after
  // construction.
  ConnectionWatch(LogDispatcher& log, const GuardSettings& settings, const Clock& clock,
                  TradingGateway& gateway, EventLog& appLog, LogWindowModel& logWindow,
                  const RegionalSettings& regional);

  ConnectionWatch(const ConnectionWatch&) = delete;
  ConnectionWatch& operator=(const ConnectionWatch&) = delete;

  // Starts watching the connection start-up made to the terminal in appPath
  // (the program's folder); the first check is due ConnectionCheckMs later.
  // Without ConnectionCheckMs nothing is ever checked.
  void Start(const std::string& appPath);
  // Checks when a check is due.
  void Tick();
  // Stops watching (shutdown).
  void Stop() { watching_ = false; }

  // False from a check that found either connection missing until one that
  // found both.
  bool Connected() const { return connected_; }

 private:
  struct Answers {
    std::int32_t Dll = 0;
    std::int32_t Quik = 0;
    std::string Failure;  // the library's own failure, when it failed
    bool Connected() const;
  };

  void Check();
  Answers Ask();
  // Reports a change between connected and not; the reason says what failed.
  void Report(const Answers& answers, const std::string& reconnect);
  std::string ResultText(std::int32_t code);

  LogDispatcher& log_;
  const GuardSettings& settings_;
  const Clock& clock_;
  TradingGateway& gateway_;
  EventLog& appLog_;
  LogWindowModel& logWindow_;
  // The reports are in the trader's interface language; the library's names
  // and codes in them stay as they are.
  const RegionalSettings& regional_;
  std::string appPath_;
  bool watching_ = false;
  bool connected_ = true;
  std::int64_t nextCheckUs_ = 0;
};

}  // namespace vestrel
