#include "harness/program_under_test.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace vestrel::e2e {

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
               std::chrono::milliseconds poll) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
    // Our own windows (a DDE client's among them) answer while we wait: a
    // program under test that broadcasts to every window must not hang on us.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      DispatchMessageW(&message);
    }
    std::this_thread::sleep_for(poll);
  }
  return true;
}

std::filesystem::path PathFromEnvironment(const char* variable) {
  const char* value = std::getenv(variable);
  if (value == nullptr || *value == '\0') {
    throw std::runtime_error(std::string("the test runner did not set ") + variable);
  }
  std::string path = value;
  if (path.front() == '/') {
    path = "Z:" + path;
  }
  for (char& c : path) {
    if (c == '/') {
      c = '\\';
    }
  }
  return std::filesystem::path(path);
}

TempFolder::TempFolder(const std::wstring& prefix) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  path_ = std::filesystem::path(temp) / (prefix + L"-" + std::to_wstring(GetCurrentProcessId()) +
                                         L"-" + std::to_wstring(GetTickCount()));
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

ProgramUnderTest::ProgramUnderTest(
    const std::filesystem::path& program, const std::filesystem::path& folder,
    const std::vector<std::pair<std::wstring, std::wstring>>& environment,
    const std::wstring& arguments, const std::filesystem::path& output) {
  for (const auto& [name, value] : environment) {
    SetEnvironmentVariableW(name.c_str(), value.c_str());
  }
  std::wstring commandLine = L"\"" + program.wstring() + L"\"";
  if (!arguments.empty()) {
    commandLine += L" " + arguments;
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  HANDLE outputFile = INVALID_HANDLE_VALUE;
  if (!output.empty()) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    outputFile =
        CreateFileW(output.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (outputFile == INVALID_HANDLE_VALUE) {
      throw std::runtime_error("cannot create " + output.string());
    }
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = outputFile;
    startup.hStdError = outputFile;
  }
  PROCESS_INFORMATION started{};
  BOOL ok = FALSE;
  // Wine now and then refuses a start with ERROR_INTERNAL_ERROR on a loaded
  // machine (seen once in a full run: the fourth start of termsim in a row);
  // the same start a moment later goes through.
  for (int attempt = 0; attempt < 3; ++attempt) {
    ok = CreateProcessW(program.wstring().c_str(), commandLine.data(), nullptr, nullptr,
                        outputFile != INVALID_HANDLE_VALUE, 0, nullptr, folder.wstring().c_str(),
                        &startup, &started);
    if (ok || GetLastError() != ERROR_INTERNAL_ERROR) {
      break;
    }
    Sleep(250);
  }
  if (outputFile != INVALID_HANDLE_VALUE) {
    CloseHandle(outputFile);
  }
  for (const auto& [name, value] : environment) {
    SetEnvironmentVariableW(name.c_str(), nullptr);
  }
  if (!ok) {
    throw std::runtime_error("could not start " + program.string() + ": error " +
                             std::to_string(GetLastError()));
  }
  CloseHandle(started.hThread);
  process_ = started.hProcess;
  processId_ = started.dwProcessId;
}

ProgramUnderTest::~ProgramUnderTest() {
  if (Running()) {
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 10000);
  }
  CloseHandle(process_);
}

bool ProgramUnderTest::Running() const { return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

ProcessMemory ProgramUnderTest::Memory() const {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  if (GetProcessMemoryInfo(process_, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                           sizeof counters) == FALSE) {
    return {};
  }
  // The commit charge: PrivateUsage on Windows, which Wine leaves at zero for
  // another process while it fills PagefileUsage, the same figure.
  return {counters.WorkingSetSize, counters.PeakWorkingSetSize,
          std::max<std::size_t>(counters.PrivateUsage, counters.PagefileUsage)};
}

namespace {

struct WindowSearch {
  DWORD processId;
  const wchar_t* className;
  bool shownOnly;
  std::vector<HWND> found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
  auto& search = *reinterpret_cast<WindowSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search.processId || (search.shownOnly && IsWindowVisible(window) == FALSE)) {
    return TRUE;
  }
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (std::wstring_view(name) == search.className) {
    search.found.push_back(window);
  }
  return TRUE;
}

}  // namespace

std::vector<HWND> ProgramUnderTest::TopLevelWindows(const wchar_t* className,
                                                    bool shownOnly) const {
  WindowSearch search{processId_, className, shownOnly, {}};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND ProgramUnderTest::TopLevelWindow(const wchar_t* className, bool shownOnly) const {
  const std::vector<HWND> windows = TopLevelWindows(className, shownOnly);
  return windows.empty() ? nullptr : windows.front();
}

HWND ProgramUnderTest::WaitForWindow(const wchar_t* className,
                                     std::chrono::milliseconds timeout) const {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        found = TopLevelWindow(className);
        return found != nullptr || !Running();
      },
      timeout);
  return found;
}

long ProgramUnderTest::WaitForExit(std::chrono::milliseconds timeout) const {
  if (WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
    return -1;
  }
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return static_cast<long>(code);
}

}  // namespace vestrel::e2e
