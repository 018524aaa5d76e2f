#include "win32/price_button_paint.h"

#include <string>

#include "win32/main_window_controls.h"
#include "win32/text_encoding.h"
#include "win32/unique_handle.h"

namespace vestrel::win32 {

ButtonPaint PaintFor(ControlLook look, COLORREF live) {
  switch (look) {
    case ControlLook::Stale:
      return {RGB(200, 200, 200), RGB(64, 64, 64), true, true};
    case ControlLook::Disconnected:
      return {RGB(56, 56, 56), RGB(255, 255, 255), true, false};
    case ControlLook::Live:
      break;
  }
  return {live, GetSysColor(COLOR_BTNTEXT), false, false};
}

void DrawPriceButton(const DRAWITEMSTRUCT& item, const MainWindowModel& model, HFONT font,
                     const ScreenScale& scale) {
  const auto id = static_cast<ControlId>(item.CtlID);
  RECT area = item.rcItem;
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  const COLORREF own = ToColorRef(model.BackColor(id));
  const ButtonPaint paint = PaintFor(model.Look(id), own);
  FillRect(item.hDC, &area, UniqueBrush(CreateSolidBrush(paint.Fill)).get());
  if (paint.Hatched) {
    // Fine diagonal lines across the whole face: the book has stopped.
    SetBkMode(item.hDC, TRANSPARENT);
    FillRect(item.hDC, &area,
             UniqueBrush(CreateHatchBrush(HS_BDIAGONAL, RGB(168, 168, 168))).get());
  }
  if (paint.Stripe) {
    RECT stripe = area;
    stripe.right = stripe.left + scale.FromDefault(8);
    FillRect(item.hDC, &stripe, UniqueBrush(CreateSolidBrush(own)).get());
  }
  DrawEdge(item.hDC, &area, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  if (pressed) {
    OffsetRect(&area, 1, 1);
  }
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC,
               (item.itemState & ODS_DISABLED) != 0 ? GetSysColor(COLOR_GRAYTEXT) : paint.Text);
  {
    const SelectionScope fontSelected(item.hDC, font);
    const std::wstring caption = Utf8ToWide(model.Caption(id));
    DrawTextW(item.hDC, caption.c_str(), static_cast<int>(caption.size()), &area,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  if ((item.itemState & ODS_FOCUS) != 0) {
    RECT focus = item.rcItem;
    InflateRect(&focus, -scale.FromDefault(4), -scale.FromDefault(4));
    DrawFocusRect(item.hDC, &focus);
  }
}

}  // namespace vestrel::win32
