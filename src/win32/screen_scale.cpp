#include "win32/screen_scale.h"

#include <cmath>

namespace vestrel::win32 {
namespace {

// Functions of newer systems, looked up so that the program still starts on
// Windows 7.
template <class Function>
Function User32Function(const char* name) {
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  // Through void*: the address is of the function's real type.
  return user32 == nullptr
             ? nullptr
             : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

}  // namespace

ScreenScale ScreenScale::OfScreen() {
  const UniqueWindowDc screen = WindowDc(nullptr);
  return {GetDeviceCaps(screen.get(), LOGPIXELSX), GetDeviceCaps(screen.get(), LOGPIXELSY)};
}

ScreenScale ScreenScale::OfWindow(HWND window) {
  static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
  if (getDpiForWindow != nullptr && window != nullptr) {
    const auto dpi = static_cast<int>(getDpiForWindow(window));
    if (dpi > 0) {
      return {dpi, dpi};
    }
  }
  return OfScreen();
}

int ScreenScale::FontHeight(double points) const {
  return -MulDiv(static_cast<int>(std::lround(points * 10)), dpiY_, 720);
}

SIZE ScreenScale::OuterSizeForClient(int widthTwips, int heightTwips, DWORD style,
                                     DWORD exStyle) const {
  static const auto adjustForDpi =
      User32Function<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
  RECT outer{0, 0, X(widthTwips), Y(heightTwips)};
  if (adjustForDpi == nullptr ||
      adjustForDpi(&outer, style, FALSE, exStyle, static_cast<UINT>(dpiY_)) == FALSE) {
    AdjustWindowRectEx(&outer, style, FALSE, exStyle);
  }
  return {outer.right - outer.left, outer.bottom - outer.top};
}

UniqueFont CreateGuiFont(const ScreenScale& scale) {
  LOGFONTW font{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
  // The stock font is made for the system's DPI.
  font.lfHeight = MulDiv(font.lfHeight, scale.DpiY(), ScreenScale::OfScreen().DpiY());
  font.lfWidth = 0;
  return UniqueFont(CreateFontIndirectW(&font));
}

}  // namespace vestrel::win32
