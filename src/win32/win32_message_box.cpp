#include "win32/win32_message_box.h"

#include "win32/text_encoding.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {

void Win32MessageBox::Show(std::string_view text, MessageIcon icon) {
  UINT style = MB_OK | MB_SETFOREGROUND;
  if (icon == MessageIcon::Exclamation) {
    style |= MB_ICONEXCLAMATION;
  }
  if (owner_ == nullptr) {
    style |= MB_TASKMODAL;
  }
  MessageBoxW(static_cast<HWND>(owner_), Utf8ToWide(text).c_str(), L"Vestrel", style);
}

}  // namespace vestrel::win32
