#pragma once

#include <optional>
#include <string>

#include "trading/position.h"
#include "trading/trading_state.h"

namespace vestrel {

// "POSITION <signed lots> @ <average price> | REALISED <points>", numbers as
// the panel writes them; the average is 0 when flat.
std::string PositionText(const Position& position, char decimalSeparator);

// "FILL <B|S> <lots> @ <price> | " and the position after the fill.
std::string FillText(const Fill& fill, char decimalSeparator);

// PositionText, then " | OPEN <points> | ORDERS <working orders>"; the open
// profit against the book's best prices, "?" when the side the position
// would close against has no price.
std::string TradingLabelText(const TradingState& state, std::optional<double> bestBuy,
                             std::optional<double> bestSell, char decimalSeparator);

}  // namespace vestrel
