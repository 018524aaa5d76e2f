#pragma once

#include "win32/windows_api.h"

namespace vestrel::win32 {

inline constexpr const wchar_t* kMainWindowClass = L"VestrelMain";

// Creates the main window and runs the message loop until it closes; returns
// the program's exit code.
int RunPanel(HINSTANCE instance, int show);

}  // namespace vestrel::win32
