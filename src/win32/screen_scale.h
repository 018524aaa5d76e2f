#pragma once

#include "win32/windows_api.h"

namespace vestrel::win32 {

// Twips (1/1440 inch) and points to pixels at the screen's DPI, the one
// conversion every window of the program lays itself out with.
class ScreenScale {
 public:
  // The DPI of the screen the program draws on.
  static ScreenScale OfScreen();
  ScreenScale(int dpiX, int dpiY) : dpiX_(dpiX), dpiY_(dpiY) {}

  int X(int twips) const { return MulDiv(twips, dpiX_, kTwipsPerInch); }
  int Y(int twips) const { return MulDiv(twips, dpiY_, kTwipsPerInch); }
  int TwipsX(int pixels) const { return MulDiv(pixels, kTwipsPerInch, dpiX_); }
  int TwipsY(int pixels) const { return MulDiv(pixels, kTwipsPerInch, dpiY_); }
  // A font's height argument for CreateFont: the character height in pixels,
  // negative.
  int FontHeight(double points) const;
  // The outer size of a window of this style whose client area is the given
  // size in twips.
  SIZE OuterSizeForClient(int widthTwips, int heightTwips, DWORD style, DWORD exStyle = 0) const;

 private:
  static constexpr int kTwipsPerInch = 1440;
  int dpiX_;
  int dpiY_;
};

}  // namespace vestrel::win32
