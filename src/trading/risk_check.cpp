#include "trading/risk_check.h"

#include "common/conversions.h"

namespace vestrel {
namespace {

constexpr UiText kUnreadable{
    "the [Risk] settings cannot be read; only orders that reduce the position go out",
    "настройки [Risk] не читаются; уходят только заявки, уменьшающие позицию"};
constexpr UiText kCouldReach{"the position could reach ", "позиция могла бы достичь "};
constexpr UiText kLotsLimitIs{" lots, the limit is ", " лотов, лимит "};
constexpr UiText kUnvalued{
    "the open position cannot be valued without a price on the book; only orders that reduce "
    "the position go out",
    "открытую позицию не оценить без цены в стакане; уходят только заявки, уменьшающие позицию"};
constexpr UiText kProfitIs{"the profit is ", "прибыль "};
constexpr UiText kLossLimitIs{", the loss limit is ", ", лимит убытка "};
constexpr UiText kReduceOnly{"; only orders that reduce the position go out",
                             "; уходят только заявки, уменьшающие позицию"};
constexpr UiText kNotKnown{"the position is not known yet, so the [Risk] limits cannot be checked",
                           "позиция ещё неизвестна, лимиты [Risk] не проверить"};

bool ReducesPosition(const TradingState& state, OrderSide side, std::int64_t lots) {
  const std::int64_t held = state.CurrentPosition().Quantity();
  const bool against = side == OrderSide::Buy ? held < 0 : held > 0;
  return against && state.WorkingLots(side) + lots <= (held < 0 ? -held : held);
}

}  // namespace

std::optional<std::string> RiskRefusal(const TradingState& state, OrderSide side, std::int64_t lots,
                                       const RiskLimits& limits, std::optional<double> bestBuy,
                                       std::optional<double> bestSell, char decimalSeparator,
                                       UiLanguage language) {
  const Position& position = state.CurrentPosition();
  if (limits.ReduceOnly && !ReducesPosition(state, side, lots)) {
    return std::string(kUnreadable.In(language));
  }
  if (limits.MaxLots > 0) {
    const std::int64_t reach = side == OrderSide::Buy
                                   ? position.Quantity() + state.WorkingLots(side) + lots
                                   : position.Quantity() - state.WorkingLots(side) - lots;
    if ((reach < 0 ? -reach : reach) > limits.MaxLots && !ReducesPosition(state, side, lots)) {
      return kCouldReach.In(language) + IntegerText(reach) + kLotsLimitIs.In(language) +
             IntegerText(limits.MaxLots);
    }
  }
  if (limits.MaxLoss > 0 && !ReducesPosition(state, side, lots)) {
    const std::optional<double> profit = DayProfit(state, bestBuy, bestSell);
    if (!profit) {
      return std::string(kUnvalued.In(language));
    }
    if (*profit <= -limits.MaxLoss) {
      return kProfitIs.In(language) + NumberText(*profit, decimalSeparator) +
             kLossLimitIs.In(language) + NumberText(limits.MaxLoss, decimalSeparator) +
             kReduceOnly.In(language);
    }
  }
  return std::nullopt;
}

std::optional<std::string> OrderRefusal(const TradingState* state, OrderSide side,
                                        std::int64_t lots, const RiskLimits& limits,
                                        std::optional<double> bestBuy,
                                        std::optional<double> bestSell, char decimalSeparator,
                                        UiLanguage language) {
  if (!limits.Any()) {
    return std::nullopt;
  }
  if (state == nullptr || !state->IsComplete()) {
    return std::string(kNotKnown.In(language));
  }
  return RiskRefusal(*state, side, lots, limits, bestBuy, bestSell, decimalSeparator, language);
}

std::optional<double> DayProfit(const TradingState& state, std::optional<double> bestBuy,
                                std::optional<double> bestSell) {
  const Position& position = state.CurrentPosition();
  const std::optional<double> open = position.OpenProfit(bestBuy, bestSell);
  if (!open) {
    return std::nullopt;
  }
  return position.Realised() + *open;
}

}  // namespace vestrel
