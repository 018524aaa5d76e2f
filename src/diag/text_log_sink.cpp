#include "diag/text_log_sink.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <memory>

#include "diag/current_error.h"
#include "diag/levels.h"
#include "diag/value_to_string.h"

namespace vestrel {
namespace {

constexpr const char* kLogFolderName = "Zel_Project";
constexpr int kNewestPrunedDay = 15;
constexpr int kOldestPrunedDay = 35;
constexpr std::size_t kSeparatorRowLength = 105;
// Step number reported when a line cannot be written; the opening steps are 20 to 80.
constexpr int kWritingStep = 90;

LocalDateTime DaysBefore(const LocalDateTime& when, int days) {
  using namespace std::chrono;
  const year_month_day date{year{when.Year}, month{static_cast<unsigned>(when.Month)},
                            day{static_cast<unsigned>(when.Day)}};
  const year_month_day earlier{sys_days{date} - std::chrono::days{days}};
  LocalDateTime result = when;
  result.Year = static_cast<int>(earlier.year());
  result.Month = static_cast<int>(static_cast<unsigned>(earlier.month()));
  result.Day = static_cast<int>(static_cast<unsigned>(earlier.day()));
  return result;
}

void WriteBlock(AppendFile& file, const ErrorRecord& record, const UserContext& context,
                const std::string& now, char decimalSeparator) {
  file.WriteLine(now + " : " + record.Description + " (" + std::to_string(record.Number) + ")");
  file.WriteLine("Критичность: " + std::string(DescribeLevel(record.Level).TextLogName));
  file.WriteLine("");
  file.WriteLine("Событие в " + record.Source + " на строке " + std::to_string(record.Line));
  file.WriteLine("");
  file.WriteLine("User: " + context.UserName);
  file.WriteLine("DB: " + context.DBID);
  file.WriteLine("");
  file.WriteLine("Параметры:");
  for (const ErrorParam& param : record.Params) {
    file.WriteLine(param.Name + ": " + ValueToString(param.Value, decimalSeparator));
  }
  file.WriteLine(std::string(kSeparatorRowLength, '*'));
  file.WriteLine("");
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

bool LogEventToTextFile(const ErrorRecord& record, const UserContext& context, FileSystem& files,
                        const RegionalSettings& regional, EventLog& eventLog) {
  const LocalDateTime now = regional.Now();
  const std::string separator(1, files.PathSeparator());
  int step = 20;
  std::string folder;
  std::unique_ptr<AppendFile> file;
  try {
    step = 30;
    const std::string appData = files.AppDataFolder();
    step = 50;
    folder = appData + separator + kLogFolderName;
    step = 60;
    if (!files.FolderExists(folder)) {
      files.CreateFolder(folder);
    }
    step = 80;
    file = files.OpenForAppend(folder + separator + DailyLogFileName(now));
  } catch (...) {
    ReportFailure(eventLog, step);
    return false;
  }

  for (int back = kOldestPrunedDay; back >= kNewestPrunedDay; --back) {
    try {
      files.DeleteFile(folder + separator + DailyLogFileName(DaysBefore(now, back)));
    } catch (...) {
      // Housekeeping failures are ignored one by one.
    }
  }

  try {
    WriteBlock(*file, record, context, regional.GeneralDate(now), regional.DecimalSeparator());
  } catch (...) {
    ReportFailure(eventLog, kWritingStep);
    return false;
  }
  return true;
}

}  // namespace vestrel
