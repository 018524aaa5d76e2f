#pragma once

// Reading and clicking a running panel as a hotkey tool does: through window
// messages to the controls its automation contract names by ID. Shared by
// panel-watch and the end-to-end tests.
#include <string>

#include "win32/windows_api.h"

namespace vestrel::automation {

// Waits this long for a busy window to answer, or until it answers.
inline constexpr UINT kUntilAnswered = INFINITE;

// The window's text, through WM_GETTEXT as any automation tool reads it;
// empty when the window does not answer in time or has hung.
std::wstring WindowText(HWND window, UINT timeoutMs = kUntilAnswered);

// The caption of a control of the main window, by its ID.
std::wstring Caption(HWND mainWindow, int controlId, UINT timeoutMs = kUntilAnswered);

// Clicks a button (BM_CLICK); returns once the click has been handled, or
// when the time is up (a message box the click opened keeps it busy).
void Click(HWND mainWindow, int controlId, UINT timeoutMs = kUntilAnswered);

// Whether the control front lies above back in the z-order: how the panel
// shows which indicator circle is in front.
bool ShapeInFront(HWND mainWindow, int front, int back);

}  // namespace vestrel::automation
