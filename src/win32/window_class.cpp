#include "win32/window_class.h"

namespace vestrel::win32 {

namespace {

struct ProgramIcons {
  HICON Large = nullptr;
  HICON Small = nullptr;
};

// The program's icon in both sizes, loaded once for all its window classes:
// each load reads the resource and makes the bitmaps afresh, a millisecond
// of start-up under Wine. Neither is ever destroyed.
const ProgramIcons& IconsOf(HINSTANCE instance) {
  static const ProgramIcons icons = [instance] {
    ProgramIcons loaded;
    loaded.Large = LoadIconW(instance, L"VESTREL");
    loaded.Small = static_cast<HICON>(
        LoadImageW(instance, L"VESTREL", IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR | LR_SHARED));
    if (loaded.Large == nullptr) {
      loaded.Large = LoadIconW(nullptr, IDI_APPLICATION);
      loaded.Small = loaded.Large;
    }
    return loaded;
  }();
  return icons;
}

}  // namespace

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
  windowClass.hIcon = IconsOf(instance).Large;
  windowClass.hIconSm = IconsOf(instance).Small;
  return RegisterClassExW(&windowClass) != 0;
}

}  // namespace vestrel::win32
