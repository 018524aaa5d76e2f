#include "win32/window_class.h"

namespace vestrel::win32 {

bool RegisterProgramWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure,
                                int backgroundColor, int windowExtraBytes) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance, name, &existing) != FALSE) {
    return true;
  }
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.cbWndExtra = windowExtraBytes;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(backgroundColor + 1));
  windowClass.lpszClassName = name;
  windowClass.hIcon = LoadIconW(instance, L"VESTREL");
  windowClass.hIconSm =
      static_cast<HICON>(LoadImageW(instance, L"VESTREL", IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
  if (windowClass.hIcon == nullptr) {
    windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.hIconSm = windowClass.hIcon;
  }
  return RegisterClassExW(&windowClass) != 0;
}

}  // namespace vestrel::win32
