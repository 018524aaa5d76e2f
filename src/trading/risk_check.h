#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ports/regional_settings.h"
#include "trading/order_side.h"
#include "trading/trading_state.h"

namespace vestrel {

// 0 turns a limit off.
struct RiskLimits {
  // The most lots the position may reach, either way, if every working order
  // of a side filled.
  std::int64_t MaxLots = 0;
  // At realised + open profit at or below -MaxLoss (price points), only
  // orders that reduce the position go out.
  double MaxLoss = 0;
  // The limits could not be read: only orders that reduce the position go
  // out until they can.
  bool ReduceOnly = false;

  bool Any() const { return MaxLots > 0 || MaxLoss > 0 || ReduceOnly; }
};

// Why a new order of these lots on this side must not go out, in the
// trader's language, or none when it may. The lots limit: the position, plus
// every working order of that side, plus this one ("the position could reach
// 3 lots, the limit is 2"; a short position's lots are negative). The loss
// limit lets through only an order against the position that, with the
// working orders of its side, cannot take it through zero; an open position
// the book cannot value (no price on the side it would close against) counts
// as at the limit, since its loss is unknown.
std::optional<std::string> RiskRefusal(const TradingState& state, OrderSide side, std::int64_t lots,
                                       const RiskLimits& limits, std::optional<double> bestBuy,
                                       std::optional<double> bestSell, char decimalSeparator,
                                       UiLanguage language = UiLanguage::English);

// RiskRefusal for the state the panel has: none (no trading state, or its
// first snapshot not yet complete) refuses every order while any limit is
// on, since no limit can be checked against a position nobody knows.
std::optional<std::string> OrderRefusal(const TradingState* state, OrderSide side,
                                        std::int64_t lots, const RiskLimits& limits,
                                        std::optional<double> bestBuy,
                                        std::optional<double> bestSell, char decimalSeparator,
                                        UiLanguage language = UiLanguage::English);

// The day's profit so far, realised plus open against the book; none when
// the open position cannot be valued.
std::optional<double> DayProfit(const TradingState& state, std::optional<double> bestBuy,
                                std::optional<double> bestSell);

}  // namespace vestrel
