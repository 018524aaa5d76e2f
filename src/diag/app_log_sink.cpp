#include "diag/app_log_sink.h"

#include "diag/current_error.h"
#include "diag/levels.h"
#include "diag/value_to_string.h"

namespace vestrel {
namespace {

constexpr const char* kLineBreak = "\r\n";

}  // namespace

std::string ComposeAppLogEntry(const ErrorRecord& record, const UserContext& context,
                               char decimalSeparator) {
  std::string text(DescribeLevel(record.Level).AppLogPrefix);
  text += record.AppName.empty() ? "UNKNOWN" : record.AppName;
  if (!record.Source.empty()) {
    text += ", SOURCE: " + record.Source;
  } else {
    text += ", SOURCE UNDEFINED";
  }
  if (record.Line != 0) {
    text += " IN LINE: " + std::to_string(record.Line) + ".";
  }
  if (record.Number != 0) {
    text += " ERROR =  " + std::to_string(record.Number);
    text +=
        record.Description.empty() ? "(description undefined)" : " (" + record.Description + ")";
  } else {
    text += ": " + record.Description;
  }
  if (!record.Params.empty()) {
    text += " ADDITIONAL PARAMS: ";
    text += kLineBreak;
    for (const ErrorParam& param : record.Params) {
      text += param.Name + " = " + ValueToString(param.Value, decimalSeparator) + kLineBreak;
    }
  }
  if (!context.UserName.empty() || !context.DBID.empty()) {
    text += std::string("USER CONTEXT: ") + kLineBreak;
    text += "UserName = " + context.UserName + kLineBreak;
    text += "DBID = " + context.DBID + kLineBreak;
  }
  return text;
}

bool LogEventToAppLog(const ErrorRecord& record, const UserContext& context, EventLog& eventLog,
                      char decimalSeparator) {
  int line = 1;
  try {
    const std::string text = ComposeAppLogEntry(record, context, decimalSeparator);
    line = 2;
    eventLog.Write(text, DescribeLevel(record.Level).Type);
    return true;
  } catch (...) {
    const AppError error = CurrentAppError();
    try {
      eventLog.Write("ERROR OCCURS IN LogInterface.LogEventToAppLog: (" +
                     std::to_string(error.Number) + ") " + error.Description + " in line " +
                     std::to_string(line));
    } catch (...) {
      // The event log itself is gone: there is nowhere left to report to.
    }
    return false;
  }
}

}  // namespace vestrel
