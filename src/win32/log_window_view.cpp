#include "win32/log_window_view.h"

#include "common/app_error.h"
#include "win32/screen_scale.h"
#include "win32/text_encoding.h"
#include "win32/unique_handle.h"
#include "win32/win32_error.h"
#include "win32/window_class.h"

namespace vestrel::win32 {
namespace {

constexpr int kClientWidthTwips = 9300;
constexpr int kClientHeightTwips = 4425;
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW;

void RegisterLogClass(HINSTANCE instance, WNDPROC procedure) {
  if (!RegisterProgramWindowClass(instance, kLogWindowClass, procedure, COLOR_WINDOW)) {
    RaiseLastError();
  }
}

}  // namespace

LogWindowView::LogWindowView(HINSTANCE instance, LogWindowModel& model)
    : instance_(instance), model_(model) {
  if (model_.Loaded() && model_.Visible()) {
    VisibilityChanged(true);
  }
  model_.SetObserver(this);
}

LogWindowView::~LogWindowView() {
  model_.SetObserver(nullptr);
  Destroy();
}

void LogWindowView::Show() {
  model_.Show();
  if (window_ == nullptr) {
    Create();
  }
  ShowWindow(window_, IsIconic(window_) != FALSE ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(window_);
}

void LogWindowView::CreateHidden() {
  if (window_ != nullptr || !model_.Loaded()) {
    return;
  }
  try {
    Create();
  } catch (const AppError&) {
    // The first line the panel logs meets the same failure and reports it.
  }
}

void LogWindowView::LoadedChanged(bool loaded) {
  // A loaded window is made once start-up is over (CreateHidden), or when it
  // is first shown or given a line: the panel loads it early in start-up,
  // and creating it then would hold up serving.
  if (!loaded) {
    Destroy();
  }
}

void LogWindowView::VisibilityChanged(bool visible) {
  if (window_ == nullptr) {
    if (!visible) {
      return;
    }
    Create();
  }
  if (visible) {
    ShowWindow(window_, SW_SHOWNORMAL);
    SetForegroundWindow(window_);
  } else {
    ShowWindow(window_, SW_HIDE);
  }
}

void LogWindowView::LineAdded(const std::string& line) {
  if (window_ == nullptr) {
    Create();  // fills the list from the model, this line included
    return;
  }
  Append(Utf8ToWide(line));
}

void LogWindowView::Append(const std::wstring& line) {
  const LRESULT index =
      SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  if (index == LB_ERRSPACE) {
    Raise(errors::OutOfMemory);
  }
  if (index == LB_ERR) {
    Raise(errors::InvalidCall);
  }
  // Wide lines get a horizontal scroll bar; the visible part stays where it is.
  SIZE extent{};
  {
    const UniqueWindowDc dc = WindowDc(list_);
    const SelectionScope fontSelected(
        dc.get(), reinterpret_cast<HFONT>(SendMessageW(list_, WM_GETFONT, 0, 0)));
    GetTextExtentPoint32W(dc.get(), line.c_str(), static_cast<int>(line.size()), &extent);
  }
  if (extent.cx + 8 > widestLine_) {
    widestLine_ = extent.cx + 8;
    SendMessageW(list_, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widestLine_), 0);
  }
}

void LogWindowView::Create() {
  RegisterLogClass(instance_, WindowProc);
  const SIZE outer =
      ScreenScale::OfScreen().OuterSizeForClient(kClientWidthTwips, kClientHeightTwips, kStyle);
  const HWND window = CreateWindowExW(0, kLogWindowClass, L"", kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                      outer.cx, outer.cy, nullptr, nullptr, instance_, this);
  if (window == nullptr) {
    RaiseLastError();
  }
  // Single selection, unsorted; the list fills the window's client area.
  RECT client{};
  GetClientRect(window, &client);
  list_ = CreateWindowExW(
      WS_EX_CLIENTEDGE, L"LISTBOX", L"",
      WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 0, 0,
      client.right, client.bottom, window,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLogListId)), instance_, nullptr);
  if (list_ == nullptr) {
    const AppError error = LastError();
    DestroyWindow(window);
    throw error;
  }
  window_ = window;
  SetListFont(ScreenScale::OfWindow(window_));
  widestLine_ = 0;
  for (const std::string& line : model_.Lines()) {
    Append(Utf8ToWide(line));
  }
}

void LogWindowView::Destroy() {
  if (window_ != nullptr) {
    const HWND window = window_;
    window_ = nullptr;
    list_ = nullptr;
    DestroyWindow(window);
  }
}

void LogWindowView::SetListFont(const ScreenScale& scale) {
  UniqueFont font = CreateGuiFont(scale);
  SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  font_ = std::move(font);
}

void LogWindowView::FitList() {
  RECT client;
  if (window_ != nullptr && list_ != nullptr && GetClientRect(window_, &client) != FALSE) {
    MoveWindow(list_, 0, 0, client.right, client.bottom, TRUE);
  }
}

LRESULT CALLBACK LogWindowView::WindowProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  if (message == WM_NCCREATE) {
    SetWindowLongPtrW(
        window, GWLP_USERDATA,
        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  }
  auto* view = reinterpret_cast<LogWindowView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (view == nullptr || view->window_ != window) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  switch (message) {
    case WM_SIZE:
      // A minimised window keeps its list as it was.
      if (wParam != SIZE_MINIMIZED) {
        view->FitList();
      }
      return 0;
    case WM_SETFOCUS:
      SetFocus(view->list_);
      return 0;
    case WM_DPICHANGED: {
      // Moved to a monitor of another DPI: the font at the new DPI, the
      // size the system suggests.
      view->SetListFont(ScreenScale(HIWORD(wParam), HIWORD(wParam)));
      const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_CLOSE:
      // The model decides: hidden while the panel runs, else unloaded (and
      // this window destroyed through LoadedChanged).
      try {
        view->model_.RequestClose();
      } catch (...) {
        ShowWindow(window, SW_HIDE);
      }
      return 0;
    case WM_DESTROY:
      // Destroyed from outside the model: the next line or show creates it anew.
      view->window_ = nullptr;
      view->list_ = nullptr;
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace vestrel::win32
