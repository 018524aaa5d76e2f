#include "diag/levels.h"

#include <array>

namespace vestrel {

const LevelInfo& DescribeLevel(std::int32_t level) {
  static const std::array<LevelInfo, 6> kLevels = {{
      {"ERROR", "ERROR OCCURS IN ", EventType::Error},
      {"BUSINESS ERROR", "BUSINESS ERROR OCCURS IN ", EventType::Warning},
      {"WARNING", "WARNING OCCURS IN ", EventType::Warning},
      {"INFO", "INFO ", EventType::Information},
      {"DEBUG", "", EventType::Information},
      {"TIME ", "TIME ", EventType::Information},
  }};
  if (level < 1 || level > static_cast<std::int32_t>(kLevels.size())) {
    return kLevels[0];
  }
  return kLevels[static_cast<std::size_t>(level - 1)];
}

}  // namespace vestrel
