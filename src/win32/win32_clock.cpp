#include "win32/win32_clock.h"

#include "win32/counter_clock.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {
namespace {

// FILETIME counts 100 ns intervals since 1601-01-01; this many of them lie
// before 1970-01-01.
constexpr std::int64_t kFileTimeAtUnixEpoch = 116444736000000000LL;

}  // namespace

std::int64_t Win32Clock::MonotonicMicroseconds() const { return MonotonicNanoseconds() / 1000; }

std::int64_t Win32Clock::MonotonicNanoseconds() const { return CounterNanoseconds(); }

std::int64_t Win32Clock::UtcMicroseconds() const {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  ULARGE_INTEGER ticks;
  ticks.LowPart = now.dwLowDateTime;
  ticks.HighPart = now.dwHighDateTime;
  return (static_cast<std::int64_t>(ticks.QuadPart) - kFileTimeAtUnixEpoch) / 10;
}

}  // namespace vestrel::win32
