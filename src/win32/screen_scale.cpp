#include "win32/screen_scale.h"

#include <cmath>

namespace vestrel::win32 {

ScreenScale ScreenScale::OfScreen() {
  const HDC screen = GetDC(nullptr);
  const ScreenScale scale(GetDeviceCaps(screen, LOGPIXELSX), GetDeviceCaps(screen, LOGPIXELSY));
  ReleaseDC(nullptr, screen);
  return scale;
}

int ScreenScale::FontHeight(double points) const {
  return -MulDiv(static_cast<int>(std::lround(points * 10)), dpiY_, 720);
}

SIZE ScreenScale::OuterSizeForClient(int widthTwips, int heightTwips, DWORD style,
                                     DWORD exStyle) const {
  RECT outer{0, 0, X(widthTwips), Y(heightTwips)};
  AdjustWindowRectEx(&outer, style, FALSE, exStyle);
  return {outer.right - outer.left, outer.bottom - outer.top};
}

}  // namespace vestrel::win32
