#pragma once

#include <string>

#include "ports/event_log.h"
#include "win32/unique_handle.h"

namespace vestrel::win32 {

// The application event log under the source "Vestrel". When the environment
// variable VESTREL_EVENT_LOG_MIRROR names a file, every entry is also appended
// there as one JSON line, {"type": 4, "text": "..."}, flushed before Write
// returns: Wine keeps no readable event log, and tests and support read this.
class Win32EventLog : public EventLog {
 public:
  Win32EventLog();

  void Write(std::string_view text, EventType type) override;

 private:
  UniqueHandle<HANDLE, DeregisterEventSource> source_;
  std::wstring mirrorPath_;
};

// The JSON line the mirror file receives for one entry (without line break).
std::string EventLogMirrorLine(std::string_view text, EventType type);

}  // namespace vestrel::win32
