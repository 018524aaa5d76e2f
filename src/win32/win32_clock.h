#pragma once

#include "ports/clock.h"

namespace vestrel::win32 {

// The performance counter for intervals, the system time for time stamps.
class Win32Clock : public Clock {
 public:
  std::int64_t MonotonicMicroseconds() const override;
  std::int64_t MonotonicNanoseconds() const override;
  std::int64_t UtcMicroseconds() const override;
};

}  // namespace vestrel::win32
