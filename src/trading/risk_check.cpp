#include "trading/risk_check.h"

#include "common/conversions.h"

namespace vestrel {
namespace {

bool ReducesPosition(const TradingState& state, OrderSide side, std::int64_t lots) {
  const std::int64_t held = state.CurrentPosition().Quantity();
  const bool against = side == OrderSide::Buy ? held < 0 : held > 0;
  return against && state.WorkingLots(side) + lots <= (held < 0 ? -held : held);
}

}  // namespace

std::optional<std::string> RiskRefusal(const TradingState& state, OrderSide side, std::int64_t lots,
                                       const RiskLimits& limits, std::optional<double> bestBuy,
                                       std::optional<double> bestSell, char decimalSeparator) {
  const Position& position = state.CurrentPosition();
  if (limits.ReduceOnly && !ReducesPosition(state, side, lots)) {
    return std::string(
        "the [Risk] settings cannot be read; only orders that reduce the position go out");
  }
  if (limits.MaxLots > 0) {
    const std::int64_t reach = side == OrderSide::Buy
                                   ? position.Quantity() + state.WorkingLots(side) + lots
                                   : position.Quantity() - state.WorkingLots(side) - lots;
    if ((reach < 0 ? -reach : reach) > limits.MaxLots && !ReducesPosition(state, side, lots)) {
      return "the position could reach " + IntegerText(reach) + " lots, the limit is " +
             IntegerText(limits.MaxLots);
    }
  }
  if (limits.MaxLoss > 0 && !ReducesPosition(state, side, lots)) {
    const std::optional<double> profit = DayProfit(state, bestBuy, bestSell);
    if (!profit) {
      return std::string(
          "the open position cannot be valued without a price on the book; only orders that "
          "reduce the position go out");
    }
    if (*profit <= -limits.MaxLoss) {
      return "the profit is " + NumberText(*profit, decimalSeparator) + ", the loss limit is " +
             NumberText(limits.MaxLoss, decimalSeparator) +
             "; only orders that reduce the position go out";
    }
  }
  return std::nullopt;
}

std::optional<std::string> OrderRefusal(const TradingState* state, OrderSide side,
                                        std::int64_t lots, const RiskLimits& limits,
                                        std::optional<double> bestBuy,
                                        std::optional<double> bestSell, char decimalSeparator) {
  if (!limits.Any()) {
    return std::nullopt;
  }
  if (state == nullptr || !state->IsComplete()) {
    return std::string("the position is not known yet, so the [Risk] limits cannot be checked");
  }
  return RiskRefusal(*state, side, lots, limits, bestBuy, bestSell, decimalSeparator);
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
