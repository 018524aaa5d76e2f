#include "guard/risk_gate.h"

#include <optional>
#include <string>

#include "common/conversions.h"
#include "contract/automation_contract.h"
#include "diag/error_scope.h"

namespace vestrel {

RiskGate::RiskGate(LogDispatcher& log, const RiskSettings& settings, const ShownPrices& prices,
                   EventLog& appLog, LogWindowModel& logWindow, const RegionalSettings& regional,
                   TradeSounds& sounds, TradingStateSource state)
    : log_(log),
      settings_(settings),
      prices_(prices),
      appLog_(appLog),
      logWindow_(logWindow),
      regional_(regional),
      sounds_(sounds),
      state_(std::move(state)) {}

void RiskGate::Start() {
  constexpr UiText kNeedsState{
      "needs the trading state (paper mode, or [Live] Orders=1); the limits stay off.",
      "требует состояния торговли (бумажный режим или [Live] Orders=1); лимиты выключены."};
  limits_ = RiskLimits{settings_.MaxPosition, settings_.DailyLossLimit, settings_.Unreadable};
  lossWarned_ = false;
  if ((limits_.MaxLots > 0 || limits_.MaxLoss > 0) && State() == nullptr) {
    WriteWarning(appLog_, contract::IniSectionPrefix(contract::kRiskSection) +
                              kNeedsState.In(regional_.InterfaceLanguage()));
    limits_.MaxLots = 0;
    limits_.MaxLoss = 0;
  }
}

bool RiskGate::MaySend(std::string_view source, OrderSide side, std::int64_t lots,
                       OrderPurpose purpose) {
  if (purpose == OrderPurpose::Close || !limits_.Any()) {
    return true;
  }
  Watch();
  const std::optional<std::string> refusal =
      OrderRefusal(State(), side, lots, limits_, BestBuy(), BestSell(),
                   regional_.DecimalSeparator(), regional_.InterfaceLanguage());
  if (!refusal) {
    return true;
  }
  constexpr UiText kNotSent{"Order not sent (", "Заявка не отправлена ("};
  const std::string line =
      kNotSent.In(regional_.InterfaceLanguage()) + std::string(source) + "): " + *refusal;
  // The order stays unsent even when its line cannot be written.
  ErrorScope scope(log_, "Vestrel.frmMain.RiskOrder", ParamRef("strLine", line));
  scope.Stop([&] {
    scope.Line = 1;
    logWindow_.AddLine(line);
  });
  sounds_.OnRefused();
  return false;
}

void RiskGate::Watch() {
  const TradingState* state = State();
  if (lossWarned_ || limits_.MaxLoss <= 0 || state == nullptr || !state->IsComplete()) {
    return;
  }
  const std::optional<double> profit = DayProfit(*state, BestBuy(), BestSell());
  if (!profit || *profit > -limits_.MaxLoss) {
    return;
  }
  lossWarned_ = true;
  constexpr UiText kReached{": the day's profit is ", ": прибыль за день "};
  constexpr UiText kReduceOnly{"; from now on only orders that reduce the position go out.",
                               "; теперь уходят только заявки, уменьшающие позицию."};
  const UiLanguage language = regional_.InterfaceLanguage();
  const char separator = regional_.DecimalSeparator();
  WriteWarning(appLog_, contract::IniSectionPrefix(contract::kRiskSection) +
                            contract::kDailyLossLimitKey + "=" +
                            NumberText(limits_.MaxLoss, separator) + kReached.In(language) +
                            NumberText(*profit, separator) + kReduceOnly.In(language));
}

}  // namespace vestrel
