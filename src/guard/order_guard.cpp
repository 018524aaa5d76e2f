#include "guard/order_guard.h"

#include <algorithm>
#include <array>
#include <string>

#include "common/conversions.h"
#include "diag/error_scope.h"

namespace vestrel {
namespace {

constexpr std::array kPriceButtons{ControlId::cmdMaxBid, ControlId::cmdBestBid,
                                   ControlId::cmdBestAsk, ControlId::cmdMaxAsk};

// The stale look follows the clock, and checks are made when due, this
// closely.
constexpr std::int32_t kTickResolutionMs = 50;

std::string Ms(std::int64_t milliseconds) { return IntegerText(milliseconds) + " ms"; }

}  // namespace

OrderGuard::OrderGuard(LogDispatcher& log, const GuardSettings& settings, const Clock& clock,
                       MainWindowModel& window, LogWindowModel& logWindow,
                       const ConnectionWatch& watch)
    : log_(log),
      settings_(settings),
      clock_(clock),
      window_(window),
      logWindow_(logWindow),
      watch_(watch) {}

std::int64_t OrderGuard::NowMs() const { return clock_.MonotonicMicroseconds() / 1000; }

bool OrderGuard::Guards(ControlId button) {
  return button == ControlId::cmdReverse ||
         std::find(kPriceButtons.begin(), kPriceButtons.end(), button) != kPriceButtons.end();
}

void OrderGuard::Start() {
  lastBookMs_.reset();
  lastOrderMs_.reset();
  Refresh();
}

void OrderGuard::BookAccepted() {
  lastBookMs_ = NowMs();
  Refresh();
}

void OrderGuard::Refresh() {
  ControlLook look = ControlLook::Live;
  if (!watch_.Connected()) {
    look = ControlLook::Disconnected;
  } else if (settings_.StaleAfterMs > 0 &&
             (!lastBookMs_ || NowMs() - *lastBookMs_ > settings_.StaleAfterMs)) {
    look = ControlLook::Stale;
  }
  for (const ControlId button : kPriceButtons) {
    window_.SetLook(button, look);
  }
}

std::optional<std::string> OrderGuard::Refusal(ControlId button) {
  if (button == ControlId::cmdReverse && !window_.Enabled(ControlId::cmdReverse)) {
    return std::nullopt;  // no order yet to reverse: the click does nothing anyway
  }
  if (!watch_.Connected()) {
    return "the terminal is not connected";
  }
  // Reverse trades at the best prices of the same book.
  if (settings_.StaleAfterMs > 0) {
    if (!lastBookMs_) {
      return "no order book has arrived yet";
    }
    // Stale means older than the limit: a book exactly StaleAfterMs old
    // still trades, as the look (Refresh) shows it live.
    const std::int64_t age = NowMs() - *lastBookMs_;
    if (age > settings_.StaleAfterMs) {
      return "the order book is " + Ms(age) + " old, stale after " + Ms(settings_.StaleAfterMs);
    }
  }
  if (settings_.MinClickIntervalMs > 0 && lastOrderMs_) {
    const std::int64_t since = NowMs() - *lastOrderMs_;
    if (since < settings_.MinClickIntervalMs) {
      return Ms(since) + " after the last order, closer than " + Ms(settings_.MinClickIntervalMs);
    }
  }
  return std::nullopt;
}

bool OrderGuard::MaySend(ControlId button) {
  if (!Guards(button)) {
    return true;
  }
  const std::optional<std::string> refusal = Refusal(button);
  if (!refusal) {
    return true;
  }
  // The order stays unsent even when its line cannot be written.
  const std::string line =
      "Order not sent (" + std::string(MainWindowModel::Design(button).Name) + "): " + *refusal;
  ErrorScope scope(log_, "Vestrel.frmMain.GuardOrder", ParamRef("strLine", line));
  scope.Stop([&] {
    scope.Line = 1;
    logWindow_.AddLine(line);
  });
  // A refusal is news the look may not show yet (the tick is due soon).
  Refresh();
  return false;
}

void OrderGuard::OrderSent() { lastOrderMs_ = NowMs(); }

std::int32_t GuardTickIntervalMs(const GuardSettings& settings) {
  std::int32_t interval = 0;
  for (const std::int32_t ms : {settings.StaleAfterMs, settings.ConnectionCheckMs}) {
    if (ms > 0) {
      interval = std::min(interval == 0 ? kTickResolutionMs : interval, ms);
    }
  }
  return interval;
}

}  // namespace vestrel
