#pragma once

// What the two bare yardstick programs share: a top-level window whose
// closing, or a --seconds timer, ends the program, and the message loop.
#include <string>

#include "win32/windows_api.h"

namespace vestrel::bench {

// The command line's "--seconds N" (N > 0) and, where service is given,
// "--service NAME"; what is absent stays as it was. False on anything else.
// Read by hand, not through the tools' command-line library: the bare
// programs are start-up yardsticks, and that library's static set-up would
// be timed as theirs.
bool ParseArguments(double& seconds, std::wstring* service = nullptr);

// Registers the class and creates its window, not yet shown, which ends the
// program after seconds (0: only when closed); nullptr when it could not.
HWND CreateBareWindow(HINSTANCE module, const wchar_t* className, const wchar_t* title,
                      double seconds);

// Runs the thread's message loop until the window has gone.
void RunMessageLoop();

}  // namespace vestrel::bench
