#include "panel_automation.h"

namespace vestrel::automation {

std::wstring WindowText(HWND window, UINT timeoutMs) {
  wchar_t text[512] = {};
  SendMessageTimeoutW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, timeoutMs, nullptr);
  return text;
}

std::wstring Caption(HWND mainWindow, int controlId, UINT timeoutMs) {
  return WindowText(GetDlgItem(mainWindow, controlId), timeoutMs);
}

void Click(HWND mainWindow, int controlId, UINT timeoutMs) {
  SendMessageTimeoutW(GetDlgItem(mainWindow, controlId), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG,
                      timeoutMs, nullptr);
}

bool ShapeInFront(HWND mainWindow, int front, int back) {
  const HWND backShape = GetDlgItem(mainWindow, back);
  for (HWND child = GetWindow(GetDlgItem(mainWindow, front), GW_HWNDNEXT); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (child == backShape) {
      return true;
    }
  }
  return false;
}

}  // namespace vestrel::automation
