#include "panel_automation.h"

#include <array>

#include "contract/automation_contract.h"

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

namespace {

constexpr LPARAM kAltDownFlag = LPARAM{1} << 29;
constexpr LPARAM kPreviousDownFlag = LPARAM{1} << 30;
constexpr LPARAM kReleasedFlag = static_cast<LPARAM>(1U << 31);

struct ProcessWindowSearch {
  DWORD ProcessId;
  const wchar_t* ClassName;
  HWND Found;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM parameter) {
  auto& search = *reinterpret_cast<ProcessWindowSearch*>(parameter);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (processId == search.ProcessId && std::wstring(name) == search.ClassName) {
    search.Found = window;
    return FALSE;
  }
  return TRUE;
}

// The window of the main window's process with that class.
HWND WindowOfProcess(HWND mainWindow, const wchar_t* className) {
  ProcessWindowSearch search{0, className, nullptr};
  GetWindowThreadProcessId(mainWindow, &search.ProcessId);
  EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

void HoldModifier(std::array<BYTE, 256>& state, int general, int left, bool down) {
  const BYTE value = down ? 0x80 : 0;
  state[static_cast<std::size_t>(general)] = value;
  state[static_cast<std::size_t>(left)] = value;
}

}  // namespace

void PressKey(HWND mainWindow, const KeyStroke& key, const std::function<bool()>& done,
              std::chrono::milliseconds timeout) {
  const DWORD panelThread = GetWindowThreadProcessId(mainWindow, nullptr);
  GUITHREADINFO focus{};
  focus.cbSize = sizeof focus;
  HWND target = mainWindow;
  if (GetGUIThreadInfo(panelThread, &focus) != FALSE && focus.hwndFocus != nullptr) {
    target = focus.hwndFocus;
  }
  const bool modifiers = key.Ctrl || key.Alt || key.Shift;
  const DWORD ownThread = GetCurrentThreadId();
  std::array<BYTE, 256> saved{};
  const bool attached = modifiers && AttachThreadInput(ownThread, panelThread, TRUE) != FALSE;
  if (attached) {
    GetKeyboardState(saved.data());
    std::array<BYTE, 256> held = saved;
    HoldModifier(held, VK_CONTROL, VK_LCONTROL, key.Ctrl);
    HoldModifier(held, VK_MENU, VK_LMENU, key.Alt);
    HoldModifier(held, VK_SHIFT, VK_LSHIFT, key.Shift);
    SetKeyboardState(held.data());
  }
  const auto scanCode = static_cast<LPARAM>(MapVirtualKeyW(key.VirtualKey, MAPVK_VK_TO_VSC));
  const LPARAM down = 1 | (scanCode << 16) | (key.Alt ? kAltDownFlag : 0);
  PostMessageW(target, key.Alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key.VirtualKey, down);
  PostMessageW(target, key.Alt ? WM_SYSKEYUP : WM_KEYUP, key.VirtualKey,
               down | kPreviousDownFlag | kReleasedFlag);
  if (!attached) {
    return;
  }
  // Waits handling the caller's own messages: a thread with windows that
  // stops answering holds up every DDE connect on the desktop.
  const auto until = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < until && !(done && done())) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  SetKeyboardState(saved.data());
  AttachThreadInput(ownThread, panelThread, FALSE);
}

std::vector<std::wstring> ListLines(HWND list, UINT timeoutMs) {
  std::vector<std::wstring> lines;
  DWORD_PTR count = 0;
  if (list == nullptr ||
      SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &count) == 0) {
    return lines;
  }
  for (WPARAM i = 0; i < count; ++i) {
    DWORD_PTR length = 0;
    SendMessageTimeoutW(list, LB_GETTEXTLEN, i, 0, SMTO_ABORTIFHUNG, timeoutMs, &length);
    std::wstring line(static_cast<std::size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()),
                        SMTO_ABORTIFHUNG, timeoutMs, &copied);
    line.resize(copied == static_cast<DWORD_PTR>(LB_ERR) ? 0 : static_cast<std::size_t>(copied));
    lines.push_back(std::move(line));
  }
  return lines;
}

std::vector<std::wstring> LogWindowLines(HWND mainWindow, UINT timeoutMs) {
  const HWND log = WindowOfProcess(mainWindow, contract::kLogWindowClass);
  return ListLines(log == nullptr ? nullptr : GetDlgItem(log, contract::kLogListId), timeoutMs);
}

HWND LadderRows(HWND mainWindow) {
  const HWND ladder = WindowOfProcess(mainWindow, contract::kLadderWindowClass);
  return ladder == nullptr ? nullptr : GetDlgItem(ladder, contract::kLadderRowsId);
}

bool ClickLadderRow(HWND rows, int row, int third) {
  RECT item{};
  RECT client{};
  if (SendMessageW(rows, LB_GETITEMRECT, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(&item)) == LB_ERR ||
      GetClientRect(rows, &client) == FALSE) {
    return false;
  }
  // The middle of the third, half way down the row.
  const LPARAM point = MAKELPARAM(client.right * (2 * third + 1) / 6, (item.top + item.bottom) / 2);
  return PostMessageW(rows, WM_LBUTTONDOWN, MK_LBUTTON, point) != FALSE &&
         PostMessageW(rows, WM_LBUTTONUP, 0, point) != FALSE;
}

}  // namespace vestrel::automation
