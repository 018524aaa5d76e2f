#include "win32/main_window.h"

namespace vestrel::win32 {
namespace {

// Client area of the panel in twips, at 15 twips per pixel at 96 DPI.
constexpr int kClientWidthTwips = 6360;
constexpr int kClientHeightTwips = 2730;
constexpr int kTwipsPerInch = 1440;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

SIZE OuterSizeForClient(int clientWidth, int clientHeight, DWORD style) {
  RECT rect{0, 0, clientWidth, clientHeight};
  AdjustWindowRect(&rect, style, FALSE);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace

int RunPanel(HINSTANCE instance, int show) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kMainWindowClass;
  windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  if (RegisterClassExW(&windowClass) == 0) {
    return 1;
  }

  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  const DWORD style = WS_OVERLAPPEDWINDOW & ~WS_MAXIMIZEBOX;
  const SIZE outer = OuterSizeForClient(MulDiv(kClientWidthTwips, dpi, kTwipsPerInch),
                                        MulDiv(kClientHeightTwips, dpi, kTwipsPerInch), style);
  const HWND window =
      CreateWindowExW(0, kMainWindowClass, kMainWindowCaption, style, CW_USEDEFAULT, CW_USEDEFAULT,
                      outer.cx, outer.cy, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) {
    return 1;
  }
  ShowWindow(window, show);
  UpdateWindow(window);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace vestrel::win32
