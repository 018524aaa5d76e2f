#pragma once

// Reading and clicking a running panel as a hotkey tool does: through window
// messages to the controls its automation contract names by ID. Shared by
// panel-watch and the end-to-end tests.
#include <chrono>
#include <functional>
#include <string>
#include <vector>

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

// A key and the modifiers held with it.
struct KeyStroke {
  UINT VirtualKey = 0;
  bool Ctrl = false;
  bool Alt = false;
  bool Shift = false;
};

// Presses a key in the panel as a hotkey tool does: the key-down and key-up
// messages posted to the panel's focused control (or to the main window when
// no control has the focus), WM_SYSKEYDOWN with the Alt flag when Alt is
// held. Ctrl, Shift and Alt are held in the keyboard state the panel reads
// (the caller's input is attached to the panel's meanwhile) until done()
// says the press has had its effect, or the timeout has passed, since a
// posted message is handled later. Without modifiers it returns at once.
void PressKey(HWND mainWindow, const KeyStroke& key, const std::function<bool()>& done = {},
              std::chrono::milliseconds timeout = std::chrono::seconds(5));

// The lines of the panel's log window (its list box in the log window of the
// main window's process), oldest first; empty when it has
// none or does not answer in time.
std::vector<std::wstring> LogWindowLines(HWND mainWindow, UINT timeoutMs = kUntilAnswered);

// A list box's lines, first to last; empty when it has none or does not
// answer in time.
std::vector<std::wstring> ListLines(HWND list, UINT timeoutMs = kUntilAnswered);

// The ladder's rows (its list box, ID 1101) in the main window's process;
// nullptr without a ladder.
HWND LadderRows(HWND mainWindow);
// Posts a press and a release at the middle of a row of the ladder, in the
// third of its width given (0 buy, 1 price, 2 sell); false when there is no
// such row.
bool ClickLadderRow(HWND rows, int row, int third);

}  // namespace vestrel::automation
