#pragma once

namespace vestrel {

enum class OrderSide { Buy, Sell };

}  // namespace vestrel
