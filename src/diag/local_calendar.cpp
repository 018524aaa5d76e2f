#include "diag/local_calendar.h"

#include <array>
#include <cstdio>

namespace vestrel {

std::chrono::sys_days DayOf(const LocalDateTime& when) {
  using namespace std::chrono;
  return sys_days{year{when.Year} / month{static_cast<unsigned>(when.Month)} /
                  day{static_cast<unsigned>(when.Day)}};
}

LocalDateTime DaysBefore(const LocalDateTime& when, int days) {
  const std::chrono::year_month_day earlier{DayOf(when) - std::chrono::days{days}};
  LocalDateTime result = when;
  result.Year = static_cast<int>(earlier.year());
  result.Month = static_cast<int>(static_cast<unsigned>(earlier.month()));
  result.Day = static_cast<int>(static_cast<unsigned>(earlier.day()));
  return result;
}

std::int64_t LocalSeconds(const LocalDateTime& when) {
  const std::int64_t days = DayOf(when).time_since_epoch().count();
  return ((days * 24 + when.Hour) * 60 + when.Minute) * 60 + when.Second;
}

std::string TimeOfDay(const LocalDateTime& when) {
  std::array<char, 16> text{};
  std::snprintf(text.data(), text.size(), "%02d:%02d:%02d", when.Hour, when.Minute, when.Second);
  return text.data();
}

}  // namespace vestrel
