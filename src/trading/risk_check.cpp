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
    const std::optional<double> open = position.OpenProfit(bestBuy, bestSell);
    if (!open) {
      return std::string(
          "the open position cannot be valued without a price on the book; only orders that "
          "reduce the position go out");
    }
    const double profit = position.Realised() + *open;
    if (profit <= -limits.MaxLoss) {
      return "the profit is " + NumberText(profit, decimalSeparator) + ", the loss limit is " +
             NumberText(limits.MaxLoss, decimalSeparator) +
             "; only orders that reduce the position go out";
    }
  }
  return std::nullopt;
}

}  // namespace vestrel
