#pragma once

#include <string>

#include "diag/error_record.h"
#include "ports/event_log.h"
#include "ports/file_system.h"
#include "ports/regional_settings.h"

namespace vestrel {

// Name of the day's log file, "yymmdd.log".
std::string DailyLogFileName(const LocalDateTime& day);

// Appends the record as a block of labelled lines to the day's file in the
// "Zel_Project" folder under the user's application-data folder, and deletes
// the files of the days 35 to 15 back. Returns false, after writing its own
// failure line to the event log, when the file could not be opened or written.
// The file is closed on every path.
bool LogEventToTextFile(const ErrorRecord& record, const UserContext& context, FileSystem& files,
                        const RegionalSettings& regional, EventLog& eventLog);

}  // namespace vestrel
