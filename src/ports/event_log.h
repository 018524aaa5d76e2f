#pragma once

#include <string_view>

namespace vestrel {

enum class EventType { Error = 1, Warning = 2, Information = 4 };

// The platform's application event log. An entry written without an explicit
// type is information.
class EventLog {
 public:
  virtual ~EventLog() = default;
  virtual void Write(std::string_view text, EventType type = EventType::Information) = 0;
};

}  // namespace vestrel
