#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "diag/error_record.h"
#include "ports/regional_settings.h"

namespace vestrel {

// The repeats of one record that were counted instead of written.
struct RepeatRun {
  ErrorRecord Record;
  std::int64_t Count = 0;
  LocalDateTime First;  // the first and last repeat
  LocalDateTime Last;
};

// Folds a flood of identical error records, so that a feed gone wrong can
// neither fill the disk nor stall the panel. The first three records of a run
// are written whole as they happen (a double click that fails twice shows
// twice); the same record again within the minute the run started is only
// counted, and the count is written as one record once the minute is over
// (seen at the next record or a flush) or the run is pushed out of the table.
// Records are compared whole (source chain, number, description, line, level
// and every parameter value), so two distinct errors are never folded. The
// table holds the most recently seen records, so the several records of one
// failure (one for each procedure its error passes through) fold too, and so
// do floods that alternate a few kinds of failure.
class RepeatFilter {
 public:
  static constexpr std::size_t kRecentRecords = 16;
  static constexpr int kWrittenWhole = 3;
  static constexpr std::int64_t kRunSeconds = 60;

  struct Verdict {
    // The record repeats one written three times in the last minute and was
    // counted.
    bool Repeat = false;
    // Runs that ended now, to be written before anything else.
    std::vector<RepeatRun> Ended;
  };

  Verdict Admit(const ErrorRecord& record, const LocalDateTime& now);
  // Ends the runs whose minute is over; returns those that counted repeats.
  std::vector<RepeatRun> TakeEnded(const LocalDateTime& now);
  // Ends every run; returns those that counted repeats.
  std::vector<RepeatRun> TakeAll();

 private:
  struct Entry {
    RepeatRun Run;
    std::int64_t StartSecond = 0;
    int Written = 1;
    std::uint64_t LastSeen = 0;
  };

  std::vector<Entry> entries_;
  std::uint64_t seen_ = 0;
};

}  // namespace vestrel
