#pragma once

// Starts a Windows program (the panel, the terminal simulator) in a folder of
// the test's choosing and waits for it by polling: a freshly started Wine
// server can take many seconds before a program is up, so nothing here
// sleeps a fixed time.
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "panel_automation.h"
#include "win32/windows_api.h"
// after windows.h, which it needs
#include <psapi.h>

namespace vestrel::e2e {

using namespace std::chrono_literals;

// Generous by default: a 32-bit program under emulation takes minutes to start.
inline constexpr std::chrono::milliseconds kStartTimeout = 600s;

// Polls the condition (every 50 ms unless told) until it holds or the time
// is up, handling the calling thread's window messages meanwhile.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
               std::chrono::milliseconds poll = 50ms);

// The path of a build product handed over by the test runner in an
// environment variable (a Unix path is mapped to Wine's Z: drive).
std::filesystem::path PathFromEnvironment(const char* variable);

// A fresh folder under the temporary folder, removed with its contents when
// the object goes.
class TempFolder {
 public:
  explicit TempFolder(const std::wstring& prefix);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// What the program's process holds in memory, in bytes.
struct ProcessMemory {
  std::size_t WorkingSet = 0;
  std::size_t PeakWorkingSet = 0;
  std::size_t PrivateBytes = 0;
};

class ProgramUnderTest {
 public:
  // Starts the program with the folder as its working folder; extra
  // environment variables are added to the test's own. With an output file,
  // the program's standard output and error go there.
  ProgramUnderTest(const std::filesystem::path& program, const std::filesystem::path& folder,
                   const std::vector<std::pair<std::wstring, std::wstring>>& environment = {},
                   const std::wstring& arguments = L"", const std::filesystem::path& output = {});
  // Ends the program if it still runs.
  ~ProgramUnderTest();
  ProgramUnderTest(const ProgramUnderTest&) = delete;
  ProgramUnderTest& operator=(const ProgramUnderTest&) = delete;

  DWORD ProcessId() const { return processId_; }
  bool Running() const;
  // Zero figures when the system cannot tell (the process has ended).
  ProcessMemory Memory() const;

  // The program's top-level window of that class (only a shown one if
  // asked), or nullptr.
  HWND TopLevelWindow(const wchar_t* className, bool shownOnly = false) const;
  // All of the program's top-level windows of that class, in z-order.
  std::vector<HWND> TopLevelWindows(const wchar_t* className, bool shownOnly = false) const;
  // The program's top-level window of that class, once it exists; nullptr
  // when it did not appear in time.
  HWND WaitForWindow(const wchar_t* className,
                     std::chrono::milliseconds timeout = kStartTimeout) const;
  // The exit code, or -1 when the program did not end in time.
  long WaitForExit(std::chrono::milliseconds timeout) const;

 private:
  HANDLE process_ = nullptr;
  DWORD processId_ = 0;
};

// Reading and clicking windows as an automation tool does.
using automation::WindowText;

}  // namespace vestrel::e2e
