#pragma once

#include "settings/key_chord.h"
#include "win32/windows_api.h"
#include "window_rules/panel_input.h"

namespace vestrel::win32 {

// The chord of a key-down message as the trader pressed it: the modifiers
// from the keyboard's state when the message is handled, Alt also from the
// message itself (the system marks a key pressed with Alt).
KeyChord ChordOf(const MSG& message);

// Whether a key-down message repeats a key held down.
bool IsAutoRepeat(const MSG& message);

// The chord of a WM_HOTKEY message: the modifiers in lParam's low word, the
// key in its high word.
KeyChord ChordOfHotkey(LPARAM lParam);

// What a WM_SIZE's wParam says happened to the window.
PanelInput::SizeKind SizeKindOf(WPARAM wParam);

}  // namespace vestrel::win32
