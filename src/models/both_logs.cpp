#include "models/both_logs.h"

#include <exception>

namespace vestrel {

void WriteBothLogs(EventLog& appLog, std::string_view entry, EventType type,
                   LogWindowModel& logWindow, const std::string& line, const BothLogsSteps* steps) {
  const auto mark = [steps](std::int32_t step) {
    if (steps != nullptr) {
      steps->Line = step;
    }
  };
  std::exception_ptr appLogFailure;
  mark(steps != nullptr ? steps->AppLog : 0);
  try {
    appLog.Write(entry, type);
  } catch (...) {
    appLogFailure = std::current_exception();
  }
  mark(steps != nullptr ? steps->LogWindow : 0);
  logWindow.AddLine(line);
  if (appLogFailure) {
    mark(steps != nullptr ? steps->AppLog : 0);
    std::rethrow_exception(appLogFailure);
  }
}

}  // namespace vestrel
