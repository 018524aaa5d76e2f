#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "ports/regional_settings.h"

namespace vestrel {

// The calendar day of a local time stamp.
std::chrono::sys_days DayOf(const LocalDateTime& when);

// The same time of day, the given number of days earlier.
LocalDateTime DaysBefore(const LocalDateTime& when, int days);

// Seconds from the start of 1970 on the local calendar: only differences mean
// anything, and they jump when the local clock is set.
std::int64_t LocalSeconds(const LocalDateTime& when);

// "hh:mm:ss", 24-hour.
std::string TimeOfDay(const LocalDateTime& when);

}  // namespace vestrel
