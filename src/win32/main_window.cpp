#include "win32/main_window.h"

#include <memory>

#include "app/main_window_model.h"
#include "win32/main_window_view.h"

namespace vestrel::win32 {
namespace {

struct Panel {
  MainWindowModel model;
  std::unique_ptr<MainWindowView> view;
};

Panel* PanelOf(HWND window) { return reinterpret_cast<Panel*>(GetWindowLongPtrW(window, 0)); }

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Panel* panel = PanelOf(window);
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrW(
          window, 0,
          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
      break;
    case WM_DRAWITEM:
      if (panel != nullptr && panel->view) {
        panel->view->DrawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
      }
      break;
    case WM_CTLCOLORSTATIC:
      if (panel != nullptr && panel->view) {
        return reinterpret_cast<LRESULT>(panel->view->LabelBackground(
            reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
      }
      break;
    case WM_DESTROY:
      if (panel != nullptr) {
        panel->view.reset();
      }
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int RunPanel(HINSTANCE instance, int show) {
  RegisterShapeClass(instance);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.cbWndExtra = sizeof(Panel*);
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kMainWindowClass;
  windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  windowClass.hIconSm = LoadIconW(nullptr, IDI_APPLICATION);
  if (RegisterClassExW(&windowClass) == 0) {
    return 1;
  }

  Panel panel;
  const DWORD style = WS_OVERLAPPEDWINDOW & ~WS_MAXIMIZEBOX;
  const HWND window =
      CreateWindowExW(0, kMainWindowClass, kMainWindowCaption, style, CW_USEDEFAULT, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, &panel);
  if (window == nullptr) {
    return 1;
  }
  panel.view = std::make_unique<MainWindowView>(window, panel.model);
  // The designed client area, whatever the frame's size at this DPI.
  RECT outer{0, 0, panel.view->TwipsToPixels(MainWindowModel::kDesignClientSize.Width),
             panel.view->TwipsToPixels(MainWindowModel::kDesignClientSize.Height)};
  AdjustWindowRect(&outer, style, FALSE);
  SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(window, show);
  UpdateWindow(window);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(window, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return static_cast<int>(message.wParam);
}

}  // namespace vestrel::win32
