#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

#include "diag/log_dispatcher.h"
#include "guard/connection_watch.h"
#include "models/log_window_model.h"
#include "models/main_window_model.h"
#include "ports/clock.h"
#include "ports/regional_settings.h"
#include "settings/extension_settings.h"

namespace vestrel {

// Holds back the orders a trader would regret: at the price of an order book
// that stopped updating, the second click of a double click, and while the
// terminal is not connected. Each order held back is one log window line
// saying why. Kill is never held back.
//
// It also keeps the price buttons' look in step: stale while the last
// accepted book is older than StaleAfterMs, disconnected while the
// connection watch finds no connection (that look wins), live otherwise.
class OrderGuard {
 public:
  // settings are read at every call, so they may be filled after
  // construction.
  OrderGuard(LogDispatcher& log, const GuardSettings& settings, const Clock& clock,
             MainWindowModel& window, LogWindowModel& logWindow, const ConnectionWatch& watch,
             const RegionalSettings& regional);

  OrderGuard(const OrderGuard&) = delete;
  OrderGuard& operator=(const OrderGuard&) = delete;

  // The panel has started: until the first book arrives there is none to
  // trade from.
  void Start();
  // The order book has shown a new table whole: the buttons are live at
  // once. A table the analysis stopped in is no new book.
  void BookAccepted();
  // Brings the buttons' look up to date with the clock and the connection.
  void Refresh();

  // Whether an order from this button may go out now. A refusal adds one log
  // window line. Buttons that send no order, Kill, and Reverse while it is
  // disabled are never held back here.
  bool MaySend(ControlId button);
  // Whether an order the trader placed elsewhere than on a button (the
  // ladder) may go out now; a refusal is one log window line naming source
  // ("ladder 99940").
  bool MaySendFrom(const std::string& source);
  // An order from a price button, Reverse or the ladder went out (its send
  // returned).
  void OrderSent();
  // Called for each order held back, after its line is written.
  void OnRefused(std::function<void()> listener) { onRefused_ = std::move(listener); }

  // Whether the guard has anything to say about this button's clicks.
  static bool Guards(ControlId button);

 private:
  // Why an order from the button may not go out now; empty when it may.
  std::optional<std::string> Refusal();
  // One log window line for an order held back.
  void Refuse(const std::string& source, const std::string& refusal);
  std::int64_t NowMs() const;

  LogDispatcher& log_;
  // The refusals are in the trader's interface language.
  const RegionalSettings& regional_;
  const GuardSettings& settings_;
  const Clock& clock_;
  MainWindowModel& window_;
  LogWindowModel& logWindow_;
  const ConnectionWatch& watch_;
  std::optional<std::int64_t> lastBookMs_;
  std::optional<std::int64_t> lastOrderMs_;
  std::function<void()> onRefused_;
};

// How often the panel must tick for the guard: often enough that the stale
// look appears on time and checks are made when due; 0 when no guard is on.
std::int32_t GuardTickIntervalMs(const GuardSettings& settings);

}  // namespace vestrel
