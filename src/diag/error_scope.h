#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "common/app_error.h"
#include "diag/current_error.h"
#include "diag/error_record.h"
#include "diag/log_dispatcher.h"

namespace vestrel {

namespace detail {

template <class T>
struct IsVector : std::false_type {};
template <class T, class A>
struct IsVector<std::vector<T, A>> : std::true_type {};
template <class T>
struct IsSpan : std::false_type {};
template <class T, std::size_t N>
struct IsSpan<std::span<T, N>> : std::true_type {};

template <class T>
ParamValue ToParamValue(const T& value) {
  if constexpr (std::is_same_v<T, bool>) {
    return std::string(value ? "True" : "False");
  } else if constexpr (std::is_integral_v<T> || std::is_enum_v<T>) {
    return static_cast<std::int64_t>(value);
  } else if constexpr (std::is_floating_point_v<T>) {
    return static_cast<double>(value);
  } else if constexpr (std::is_convertible_v<const T&, std::string_view>) {
    return std::string(std::string_view(value));
  } else if constexpr (IsVector<T>::value || IsSpan<T>::value || std::is_array_v<T>) {
    return ArrayValue{};
  } else {
    static_assert(std::is_same_v<T, std::optional<typename T::value_type>>,
                  "unsupported parameter type");
    return value ? ToParamValue(*value) : ParamValue{};
  }
}

}  // namespace detail

// A procedure's parameter, read only when an error is recorded, so the record
// holds the value at the moment of failure.
class ParamRef {
 public:
  template <class T>
  ParamRef(const char* name, const T& value) : name_(name), value_(&value), read_(&Read<T>) {}

  ErrorParam Capture() const { return {name_, read_(value_)}; }

 private:
  template <class T>
  static ParamValue Read(const void* value) {
    return detail::ToParamValue(*static_cast<const T*>(value));
  }

  const char* name_;
  const void* value_;
  ParamValue (*read_)(const void*);
};

// Fills and logs the record for the error being handled and returns the error
// to pass on, with the procedure's name appended to its source chain.
// Call only inside a catch block.
AppError RecordCurrentError(LogDispatcher& log, std::string_view source, std::int32_t line,
                            std::span<const ParamRef> params);

// The error handler every procedure with a handler uses. A procedure names
// itself and its parameters once, marks its steps in Line, and runs its body
// through PassOn (log, then re-raise with its name appended) or Stop (log and
// end the chain there):
//
//   ErrorScope scope(log, "Vestrel.frmMain.SendTrans", ParamRef("strTrans", strTrans));
//   return scope.PassOn([&] { scope.Line = 1; ... });
template <std::size_t N>
class ErrorScope {
 public:
  template <class... Params>
  ErrorScope(LogDispatcher& log, const char* source, Params... params)
      : log_(log), source_(source), params_{params...} {}

  // The statement executing now; 0 where the procedure marks none.
  std::int32_t Line = 0;

  template <class Body>
  decltype(auto) PassOn(Body&& body) {
    try {
      return body();
    } catch (...) {
      AppError error = RecordCurrentError(log_, source_, Line, params_);
      if (error.Number != 0) {
        throw std::move(error);
      }
    }
    using Result = decltype(body());
    if constexpr (!std::is_void_v<Result>) {
      return Result{};
    }
  }

  // Returns true when the body ran to its end, false when it failed and the
  // failure was logged.
  template <class Body>
  bool Stop(Body&& body) {
    try {
      body();
      return true;
    } catch (...) {
      RecordCurrentError(log_, source_, Line, params_);
      return false;
    }
  }

 private:
  LogDispatcher& log_;
  const char* source_;
  std::array<ParamRef, N> params_;
};

template <class... Params>
ErrorScope(LogDispatcher&, const char*, Params...) -> ErrorScope<sizeof...(Params)>;

}  // namespace vestrel
