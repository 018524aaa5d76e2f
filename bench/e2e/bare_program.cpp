#include "bare_program.h"

#include <cwchar>

namespace vestrel::bench {
namespace {

constexpr UINT_PTR kStopTimer = 1;

LRESULT CALLBACK BareWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kStopTimer) {
        DestroyWindow(window);
      }
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

bool ParseArguments(double& seconds, std::wstring* service) {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == nullptr) {
    return false;
  }
  bool ok = true;
  for (int i = 1; i < count && ok; ++i) {
    if (std::wcscmp(arguments[i], L"--seconds") == 0 && i + 1 < count) {
      wchar_t* end = nullptr;
      seconds = std::wcstod(arguments[++i], &end);
      ok = end != arguments[i] && *end == L'\0' && seconds > 0 && seconds < 4e6;
    } else if (service != nullptr && std::wcscmp(arguments[i], L"--service") == 0 &&
               i + 1 < count && arguments[i + 1][0] != L'\0') {
      *service = arguments[++i];
    } else {
      ok = false;
    }
  }
  LocalFree(arguments);
  return ok;
}

HWND CreateBareWindow(HINSTANCE module, const wchar_t* className, const wchar_t* title,
                      double seconds) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = BareWindowProc;
  windowClass.hInstance = module;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = className;
  if (RegisterClassExW(&windowClass) == 0) {
    return nullptr;
  }
  const HWND window = CreateWindowExW(0, className, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                      CW_USEDEFAULT, 400, 200, nullptr, nullptr, module, nullptr);
  if (window != nullptr && seconds > 0) {
    SetTimer(window, kStopTimer, static_cast<UINT>(seconds * 1000), nullptr);
  }
  return window;
}

void RunMessageLoop() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace vestrel::bench
