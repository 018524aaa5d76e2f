#pragma once

#include <cstdint>
#include <string_view>

#include "ports/event_log.h"

namespace vestrel {

// How each severity level is named in the two logs.
struct LevelInfo {
  std::string_view TextLogName;
  std::string_view AppLogPrefix;
  EventType Type;
};

// Levels outside 1..6 are described as level 1.
const LevelInfo& DescribeLevel(std::int32_t level);

}  // namespace vestrel
