#pragma once

#include "win32/unique_handle.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {

// Twips (1/1440 inch) and points to pixels at a DPI, the one conversion every
// window of the program lays itself out with. The program is DPI-aware (its
// manifest says so, per monitor where the system can): each window lays out
// at the DPI of the monitor it is on and again when WM_DPICHANGED says that
// changed.
class ScreenScale {
 public:
  static constexpr int kDefaultDpi = 96;

  // The system's DPI: what a new window starts at.
  static ScreenScale OfScreen();
  // The DPI the window is shown at: its monitor's where the system scales
  // per monitor (Windows 10 1607 and later), the system's before that.
  static ScreenScale OfWindow(HWND window);
  ScreenScale(int dpiX, int dpiY) : dpiX_(dpiX), dpiY_(dpiY) {}

  int DpiX() const { return dpiX_; }
  int DpiY() const { return dpiY_; }
  int X(int twips) const { return MulDiv(twips, dpiX_, kTwipsPerInch); }
  int Y(int twips) const { return MulDiv(twips, dpiY_, kTwipsPerInch); }
  int TwipsX(int pixels) const { return MulDiv(pixels, kTwipsPerInch, dpiX_); }
  int TwipsY(int pixels) const { return MulDiv(pixels, kTwipsPerInch, dpiY_); }
  // Pixels at this DPI for a length given in pixels at 96 DPI.
  int FromDefault(int pixels) const { return MulDiv(pixels, dpiY_, kDefaultDpi); }
  // A font's height argument for CreateFont: the character height in pixels,
  // negative.
  int FontHeight(double points) const;
  // The outer size of a window of this style whose client area is the given
  // size in twips, with the frame's metrics at this DPI.
  SIZE OuterSizeForClient(int widthTwips, int heightTwips, DWORD style, DWORD exStyle = 0) const;

 private:
  static constexpr int kTwipsPerInch = 1440;
  int dpiX_;
  int dpiY_;
};

// The system's font for controls (the stock GUI font) at the scale's DPI.
UniqueFont CreateGuiFont(const ScreenScale& scale);

}  // namespace vestrel::win32
