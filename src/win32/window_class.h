#pragma once

#include "win32/windows_api.h"

namespace vestrel::win32 {

// Registers one of the program's top-level window classes, once: the arrow
// cursor, a system colour as background, and the program's icon for the task
// bar and the caption (the system's application icon where the program has
// none). False, with the system's error, when it could not be registered.
bool RegisterProgramWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure,
                                int backgroundColor, int windowExtraBytes = 0);

// A window procedure that hands every message to the object given as
// CreateWindowEx's creation parameter: Owner::Handle(window, message, wParam,
// lParam). The object's address lives in the window's first extra bytes
// (register the class with sizeof(Owner*) of them).
template <class Owner>
LRESULT CALLBACK ForwardToOwner(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    SetWindowLongPtrW(
        window, 0,
        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  }
  auto* owner = reinterpret_cast<Owner*>(GetWindowLongPtrW(window, 0));
  return owner != nullptr ? owner->Handle(window, message, wParam, lParam)
                          : DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace vestrel::win32
