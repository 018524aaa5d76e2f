#include "diag/error_scope.h"

#include <algorithm>
#include <cctype>

namespace vestrel {
namespace {

bool IsProgramSource(std::string_view source) {
  const std::string_view program = kProgramSource;
  return std::equal(source.begin(), source.end(), program.begin(), program.end(),
                    [](char a, char b) {
                      return std::tolower(static_cast<unsigned char>(a)) ==
                             std::tolower(static_cast<unsigned char>(b));
                    });
}

}  // namespace

AppError RecordCurrentError(LogDispatcher& log, std::string_view source, std::int32_t line,
                            std::span<const ParamRef> params) {
  const AppError error = CurrentAppError();
  ErrorRecord record;
  record.Description = error.Description;
  if (error.Source.empty() || IsProgramSource(error.Source)) {
    record.Source = std::string(source);
  } else {
    record.Source = error.Source + "->" + std::string(source);
  }
  record.Level = kLevelError;
  record.Line = line;
  record.Number = error.Number;
  record.Params.reserve(params.size());
  for (const ParamRef& param : params) {
    record.Params.push_back(param.Capture());
  }
  log.Dispatch(record);
  return {record.Number, record.Source, record.Description};
}

}  // namespace vestrel
