#include "win32/win32_event_log.h"

#include "common/json_string.h"
#include "win32/environment.h"
#include "win32/text_encoding.h"
#include "win32/win32_error.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {

std::string EventLogMirrorLine(std::string_view text, EventType type) {
  std::string line = "{\"type\": " + std::to_string(static_cast<int>(type)) + ", \"text\": ";
  AppendJsonString(line, text);
  line += '}';
  return line;
}

Win32EventLog::Win32EventLog()
    : source_(RegisterEventSourceW(nullptr, L"Vestrel")),
      mirrorPath_(EnvironmentValue(L"VESTREL_EVENT_LOG_MIRROR")) {}

void Win32EventLog::Write(std::string_view text, EventType type) {
  if (!mirrorPath_.empty()) {
    const std::string line = EventLogMirrorLine(text, type) + "\n";
    const UniqueKernelHandle file = KernelHandle(
        CreateFileW(mirrorPath_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
      RaiseLastError();
    }
    DWORD written = 0;
    if (!WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr)) {
      RaiseLastError();
    }
  }
  if (!source_) {
    RaiseLastError();
  }
  const std::wstring wide = Utf8ToWide(text);
  const wchar_t* strings[] = {wide.c_str()};
  if (!ReportEventW(source_.get(), static_cast<WORD>(type), 0, 0, nullptr, 1, 0, strings,
                    nullptr)) {
    RaiseLastError();
  }
}

}  // namespace vestrel::win32
