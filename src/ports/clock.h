#pragma once

#include <cstdint>

namespace vestrel {

// The two clocks the panel reads: one that only moves forward, for ages and
// intervals, and the calendar, for time stamps.
class Clock {
 public:
  virtual ~Clock() = default;
  // Microseconds from a fixed point in the past; never goes back.
  virtual std::int64_t MonotonicMicroseconds() const = 0;
  // The same clock in nanoseconds, as finely as the platform counts (for
  // timing steps of a few microseconds).
  virtual std::int64_t MonotonicNanoseconds() const { return MonotonicMicroseconds() * 1000; }
  // Microseconds since 1970-01-01 00:00:00 UTC.
  virtual std::int64_t UtcMicroseconds() const = 0;
};

}  // namespace vestrel
