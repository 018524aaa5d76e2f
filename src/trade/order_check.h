#pragma once

#include <cstdint>
#include <string_view>

#include "trading/order_side.h"

namespace vestrel {

// What an order is for, as the trader's limits see it.
enum class OrderPurpose {
  // A new order from a button, its key or the ladder.
  Trade,
  // Flatten: one order that closes the whole position, which the limits
  // never hold back (getting out is what they are for).
  Close,
};

// The last word before an order goes out: the trader's limits. An order it
// refuses is not sent, and the refusal says why where the trader looks.
class OrderCheck {
 public:
  virtual ~OrderCheck() = default;
  // source names what sent the order as the trader knows it ("cmdBestAsk",
  // "Flatten").
  virtual bool MaySend(std::string_view source, OrderSide side, std::int64_t lots,
                       OrderPurpose purpose) = 0;
};

}  // namespace vestrel
