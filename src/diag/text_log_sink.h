#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "diag/error_record.h"
#include "ports/event_log.h"
#include "ports/file_system.h"
#include "ports/regional_settings.h"

namespace vestrel {

// Name of the day's log file, "yymmdd.log".
std::string DailyLogFileName(const LocalDateTime& day);

// The daily text log: each record is appended as a block of labelled lines
// to the day's file in the "Zel_Project" folder under the user's
// application-data folder. The file is opened and closed for every record, so
// a record written is on disk. The first record of each day also looks up the
// application-data folder and deletes the files of the days 35 to 15 back;
// later records that day reuse the folder and delete nothing.
class TextLogSink {
 public:
  TextLogSink(FileSystem& files, const RegionalSettings& regional, EventLog& eventLog)
      : files_(files), regional_(regional), eventLog_(eventLog) {}

  // Returns false, after writing its own failure line to the event log, when
  // the file could not be opened or written. The file is closed on every path.
  bool Write(const ErrorRecord& record, const UserContext& context);

 private:
  void PruneOldFiles(const std::string& folder, const LocalDateTime& now);

  FileSystem& files_;
  const RegionalSettings& regional_;
  EventLog& eventLog_;
  // The application-data folder, as looked up on the day below.
  std::string appData_;
  std::optional<std::chrono::sys_days> housekeptDay_;
};

}  // namespace vestrel
