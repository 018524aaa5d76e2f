#include "trading/trading_text.h"

#include "common/conversions.h"

namespace vestrel {

std::string PositionText(const Position& position, char decimalSeparator) {
  return "POSITION " + IntegerText(position.Quantity()) + " @ " +
         NumberText(position.AveragePrice(), decimalSeparator) + " | REALISED " +
         NumberText(position.Realised(), decimalSeparator);
}

std::string FillText(const Fill& fill, char decimalSeparator) {
  return std::string("FILL ") + (fill.Trade.Side == OrderSide::Buy ? "B " : "S ") +
         IntegerText(fill.Trade.Lots) + " @ " + NumberText(fill.Trade.Price, decimalSeparator) +
         " | " + PositionText(fill.After, decimalSeparator);
}

std::string TradingLabelText(const TradingState& state, std::optional<double> bestBuy,
                             std::optional<double> bestSell, char decimalSeparator) {
  const Position& position = state.CurrentPosition();
  const std::optional<double> open = position.OpenProfit(bestBuy, bestSell);
  return PositionText(position, decimalSeparator) + " | OPEN " +
         (open ? NumberText(*open, decimalSeparator) : "?") + " | ORDERS " +
         IntegerText(static_cast<std::int64_t>(state.WorkingOrders().size()));
}

}  // namespace vestrel
