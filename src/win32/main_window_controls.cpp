#include "win32/main_window_controls.h"

#include <algorithm>
#include <string>

#include "win32/screen_scale.h"
#include "win32/text_encoding.h"
#include "win32/unique_handle.h"

namespace vestrel::win32 {
namespace {

MainWindowModel* ModelOf(HWND control) {
  return reinterpret_cast<MainWindowModel*>(GetWindowLongPtrW(GetParent(control), GWLP_USERDATA));
}

LRESULT CALLBACK CaptionedControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(control, GWLP_USERDATA));
  if (message == WM_GETTEXT || message == WM_GETTEXTLENGTH) {
    const MainWindowModel* model = ModelOf(control);
    const auto id = static_cast<ControlId>(GetDlgCtrlID(control));
    if (model != nullptr) {
      const std::wstring caption = Utf8ToWide(model->Caption(id));
      if (message == WM_GETTEXTLENGTH) {
        return static_cast<LRESULT>(caption.size());
      }
      if (wParam == 0) {
        return 0;
      }
      const std::size_t copied = std::min<std::size_t>(caption.size(), wParam - 1);
      auto* buffer = reinterpret_cast<wchar_t*>(lParam);
      caption.copy(buffer, copied);
      buffer[copied] = L'\0';
      return static_cast<LRESULT>(copied);
    }
  }
  return CallWindowProcW(original, control, message, wParam, lParam);
}

void PaintShape(HWND shape, HDC dc) {
  RECT area;
  GetClientRect(shape, &area);
  FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
  const MainWindowModel* model = ModelOf(shape);
  const COLORREF fill =
      model != nullptr ? ToColorRef(model->BackColor(static_cast<ControlId>(GetDlgCtrlID(shape))))
                       : GetSysColor(COLOR_BTNFACE);
  const UniqueBrush brush(CreateSolidBrush(fill));
  const SelectionScope brushSelected(dc, brush.get());
  const SelectionScope penSelected(dc, GetStockObject(BLACK_PEN));
  const RECT circle = CircleInside(area);
  Ellipse(dc, circle.left, circle.top, circle.right, circle.bottom);
}

// A filled circle in its BackColor; its window text stays empty.
LRESULT CALLBACK ShapeProc(HWND shape, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    const PaintScope paint(shape);
    PaintShape(shape, paint.Dc());
    return 0;
  }
  if (message == WM_PRINTCLIENT) {
    PaintShape(shape, reinterpret_cast<HDC>(wParam));
    return 0;
  }
  if (message == WM_NCHITTEST) {
    return HTTRANSPARENT;
  }
  return DefWindowProcW(shape, message, wParam, lParam);
}

// The tray picture box: shows the program's small icon.
LRESULT CALLBACK PictureProc(HWND picture, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    const PaintScope paint(picture);
    RECT area;
    GetClientRect(picture, &area);
    FillRect(paint.Dc(), &area, GetSysColorBrush(COLOR_BTNFACE));
    // The small icon at 96 DPI; above it the large one, drawn down to size.
    const int size = ScreenScale::OfWindow(picture).FromDefault(16);
    const auto icon = reinterpret_cast<HICON>(
        GetClassLongPtrW(GetParent(picture), size > 16 ? GCLP_HICON : GCLP_HICONSM));
    if (icon != nullptr) {
      DrawIconEx(paint.Dc(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    }
    return 0;
  }
  if (message == WM_MOUSEMOVE) {
    // The tray icon's mouse messages arrive here as mouse moves carrying the
    // mouse message; the main window decodes them.
    SendMessageW(GetParent(picture), kTrayMessage, 0, lParam);
    return 0;
  }
  return DefWindowProcW(picture, message, wParam, lParam);
}

}  // namespace

COLORREF ToColorRef(OleColor color) {
  return IsSystemColor(color) ? GetSysColor(static_cast<int>(color & 0xFFU))
                              : static_cast<COLORREF>(color);
}

RECT CircleInside(const RECT& area) {
  const LONG diameter = std::min(area.right - area.left, area.bottom - area.top);
  const LONG left = area.left + (area.right - area.left - diameter) / 2;
  const LONG top = area.top + (area.bottom - area.top - diameter) / 2;
  return {left, top, left + diameter, top + diameter};
}

void AnswerTextFromModel(HWND control) {
  SetWindowLongPtrW(control, GWLP_USERDATA, GetWindowLongPtrW(control, GWLP_WNDPROC));
  SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CaptionedControlProc));
}

void RegisterControlClasses(HINSTANCE instance) {
  WNDCLASSEXW shape{};
  shape.cbSize = sizeof shape;
  shape.lpfnWndProc = ShapeProc;
  shape.hInstance = instance;
  shape.lpszClassName = kShapeClass;
  RegisterClassExW(&shape);
  WNDCLASSEXW picture = shape;
  picture.lpfnWndProc = PictureProc;
  picture.lpszClassName = kPictureClass;
  RegisterClassExW(&picture);
}

}  // namespace vestrel::win32
