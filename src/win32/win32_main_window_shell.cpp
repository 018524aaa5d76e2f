#include "win32/win32_main_window_shell.h"

#include <cstring>

#include "win32/main_window_view.h"
#include "win32/text_encoding.h"
#include "win32/win32_transaction_library.h"

namespace vestrel::win32 {
namespace {

constexpr UINT kTrayIconId = 1;

}  // namespace

NOTIFYICONDATAA Win32MainWindowShell::Record() const {
  NOTIFYICONDATAA record{};
  record.cbSize = NOTIFYICONDATAA_V1_SIZE;
  record.hWnd = trayPicture_;
  record.uID = kTrayIconId;
  return record;
}

void Win32MainWindowShell::AddTrayIcon(const std::string& tip) {
  NOTIFYICONDATAA record = Record();
  record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  record.uCallbackMessage = WM_MOUSEMOVE;
  record.hIcon = icon_;
  const std::string ansiTip = Utf8ToAnsi(tip);
  std::strncpy(record.szTip, ansiTip.c_str(), sizeof record.szTip - 1);
  Shell_NotifyIconA(NIM_ADD, &record);
}

void Win32MainWindowShell::DeleteTrayIcon() {
  NOTIFYICONDATAA record = Record();
  Shell_NotifyIconA(NIM_DELETE, &record);
}

void Win32MainWindowShell::HideWindow() {
  // Asked from inside the minimise; hiding there would be undone when the
  // minimise completes, so the window hides right after it.
  PostMessageW(window_, kHideMessage, 0, 0);
}

void Win32MainWindowShell::ShowWindow() {
  ::ShowWindow(window_, SW_SHOW);
  SetForegroundWindow(window_);
}

void Win32MainWindowShell::RestoreWindow() { ::ShowWindow(window_, SW_RESTORE); }

std::string Win32MainWindowShell::ProgramFolder() { return WideToUtf8(ExecutableFolder()); }

void Win32MainWindowShell::WakeFromAnyThread() {
  PostMessageW(window_, kTerminalEventsMessage, 0, 0);
}

}  // namespace vestrel::win32
