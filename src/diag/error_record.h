#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace vestrel {

// Marks a parameter value that is an array; its elements are never logged.
struct ArrayValue {
  bool operator==(const ArrayValue&) const = default;
};

// A recorded parameter's value: no value, integer, floating point, text or array.
using ParamValue = std::variant<std::monostate, std::int64_t, double, std::string, ArrayValue>;

struct ErrorParam {
  std::string Name;
  ParamValue Value;
};

// Severity levels of an ErrorRecord.
inline constexpr std::int32_t kLevelError = 1;
inline constexpr std::int32_t kLevelBusinessError = 2;
inline constexpr std::int32_t kLevelWarning = 3;
inline constexpr std::int32_t kLevelInfo = 4;
inline constexpr std::int32_t kLevelDebug = 5;
inline constexpr std::int32_t kLevelTime = 6;

struct ErrorRecord {
  std::string AppName;
  std::string Description;
  std::string Source;
  std::vector<ErrorParam> Params;
  std::int32_t Level = 0;
  std::int32_t Number = 0;
  std::int32_t Line = 0;
};

struct UserContext {
  std::string UserName;
  std::string DBID;
};

}  // namespace vestrel
