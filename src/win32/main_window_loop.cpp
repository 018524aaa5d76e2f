// The panel's message loop: the window classes, the main window, and each
// message on its way to its window.
#include "win32/key_messages.h"
#include "win32/main_window.h"
#include "win32/main_window_controls.h"
#include "win32/window_class.h"

namespace vestrel::win32 {

void MainWindow::Pump(MSG& message) {
  // A key-down for any of the panel's windows (all live on this thread), as
  // the keyboard or a hotkey tool posts it: the trader's keys first.
  const bool keyDown = message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN;
  if ((keyDown && message.hwnd != nullptr && window_ != nullptr &&
       input_.KeyDown(ChordOf(message), IsAutoRepeat(message))) ||
      about_.PreTranslateMessage(message) ||
      (window_ != nullptr && IsDialogMessageW(window_, &message))) {
    return;
  }
  TranslateMessage(&message);
  const bool paint = message.message == WM_PAINT ||
                     (message.message == WM_TIMER && message.wParam == kRepaintTimer);
  const PokeTimings::Span span(paint ? timings_.Timings() : nullptr, PokeStage::Paint);
  DispatchMessageW(&message);
}

int RunPanel(HINSTANCE instance, int show) {
  RegisterControlClasses(instance);
  if (!RegisterProgramWindowClass(instance, kMainWindowClass, ForwardToOwner<MainWindow>,
                                  COLOR_BTNFACE, sizeof(MainWindow*))) {
    return 1;
  }

  MainWindow main(instance);
  if (!main.Open(show)) {
    return 1;
  }
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    main.Pump(message);
  }
  return 0;
}

}  // namespace vestrel::win32
