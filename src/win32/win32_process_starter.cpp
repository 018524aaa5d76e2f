#include "win32/win32_process_starter.h"

#include "win32/text_encoding.h"
#include "win32/unique_handle.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {

bool Win32ProcessStarter::Start(const std::string& programPath) {
  std::string path = programPath;
  // A path written in quotes names the same program.
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') {
    path = path.substr(1, path.size() - 2);
  }
  // A NUL would cut the path short and name another program.
  if (path.empty() || path.find('\0') != std::string::npos) {
    return false;
  }
  const std::wstring program = Utf8ToWide(path);
  std::wstring commandLine = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                     nullptr, &startup, &process) == FALSE) {
    return false;
  }
  // The new program may take the foreground from us.
  AllowSetForegroundWindow(process.dwProcessId);
  const UniqueKernelHandle thread(process.hThread);
  const UniqueKernelHandle started(process.hProcess);
  return true;
}

bool Win32ProcessStarter::FileExists(const std::string& path) {
  if (path.find('\0') != std::string::npos) {
    return false;
  }
  const DWORD attributes = GetFileAttributesW(Utf8ToWide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace vestrel::win32
