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

// A notice reports on something that goes on regardless (start-up, a
// feature left off, the connection's state): one that cannot be written is
// dropped rather than stopping what it reports on.
inline void WriteNotice(EventLog& log, std::string_view text, EventType type) noexcept {
  try {
    log.Write(text, type);
  } catch (...) {
    // Nowhere else to say it; the notice's subject carries on.
  }
}

inline void WriteWarning(EventLog& log, std::string_view text) noexcept {
  WriteNotice(log, text, EventType::Warning);
}

}  // namespace vestrel
