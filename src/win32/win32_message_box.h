#pragma once

#include "ports/message_box.h"

namespace vestrel::win32 {

// Modal message box captioned "Vestrel", OK only, owned by the main window
// once it exists so that it stays in front of it.
class Win32MessageBox : public MessageBox {
 public:
  void SetOwner(void* ownerWindow) { owner_ = ownerWindow; }
  void Show(std::string_view text, MessageIcon icon) override;

 private:
  void* owner_ = nullptr;  // HWND
};

}  // namespace vestrel::win32
