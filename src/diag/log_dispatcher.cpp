#include "diag/log_dispatcher.h"

#include "diag/app_log_sink.h"
#include "diag/local_calendar.h"

namespace vestrel {
namespace {

// The record that stands for a run's repeats in both logs.
ErrorRecord RepeatRecord(const RepeatRun& run) {
  ErrorRecord record = run.Record;
  const std::string when = run.Count == 1
                               ? "Repeated once more at " + TimeOfDay(run.First)
                               : "Repeated " + std::to_string(run.Count) + " more times between " +
                                     TimeOfDay(run.First) + " and " + TimeOfDay(run.Last);
  record.Description = when + ": " + record.Description;
  return record;
}

}  // namespace

void LogDispatcher::Dispatch(ErrorRecord& record) {
  if (record.Level == 0) {
    record.Level = kLevelError;
  }
  if (record.Level > kThreshold) {
    return;
  }
  const RepeatFilter::Verdict verdict = repeats_.Admit(record, services_.Regional.Now());
  WriteRepeats(verdict.Ended);
  if (!verdict.Repeat) {
    Write(record);
  }
}

void LogDispatcher::WriteEndedRepeats() {
  WriteRepeats(repeats_.TakeEnded(services_.Regional.Now()));
}

void LogDispatcher::Flush() { WriteRepeats(repeats_.TakeAll()); }

UserContext LogDispatcher::GetUserContext() {
  UserContext context;
  try {
    context.UserName = services_.UserContexts.GetUserName();
  } catch (...) {
    // A missing or failing component means no user context.
  }
  return context;
}

void LogDispatcher::Write(const ErrorRecord& record) {
  const UserContext context = GetUserContext();
  textLog_.Write(record, context);
  LogEventToAppLog(record, context, services_.AppLog, services_.Regional.DecimalSeparator());
}

void LogDispatcher::WriteRepeats(const std::vector<RepeatRun>& runs) {
  for (const RepeatRun& run : runs) {
    Write(RepeatRecord(run));
  }
}

}  // namespace vestrel
