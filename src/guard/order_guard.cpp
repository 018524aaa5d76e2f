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

constexpr UiText kNotSent{"Order not sent (", "Заявка не отправлена ("};
constexpr UiText kNotConnected{"the terminal is not connected", "терминал не подключён"};
constexpr UiText kNoBookYet{"no order book has arrived yet", "стакан ещё не приходил"};
constexpr UiText kBookIs{"the order book is ", "стакан получен "};
constexpr UiText kOldStaleAfter{" old, stale after ", " назад, устаревает через "};
constexpr UiText kAfterLastOrder{" after the last order, closer than ",
                                 " после прошлой заявки, ближе чем "};
constexpr UiText kMs{" ms", " мс"};

}  // namespace

OrderGuard::OrderGuard(LogDispatcher& log, const GuardSettings& settings, const Clock& clock,
                       MainWindowModel& window, LogWindowModel& logWindow,
                       const ConnectionWatch& watch, const RegionalSettings& regional)
    : log_(log),
      regional_(regional),
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

std::optional<std::string> OrderGuard::Refusal() {
  const UiLanguage language = regional_.InterfaceLanguage();
  const auto ms = [&](std::int64_t milliseconds) {
    return IntegerText(milliseconds) + kMs.In(language);
  };
  if (!watch_.Connected()) {
    return kNotConnected.In(language);
  }
  // Reverse trades at the best prices of the same book.
  if (settings_.StaleAfterMs > 0) {
    if (!lastBookMs_) {
      return kNoBookYet.In(language);
    }
    // Stale means older than the limit: a book exactly StaleAfterMs old
    // still trades, as the look (Refresh) shows it live.
    const std::int64_t age = NowMs() - *lastBookMs_;
    if (age > settings_.StaleAfterMs) {
      return kBookIs.In(language) + ms(age) + kOldStaleAfter.In(language) +
             ms(settings_.StaleAfterMs);
    }
  }
  if (settings_.MinClickIntervalMs > 0 && lastOrderMs_) {
    const std::int64_t since = NowMs() - *lastOrderMs_;
    if (since < settings_.MinClickIntervalMs) {
      return ms(since) + kAfterLastOrder.In(language) + ms(settings_.MinClickIntervalMs);
    }
  }
  return std::nullopt;
}

bool OrderGuard::MaySend(ControlId button) {
  if (!Guards(button)) {
    return true;
  }
  if (button == ControlId::cmdReverse && !window_.Enabled(ControlId::cmdReverse)) {
    return true;  // no order yet to reverse: the click does nothing anyway
  }
  const std::optional<std::string> refusal = Refusal();
  if (!refusal) {
    return true;
  }
  Refuse(std::string(MainWindowModel::Design(button).Name), *refusal);
  return false;
}

bool OrderGuard::MaySendFrom(const std::string& source) {
  const std::optional<std::string> refusal = Refusal();
  if (!refusal) {
    return true;
  }
  Refuse(source, *refusal);
  return false;
}

void OrderGuard::Refuse(const std::string& source, const std::string& refusal) {
  // The order stays unsent even when its line cannot be written.
  const std::string line = kNotSent.In(regional_.InterfaceLanguage()) + source + "): " + refusal;
  ErrorScope scope(log_, "Vestrel.frmMain.GuardOrder", ParamRef("strLine", line));
  scope.Stop([&] {
    scope.Line = 1;
    logWindow_.AddLine(line);
  });
  if (onRefused_) {
    onRefused_();
  }
  // A refusal is news the look may not show yet (the tick is due soon).
  Refresh();
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
