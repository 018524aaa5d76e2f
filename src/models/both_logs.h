#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "models/log_window_model.h"
#include "ports/event_log.h"

namespace vestrel {

// Which step of the caller's error record (its Line) each write is.
struct BothLogsSteps {
  std::int32_t& Line;
  std::int32_t AppLog;
  std::int32_t LogWindow;
};

// Writes one event to the application log, then to the log window, even when
// the first write failed, so a failing event log never keeps a line from the
// trader; then passes the application log's failure on. A failure of the
// log window passes on as it happens. steps, when given, marks the caller's
// Line for each write (and the application log's step again when its
// failure is passed on).
void WriteBothLogs(EventLog& appLog, std::string_view entry, EventType type,
                   LogWindowModel& logWindow, const std::string& line,
                   const BothLogsSteps* steps = nullptr);

}  // namespace vestrel
