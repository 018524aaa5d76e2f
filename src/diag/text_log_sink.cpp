#include "diag/text_log_sink.h"

#include <array>
#include <cstdio>
#include <memory>

#include "diag/current_error.h"
#include "diag/levels.h"
#include "diag/local_calendar.h"
#include "diag/value_to_string.h"

namespace vestrel {
namespace {

constexpr const char* kLogFolderName = "Zel_Project";
constexpr const char* kLineBreak = "\r\n";
constexpr int kNewestPrunedDay = 15;
constexpr int kOldestPrunedDay = 35;
constexpr std::size_t kSeparatorRowLength = 105;
// Step number reported when the block cannot be written; the opening steps are 20 to 80.
constexpr int kWritingStep = 90;

// The record's block of lines, without the line break after its last (empty)
// line: the file adds that when the block is written as one piece.
std::string ComposeBlock(const ErrorRecord& record, const UserContext& context,
                         const std::string& now, char decimalSeparator) {
  std::string block;
  auto line = [&](const std::string& text) { block += text + kLineBreak; };
  line(now + " : " + record.Description + " (" + std::to_string(record.Number) + ")");
  line("Критичность: " + std::string(DescribeLevel(record.Level).TextLogName));
  line("");
  line("Событие в " + record.Source + " на строке " + std::to_string(record.Line));
  line("");
  line("User: " + context.UserName);
  line("DB: " + context.DBID);
  line("");
  line("Параметры:");
  for (const ErrorParam& param : record.Params) {
    line(param.Name + ": " + ValueToString(param.Value, decimalSeparator));
  }
  line(std::string(kSeparatorRowLength, '*'));
  return block;
}

void ReportFailure(EventLog& eventLog, int step) {
  const AppError error = CurrentAppError();
  try {
    eventLog.Write("Error occurs in LogInterface.LogEventToTextFile no line " +
                   std::to_string(step) + ": " + error.Description);
  } catch (...) {
    // The event log is gone as well: nothing is left to report to.
  }
}

}  // namespace

std::string DailyLogFileName(const LocalDateTime& day) {
  std::array<char, 16> name{};
  std::snprintf(name.data(), name.size(), "%02d%02d%02d.log", day.Year % 100, day.Month, day.Day);
  return name.data();
}

bool TextLogSink::Write(const ErrorRecord& record, const UserContext& context) {
  const LocalDateTime now = regional_.Now();
  const bool newDay = housekeptDay_ != DayOf(now);
  const std::string separator(1, files_.PathSeparator());
  int step = 20;
  std::string folder;
  std::unique_ptr<AppendFile> file;
  try {
    step = 30;
    if (newDay) {
      appData_ = files_.AppDataFolder();
    }
    step = 50;
    folder = appData_ + separator + kLogFolderName;
    step = 60;
    if (!files_.FolderExists(folder)) {
      files_.CreateFolder(folder);
    }
    step = 80;
    file = files_.OpenForAppend(folder + separator + DailyLogFileName(now));
  } catch (...) {
    ReportFailure(eventLog_, step);
    return false;
  }

  if (newDay) {
    PruneOldFiles(folder, now);
    housekeptDay_ = DayOf(now);
  }

  try {
    file->WriteLine(
        ComposeBlock(record, context, regional_.GeneralDate(now), regional_.DecimalSeparator()));
  } catch (...) {
    ReportFailure(eventLog_, kWritingStep);
    return false;
  }
  return true;
}

void TextLogSink::PruneOldFiles(const std::string& folder, const LocalDateTime& now) {
  const std::string separator(1, files_.PathSeparator());
  for (int back = kOldestPrunedDay; back >= kNewestPrunedDay; --back) {
    try {
      files_.DeleteFile(folder + separator + DailyLogFileName(DaysBefore(now, back)));
    } catch (...) {
      // Housekeeping failures are ignored one by one.
    }
  }
}

}  // namespace vestrel
