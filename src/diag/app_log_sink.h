#pragma once

#include <string>

#include "diag/error_record.h"
#include "ports/event_log.h"

namespace vestrel {

// The text of one application-log entry for a record.
std::string ComposeAppLogEntry(const ErrorRecord& record, const UserContext& context,
                               char decimalSeparator);

// Writes the record as one entry with its level's event type. On a failure it
// writes its own failure line instead and returns false; nothing escapes it.
bool LogEventToAppLog(const ErrorRecord& record, const UserContext& context, EventLog& eventLog,
                      char decimalSeparator);

}  // namespace vestrel
