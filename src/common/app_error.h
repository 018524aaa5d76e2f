#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vestrel {

// Runtime error numbers the system raises itself.
inline constexpr std::int32_t kErrInvalidCall = 5;
inline constexpr std::int32_t kErrOverflow = 6;
inline constexpr std::int32_t kErrOutOfMemory = 7;
inline constexpr std::int32_t kErrSubscriptOutOfRange = 9;
inline constexpr std::int32_t kErrTypeMismatch = 13;

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

// Errors raised by the program's own checks and conversions.
[[noreturn]] inline void RaiseOverflow() {
  throw AppError(kErrOverflow, kProgramSource, "Overflow");
}
[[noreturn]] inline void RaiseTypeMismatch() {
  throw AppError(kErrTypeMismatch, kProgramSource, "Type mismatch");
}
[[noreturn]] inline void RaiseSubscriptOutOfRange() {
  throw AppError(kErrSubscriptOutOfRange, kProgramSource, "Subscript out of range");
}

}  // namespace vestrel
