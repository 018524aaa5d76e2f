#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace vestrel {

// The runtime errors the program raises, each number with its text: the
// one place both are written.
struct RuntimeError {
  std::int32_t Number;
  const char* Text;
};

namespace errors {
inline constexpr RuntimeError InvalidCall{5, "Invalid procedure call or argument"};
inline constexpr RuntimeError Overflow{6, "Overflow"};
inline constexpr RuntimeError OutOfMemory{7, "Out of memory"};
inline constexpr RuntimeError SubscriptOutOfRange{9, "Subscript out of range"};
inline constexpr RuntimeError TypeMismatch{13, "Type mismatch"};
inline constexpr RuntimeError DllLoad{48, "Error in loading DLL"};
inline constexpr RuntimeError FileNotFound{53, "File not found"};
inline constexpr RuntimeError DiskFull{61, "Disk full"};
inline constexpr RuntimeError PermissionDenied{70, "Permission denied"};
inline constexpr RuntimeError PathFileAccess{75, "Path/File access error"};
inline constexpr RuntimeError PathNotFound{76, "Path not found"};
inline constexpr RuntimeError CannotCreateObject{429, "ActiveX component can't create object"};
inline constexpr RuntimeError NoSuchProperty{438, "Object doesn't support this property or method"};
inline constexpr RuntimeError NoEntryPoint{453, "Can't find DLL entry point"};
}  // namespace errors

inline constexpr std::int32_t kErrInvalidCall = errors::InvalidCall.Number;
inline constexpr std::int32_t kErrOverflow = errors::Overflow.Number;
inline constexpr std::int32_t kErrOutOfMemory = errors::OutOfMemory.Number;
inline constexpr std::int32_t kErrSubscriptOutOfRange = errors::SubscriptOutOfRange.Number;
inline constexpr std::int32_t kErrTypeMismatch = errors::TypeMismatch.Number;

// Source carried by errors that start inside the program itself; the first
// handler they reach replaces it with its own name.
inline constexpr const char* kProgramSource = "Vestrel";

// The error that travels up the error chain.
class AppError : public std::runtime_error {
 public:
  AppError(std::int32_t number, std::string source, std::string description)
      : std::runtime_error(description),
        Number(number),
        Source(std::move(source)),
        Description(std::move(description)) {}

  std::int32_t Number;
  std::string Source;
  std::string Description;
};

// The error, from `source`; a detail, when given, follows its text after ": ".
inline AppError ErrorOf(const RuntimeError& error, std::string source = kProgramSource,
                        std::string_view detail = {}) {
  std::string description = error.Text;
  if (!detail.empty()) {
    description += ": ";
    description += detail;
  }
  return {error.Number, std::move(source), std::move(description)};
}

[[noreturn]] inline void Raise(const RuntimeError& error, std::string source = kProgramSource,
                               std::string_view detail = {}) {
  throw ErrorOf(error, std::move(source), detail);
}

// Errors raised by the program's own checks and conversions.
[[noreturn]] inline void RaiseOverflow() { Raise(errors::Overflow); }
[[noreturn]] inline void RaiseTypeMismatch() { Raise(errors::TypeMismatch); }
[[noreturn]] inline void RaiseSubscriptOutOfRange() { Raise(errors::SubscriptOutOfRange); }

}  // namespace vestrel
