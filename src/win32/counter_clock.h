#pragma once

#include <cstdint>

#include "win32/windows_api.h"

namespace vestrel::win32 {

// The performance counter in nanoseconds. Every process reads the same
// counter, and the panel, the stand-in terminal library and the bench all
// reckon it here, so the times they take compare. Whole seconds and the rest
// apart, so the product cannot overflow.
inline std::int64_t CounterNanoseconds() {
  static const std::int64_t frequency = [] {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    return static_cast<std::int64_t>(value.QuadPart);
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  const std::int64_t seconds = counter.QuadPart / frequency;
  const std::int64_t rest = counter.QuadPart % frequency;
  return seconds * 1'000'000'000 + rest * 1'000'000'000 / frequency;
}

}  // namespace vestrel::win32
