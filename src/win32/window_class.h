#pragma once

#include "win32/windows_api.h"

namespace vestrel::win32 {

// Registers one of the program's top-level window classes, once: the arrow
// cursor, a system colour as background, and the program's icon for the task
// bar and the caption (the system's application icon where the program has
// none). False, with the system's error, when it could not be registered.
bool RegisterProgramWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure,
                                int backgroundColor, int windowExtraBytes = 0);

}  // namespace vestrel::win32
