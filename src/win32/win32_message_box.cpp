#include "win32/win32_message_box.h"

#include <utility>

#include "win32/text_encoding.h"
#include "win32/window_class.h"

namespace vestrel::win32 {
namespace {

constexpr const wchar_t* kPosterClass = L"VestrelMessagePoster";
constexpr UINT kShowWaitingBox = WM_APP + 1;

bool RegisterPosterClass(HINSTANCE instance) {
  static const bool registered = [instance] {
    WNDCLASSEXW posterClass{};
    posterClass.cbSize = sizeof posterClass;
    posterClass.lpfnWndProc = ForwardToOwner<Win32MessageBox>;
    posterClass.cbWndExtra = sizeof(Win32MessageBox*);
    posterClass.hInstance = instance;
    posterClass.lpszClassName = kPosterClass;
    return RegisterClassExW(&posterClass) != 0;
  }();
  return registered;
}

}  // namespace

Win32MessageBox::~Win32MessageBox() {
  if (poster_ != nullptr) {
    DestroyWindow(poster_);
  }
}

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

void Win32MessageBox::ShowLater(std::string text, MessageIcon icon, std::function<void()> closed) {
  waiting_.push_back({std::move(text), icon, std::move(closed)});
  // One posted message a box: each shows the oldest box still waiting.
  if (!EnsurePoster() || PostMessageW(poster_, kShowWaitingBox, 0, 0) == FALSE) {
    // No queue to wait in (never seen): the trader still gets the message.
    ShowWaiting();
  }
}

bool Win32MessageBox::EnsurePoster() {
  if (poster_ == nullptr) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    if (RegisterPosterClass(instance)) {
      poster_ = CreateWindowExW(0, kPosterClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                instance, this);
    }
  }
  return poster_ != nullptr;
}

void Win32MessageBox::ShowWaiting() {
  if (waiting_.empty()) {
    return;
  }
  Waiting box = std::move(waiting_.front());
  waiting_.pop_front();
  Show(box.Text, box.Icon);
  if (box.Closed) {
    box.Closed();
  }
}

LRESULT Win32MessageBox::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kShowWaitingBox) {
    ShowWaiting();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace vestrel::win32
