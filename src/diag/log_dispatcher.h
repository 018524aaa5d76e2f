#pragma once

#include <vector>

#include "diag/error_record.h"
#include "diag/repeat_filter.h"
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

// The log dispatcher: every handled error passes through Dispatch.
//
// A record written three times in the last minute is counted rather than
// written a fourth time (see RepeatFilter); the count goes to both logs as one record:
// the repeated record with its description prefixed by
// "Repeated N more times between hh:mm:ss and hh:mm:ss: " (or "Repeated once
// more at hh:mm:ss: "), the local times of its first and last repeat.
class LogDispatcher {
 public:
  // Records above this level are accepted and dropped.
  static constexpr std::int32_t kThreshold = 1;

  explicit LogDispatcher(LogServices services)
      : services_(services), textLog_(services.Files, services.Regional, services.AppLog) {}

  // Writes the record to the daily text log, then to the application event
  // log. A level of 0 counts as 1 and is written back into the record.
  void Dispatch(ErrorRecord& record);

  // Writes the counts of the runs whose minute is over; for a periodic tick,
  // so that the count of a flood that stopped does not wait for the next error.
  void WriteEndedRepeats();
  // Writes every count still held; at shutdown.
  void Flush();

  // The user context; any failure of the component leaves it empty.
  UserContext GetUserContext();

 private:
  void Write(const ErrorRecord& record);
  void WriteRepeats(const std::vector<RepeatRun>& runs);

  LogServices services_;
  TextLogSink textLog_;
  RepeatFilter repeats_;
};

}  // namespace vestrel
