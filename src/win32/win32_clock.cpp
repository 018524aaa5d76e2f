#include "win32/win32_clock.h"

#include "win32/windows_api.h"

namespace vestrel::win32 {
namespace {

// FILETIME counts 100 ns intervals since 1601-01-01; this many of them lie
// before 1970-01-01.
constexpr std::int64_t kFileTimeAtUnixEpoch = 116444736000000000LL;

}  // namespace

Win32Clock::Win32Clock() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  frequency_ = frequency.QuadPart;
}

std::int64_t Win32Clock::MonotonicMicroseconds() const { return MonotonicNanoseconds() / 1000; }

std::int64_t Win32Clock::MonotonicNanoseconds() const {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  // Whole seconds and the rest apart, so the product cannot overflow. Every
  // process reads the same counter, so these times compare across processes.
  const std::int64_t seconds = counter.QuadPart / frequency_;
  const std::int64_t rest = counter.QuadPart % frequency_;
  return seconds * 1000000000 + rest * 1000000000 / frequency_;
}

std::int64_t Win32Clock::UtcMicroseconds() const {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  ULARGE_INTEGER ticks;
  ticks.LowPart = now.dwLowDateTime;
  ticks.HighPart = now.dwHighDateTime;
  return (static_cast<std::int64_t>(ticks.QuadPart) - kFileTimeAtUnixEpoch) / 10;
}

}  // namespace vestrel::win32
