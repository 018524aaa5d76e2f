#pragma once

#include "contract/automation_contract.h"
#include "models/main_window_model.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {

// The window classes of the main window's own controls (the indicator
// circles and the tray picture box) and the text of its buttons and labels.
using contract::kPictureClass;
using contract::kShapeClass;

// What the tray picture box sends the main window for each tray mouse message
// (lParam: the message).
inline constexpr UINT kTrayMessage = WM_APP + 1;

// Registers the classes of the indicator circles and the tray picture box;
// call once at start.
void RegisterControlClasses(HINSTANCE instance);

// Makes a button or label answer WM_GETTEXT from the model of its parent
// (whose GWLP_USERDATA holds it), so whoever reads the text (a hotkey tool, a
// screen reader) gets the caption of the last book at once, while the
// control's own copy, which it paints from, follows with the next repaint
// round.
void AnswerTextFromModel(HWND control);

// The model's colour as GDI takes it (system colours resolved).
COLORREF ToColorRef(OleColor color);

// The indicator's circle in its control's area: as wide as the area's smaller
// side, centred.
RECT CircleInside(const RECT& area);

}  // namespace vestrel::win32
