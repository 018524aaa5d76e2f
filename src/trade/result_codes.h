#pragma once

#include <cstdint>
#include <string>

#include "diag/log_dispatcher.h"

namespace vestrel {

// Result codes of the transaction library that the panel acts on.
inline constexpr std::int32_t kTrans2QuikSuccess = 0;
inline constexpr std::int32_t kTrans2QuikQuikConnected = 8;
inline constexpr std::int32_t kTrans2QuikDllConnected = 10;

// The trader's text for a result code; "" for codes outside 0..13.
std::string ResultCodeName(LogDispatcher& log, std::int32_t code);

}  // namespace vestrel
