// bare_window.exe: the least a Win32 program does before its window is on
// the screen (register a class, create one top-level window, show it, run the
// message loop), as the yardstick of the panel's start-up time.
//
//   bare_window.exe [--seconds N]
//
// Ends when its window is closed, after N seconds when given, or when killed.
// Exit codes: 0 ended normally, 1 the window could not be made, 2 bad arguments.
#include <cstdio>

#include "bare_program.h"

int WINAPI wWinMain(HINSTANCE module, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int show) {
  double seconds = 0;
  if (!vestrel::bench::ParseArguments(seconds)) {
    std::fputs("usage: bare_window.exe [--seconds N]\n", stderr);
    return 2;
  }
  const HWND window =
      vestrel::bench::CreateBareWindow(module, L"VestrelBareWindow", L"bare window", seconds);
  if (window == nullptr) {
    return 1;
  }
  ShowWindow(window, show);
  UpdateWindow(window);
  vestrel::bench::RunMessageLoop();
  return 0;
}
