#pragma once

#include <deque>
#include <functional>
#include <string>

#include "ports/message_box.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {

// Modal message box captioned "Vestrel", OK only, owned by the main window
// once it exists so that it stays in front of it.
//
// A box asked for later is posted to a message-only window of its own, so it
// opens from the thread's message loop once the current message (a DDE
// transaction among them) has been handled; boxes asked for meanwhile wait
// their turn. Boxes still waiting when the program ends are not shown.
class Win32MessageBox : public MessageBox {
 public:
  Win32MessageBox() = default;
  ~Win32MessageBox() override;
  Win32MessageBox(const Win32MessageBox&) = delete;
  Win32MessageBox& operator=(const Win32MessageBox&) = delete;

  void SetOwner(void* ownerWindow) { owner_ = ownerWindow; }
  void Show(std::string_view text, MessageIcon icon) override;
  void ShowLater(std::string text, MessageIcon icon, std::function<void()> closed) override;

  // The message-only window's messages.
  LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  struct Waiting {
    std::string Text;
    MessageIcon Icon;
    std::function<void()> Closed;
  };

  // The message-only window, made at the first box asked for later.
  bool EnsurePoster();
  void ShowWaiting();

  void* owner_ = nullptr;  // HWND
  HWND poster_ = nullptr;
  std::deque<Waiting> waiting_;
};

}  // namespace vestrel::win32
