#include "diag/log_dispatcher.h"

#include "diag/app_log_sink.h"
#include "diag/text_log_sink.h"

namespace vestrel {

void LogDispatcher::LogEvent(ErrorRecord& record) {
  if (record.Level == 0) {
    record.Level = kLevelError;
  }
  if (record.Level > kThreshold) {
    return;
  }
  const UserContext context = GetUserContext();
  textLog_.Write(record, context);
  LogEventToAppLog(record, context, services_.AppLog, services_.Regional.DecimalSeparator());
}

UserContext LogDispatcher::GetUserContext() {
  UserContext context;
  try {
    context.UserName = services_.UserContexts.GetUserName();
  } catch (...) {
    // A missing or failing component means no user context.
  }
  return context;
}

}  // namespace vestrel
