#pragma once

#include "models/main_window_model.h"
#include "win32/screen_scale.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {

// How a price button is painted in each look. A live button shows its own
// colour; the stale and disconnected looks are grey, light and dark, so they
// cannot be taken for red or green or for each other, with a stripe of the
// button's colour along the left edge so the side stays known.
struct ButtonPaint {
  COLORREF Fill;
  COLORREF Text;
  bool Stripe;
  bool Hatched;
};

ButtonPaint PaintFor(ControlLook look, COLORREF live);

// WM_DRAWITEM of an owner-drawn price button: the look, the caption in the
// price font, the edge and the focus.
void DrawPriceButton(const DRAWITEMSTRUCT& item, const MainWindowModel& model, HFONT font,
                     const ScreenScale& scale);

}  // namespace vestrel::win32
