#pragma once

// What the two bare yardstick programs share: a top-level window whose
// closing, or a --seconds timer, ends the program, and the message loop.
#include "win32/windows_api.h"

namespace vestrel::bench {

// The command line's "--seconds N" (N > 0), or nothing (seconds stays 0);
// false on anything else.
bool ParseSecondsArgument(double& seconds);

// Registers the class and creates its window, not yet shown, which ends the
// program after seconds (0: only when closed); nullptr when it could not.
HWND CreateBareWindow(HINSTANCE module, const wchar_t* className, const wchar_t* title,
                      double seconds);

// Runs the thread's message loop until the window has gone.
void RunMessageLoop();

}  // namespace vestrel::bench
