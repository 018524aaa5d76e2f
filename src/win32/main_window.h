#pragma once

#include "contract/automation_contract.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {

using contract::kMainWindowClass;

// Creates the main window and runs the message loop until it closes; returns
// the program's exit code.
int RunPanel(HINSTANCE instance, int show);

}  // namespace vestrel::win32
