#pragma once

#include "diag/error_record.h"
#include "diag/text_log_sink.h"
#include "ports/event_log.h"
#include "ports/file_system.h"
#include "ports/regional_settings.h"
#include "ports/user_context_source.h"

namespace vestrel {

// The platform services that logging reaches.
struct LogServices {
  EventLog& AppLog;
  FileSystem& Files;
  RegionalSettings& Regional;
  UserContextSource& UserContexts;
};

// The log dispatcher: every handled error passes through LogEvent.
class LogDispatcher {
 public:
  // Records above this level are accepted and dropped.
  static constexpr std::int32_t kThreshold = 1;

  explicit LogDispatcher(LogServices services)
      : services_(services), textLog_(services.Files, services.Regional, services.AppLog) {}

  // Writes the record to the daily text log, then to the application event
  // log. A level of 0 counts as 1 and is written back into the record.
  void LogEvent(ErrorRecord& record);

  // The user context; any failure of the component leaves it empty.
  UserContext GetUserContext();

 private:
  LogServices services_;
  TextLogSink textLog_;
};

}  // namespace vestrel
