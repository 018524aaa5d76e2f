#include "win32/ladder_window.h"

#include <algorithm>

#include "win32/text_encoding.h"
#include "win32/window_class.h"

namespace vestrel::win32 {
namespace {

using contract::kLadderRowsId;

// Brings the model's centring back once the scroll's hold is over.
constexpr UINT_PTR kResumeTimer = 1;
constexpr UINT kResumeMs = static_cast<UINT>(LadderModel::kScrollHoldUs / 1000) + 20;

// The size the window opens at: 40 rows and the two lines, 96 DPI pixels.
constexpr int kRowPixels = 18;
constexpr int kWidthPixels = 360;
constexpr int kOpeningRows = 40;
constexpr int kPaddingPixels = 4;

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;

// Draws into a bitmap the size of area and puts it on dc in one blit, so the
// screen never shows a row half drawn. draw paints in dc's coordinates.
template <class Draw>
void Buffered(HDC dc, const RECT& area, Draw draw) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width <= 0 || height <= 0) {
    return;
  }
  const UniqueMemoryDc memory(CreateCompatibleDC(dc));
  const UniqueBitmap bitmap(CreateCompatibleBitmap(dc, width, height));
  if (!memory || !bitmap) {
    draw(dc);  // no memory for a buffer: straight onto the screen
    return;
  }
  {
    const SelectionScope selected(memory.get(), bitmap.get());
    SetViewportOrgEx(memory.get(), -area.left, -area.top, nullptr);
    draw(memory.get());
    SetViewportOrgEx(memory.get(), 0, 0, nullptr);
    BitBlt(dc, area.left, area.top, width, height, memory.get(), 0, 0, SRCCOPY);
  }
}

// A mouse message's point, signed (a capture may place it left of or above
// the window).
int PointX(LPARAM lParam) { return static_cast<short>(LOWORD(lParam)); }
int PointY(LPARAM lParam) { return static_cast<short>(HIWORD(lParam)); }

}  // namespace

LadderWindow::LadderWindow(HINSTANCE instance, Panel& panel, LadderModel& model)
    : instance_(instance), panel_(panel), model_(model), scale_(ScreenScale::OfScreen()) {}

LadderWindow::~LadderWindow() {
  model_.SetChangedListener(nullptr);
  if (window_ != nullptr) {
    DestroyWindow(window_);
  }
}

bool LadderWindow::Create(HWND owner, const std::string& secCode, bool alwaysOnTop) {
  rowHeight_ = scale_.FromDefault(kRowPixels);
  // Registered only by a panel that opens a ladder.
  if (!RegisterProgramWindowClass(instance_, kLadderWindowClass, ForwardToOwner<LadderWindow>,
                                  COLOR_BTNFACE, sizeof(LadderWindow*))) {
    return false;
  }
  const std::wstring caption = Utf8ToWide("Marlowin ladder (" + secCode + ")");
  window_ =
      CreateWindowExW(0, kLadderWindowClass, caption.c_str(), kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, instance_, this);
  if (window_ == nullptr) {
    return false;
  }
  scale_ = ScreenScale::OfWindow(window_);
  rowHeight_ = scale_.FromDefault(kRowPixels);
  MakeFonts();
  // Beside the main window, tall enough for the rows it opens with.
  RECT ownerRect{};
  GetWindowRect(owner, &ownerRect);
  RECT outer{0, 0, scale_.FromDefault(kWidthPixels), rowHeight_ * (kOpeningRows + 2)};
  AdjustWindowRectEx(&outer, kStyle, FALSE, 0);
  // No taller than the screen it opens on: a small or high-DPI screen shows
  // fewer rows rather than a window whose bottom line is off the screen.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  int top = ownerRect.top;
  int height = outer.bottom - outer.top;
  if (GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor) != FALSE) {
    const RECT& work = monitor.rcWork;
    height = std::min<int>(height, work.bottom - work.top);
    top = std::clamp<int>(top, work.top, work.bottom - height);
  }
  SetWindowPos(window_, alwaysOnTop ? HWND_TOPMOST : nullptr, ownerRect.right, top,
               outer.right - outer.left, height, SWP_NOACTIVATE | (alwaysOnTop ? 0 : SWP_NOZORDER));

  list_ = CreateWindowExW(0, L"LISTBOX", L"",
                          WS_CHILD | WS_VISIBLE | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS |
                              LBS_NOINTEGRALHEIGHT | LBS_NOSEL,
                          0, 0, 0, 0, window_,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLadderRowsId)), instance_,
                          nullptr);
  if (list_ == nullptr) {
    DestroyWindow(window_);
    return false;
  }
  SetWindowLongPtrW(list_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  listProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LadderWindow::ListProc)));
  SendMessageW(list_, LB_SETITEMHEIGHT, 0, rowHeight_);
  model_.SetChangedListener([this] {
    if (requestRound_) {
      requestRound_();
    }
  });
  Layout();
  return true;
}

void LadderWindow::MakeFonts() {
  LOGFONTW font{};
  font.lfHeight = scale_.FontHeight(9);
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = CLEARTYPE_QUALITY;
  wcscpy_s(font.lfFaceName, L"Tahoma");
  plain_.reset(CreateFontIndirectW(&font));
  font.lfWeight = FW_BOLD;
  bold_.reset(CreateFontIndirectW(&font));
}

void LadderWindow::Show() {
  if (window_ == nullptr) {
    return;
  }
  shown_ = true;
  ShowWindow(window_, SW_SHOWNA);
  Round();
}

void LadderWindow::Hide() {
  if (window_ == nullptr) {
    return;
  }
  shown_ = false;
  ShowWindow(window_, SW_HIDE);
}

void LadderWindow::ToggleShown() {
  if (shown_) {
    Hide();
  } else {
    Show();
  }
}

void LadderWindow::OwnerMinimized() {
  ownerMinimized_ = true;
  if (window_ != nullptr) {
    ShowWindow(window_, SW_HIDE);
  }
}

void LadderWindow::OwnerRestored() {
  // Only coming back from the tray shows it again, even after it was closed;
  // a main window merely resized leaves it as it is.
  if (ownerMinimized_) {
    ownerMinimized_ = false;
    Show();
  }
}

RECT LadderWindow::HeaderRect() const {
  RECT client{};
  GetClientRect(window_, &client);
  client.bottom = std::min<LONG>(client.bottom, rowHeight_);
  return client;
}

RECT LadderWindow::FooterRect() const {
  RECT client{};
  GetClientRect(window_, &client);
  client.top = std::max<LONG>(client.bottom - rowHeight_, rowHeight_);
  return client;
}

void LadderWindow::Layout() {
  if (list_ == nullptr) {
    return;
  }
  RECT client{};
  GetClientRect(window_, &client);
  const int height = std::max<int>(0, client.bottom - 2 * rowHeight_);
  MoveWindow(list_, 0, rowHeight_, client.right, height, TRUE);
  model_.SetRowCount(height / rowHeight_);
  Round();
  InvalidateRect(window_, nullptr, FALSE);
}

bool LadderWindow::Round() {
  if (list_ == nullptr) {
    return false;
  }
  const std::vector<std::int32_t> changed = model_.Update();
  const bool visible = IsWindowVisible(window_) != FALSE;
  bool drew = false;
  if (!changed.empty() ||
      static_cast<std::size_t>(SendMessageW(list_, LB_GETCOUNT, 0, 0)) != model_.Rows().size()) {
    SyncItems(changed);
    drew = visible;
  }
  std::string header = model_.HeaderText();
  std::string footer = model_.FooterText();
  if (header != header_ || footer != footer_) {
    header_ = std::move(header);
    footer_ = std::move(footer);
    if (visible) {
      const UniqueWindowDc dc = WindowDc(window_);
      if (dc) {
        PaintFrameTexts(dc.get());
      }
      drew = true;
    }
  }
  return drew;
}

void LadderWindow::SyncItems(const std::vector<std::int32_t>& changed) {
  const std::vector<LadderRow>& rows = model_.Rows();
  // What is still to be painted for other reasons (a window moved away)
  // stays so; what the item changes invalidate is drawn here, now.
  const UniqueGdiObject<HRGN> pending(CreateRectRgn(0, 0, 0, 0));
  const int pendingKind = pending ? GetUpdateRgn(list_, pending.get(), FALSE) : ERROR;

  auto count = static_cast<std::size_t>(SendMessageW(list_, LB_GETCOUNT, 0, 0));
  const bool resized = count != rows.size();
  // One invalidation for the whole change instead of one an item.
  SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  while (count > rows.size()) {
    SendMessageW(list_, LB_DELETESTRING, --count, 0);
  }
  for (const std::int32_t index : changed) {
    const auto i = static_cast<std::size_t>(index);
    if (i >= count) {
      continue;
    }
    const std::wstring text = Utf8ToWide(rows[i].Text);
    SendMessageW(list_, LB_DELETESTRING, i, 0);
    SendMessageW(list_, LB_INSERTSTRING, i, reinterpret_cast<LPARAM>(text.c_str()));
  }
  for (; count < rows.size(); ++count) {
    const std::wstring text = Utf8ToWide(rows[count].Text);
    SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  if (SendMessageW(list_, LB_GETTOPINDEX, 0, 0) != 0) {
    SendMessageW(list_, LB_SETTOPINDEX, 0, 0);
  }
  SendMessageW(list_, WM_SETREDRAW, TRUE, 0);

  ValidateRect(list_, nullptr);
  if (pendingKind != NULLREGION && pendingKind != ERROR) {
    InvalidateRgn(list_, pending.get(), FALSE);
  }
  if (IsWindowVisible(window_) == FALSE) {
    return;
  }
  if (resized) {
    const UniqueWindowDc dc = WindowDc(list_);
    RECT client{};
    GetClientRect(list_, &client);
    if (dc) {
      PaintRows(dc.get(), client);
    }
    return;
  }
  DrawRowsNow(changed);
}

void LadderWindow::DrawRowsNow(const std::vector<std::int32_t>& rows) {
  if (rows.empty()) {
    return;
  }
  const UniqueWindowDc dc = WindowDc(list_);
  if (!dc) {
    InvalidateRect(list_, nullptr, FALSE);
    return;
  }
  RECT client{};
  GetClientRect(list_, &client);
  // One buffer and one blit for each run of neighbouring changed rows (they
  // come in order): a book that moves every volume is one blit, and a row
  // that did not change is never drawn again.
  for (std::size_t begin = 0; begin < rows.size();) {
    std::size_t end = begin + 1;
    while (end < rows.size() && rows[end] == rows[end - 1] + 1) {
      ++end;
    }
    const RECT span{0, rows[begin] * rowHeight_, client.right, (rows[end - 1] + 1) * rowHeight_};
    Buffered(dc.get(), span, [&](HDC target) {
      for (std::size_t i = begin; i < end; ++i) {
        const RECT area{0, rows[i] * rowHeight_, client.right, (rows[i] + 1) * rowHeight_};
        PaintRow(target, static_cast<std::size_t>(rows[i]), area);
      }
    });
    begin = end;
  }
}

void LadderWindow::PaintRow(HDC dc, std::size_t index, const RECT& area) {
  const std::vector<LadderRow>& rows = model_.Rows();
  if (index >= rows.size()) {
    PaintEmptyLadderRow(dc, area);
    return;
  }
  PaintLadderRow(dc, area, rows[index], {plain_.get(), bold_.get()},
                 scale_.FromDefault(kPaddingPixels));
}

void LadderWindow::PaintRows(HDC dc, const RECT& clip) {
  RECT client{};
  GetClientRect(list_, &client);
  RECT area{client.left, clip.top, client.right, clip.bottom};
  Buffered(dc, area, [&](HDC target) {
    const int first = std::max(0, static_cast<int>(area.top) / rowHeight_);
    for (int i = first; i * rowHeight_ < area.bottom; ++i) {
      const RECT row{0, i * rowHeight_, client.right, (i + 1) * rowHeight_};
      PaintRow(target, static_cast<std::size_t>(i), row);
    }
  });
}

void LadderWindow::PaintFrameTexts(HDC dc) {
  const SelectionScope font(dc, plain_.get());
  for (const auto& [area, text] : {std::pair{HeaderRect(), &header_}, {FooterRect(), &footer_}}) {
    Buffered(dc, area, [&](HDC target) {
      FillRect(target, &area, GetSysColorBrush(COLOR_BTNFACE));
      const SelectionScope inner(target, plain_.get());
      SetBkMode(target, TRANSPARENT);
      SetTextColor(target, GetSysColor(COLOR_BTNTEXT));
      RECT inset = area;
      InflateRect(&inset, -scale_.FromDefault(kPaddingPixels), 0);
      const std::wstring wide = Utf8ToWide(*text);
      DrawTextW(target, wide.c_str(), static_cast<int>(wide.size()), &inset,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    });
  }
}

void LadderWindow::Clicked(int x, int y) {
  RECT client{};
  GetClientRect(list_, &client);
  if (y < 0) {
    return;
  }
  const std::optional<LadderClick> click = model_.ClickAt(y / rowHeight_, x, client.right);
  if (click) {
    panel_.LadderClicked(*click);
    Round();
  }
}

void LadderWindow::Scrolled(int wheelDelta) {
  wheelRest_ += wheelDelta;
  const int rows = wheelRest_ / WHEEL_DELTA;
  wheelRest_ %= WHEEL_DELTA;
  if (rows == 0) {
    return;
  }
  model_.Scroll(rows);
  SetTimer(window_, kResumeTimer, kResumeMs, nullptr);
  Round();
}

void LadderWindow::Centred() {
  wheelRest_ = 0;
  KillTimer(window_, kResumeTimer);
  model_.Centre();
  Round();
}

LRESULT CALLBACK LadderWindow::ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<LadderWindow*>(GetWindowLongPtrW(list, GWLP_USERDATA));
  return self->HandleList(message, wParam, lParam);
}

LRESULT LadderWindow::HandleList(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      const PaintScope paint(list_);
      RECT clip{};
      GetClipBox(paint.Dc(), &clip);
      PaintRows(paint.Dc(), clip);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // every pixel is painted with its row
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      pressedRow_ = PointY(lParam) / rowHeight_;
      return 0;
    case WM_LBUTTONUP: {
      const int y = PointY(lParam);
      const int row = y >= 0 ? y / rowHeight_ : -1;
      // A press that began on another row (or elsewhere) is no click.
      if (pressedRow_ >= 0 && row == pressedRow_) {
        pressedRow_ = -1;
        Clicked(PointX(lParam), PointY(lParam));
      }
      pressedRow_ = -1;
      return 0;
    }
    case WM_MBUTTONDOWN:
      Centred();
      return 0;
    case WM_MOUSEWHEEL:
      Scrolled(GET_WHEEL_DELTA_WPARAM(wParam));
      return 0;
    case WM_KEYDOWN:
    case WM_CHAR:
    case WM_MOUSEMOVE:
    case WM_MBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      // The list box's own selection and scrolling play no part.
      return DefWindowProcW(list_, message, wParam, lParam);
    default:
      return CallWindowProcW(listProc_, list_, message, wParam, lParam);
  }
}

LRESULT LadderWindow::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MEASUREITEM:
      reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = static_cast<UINT>(rowHeight_);
      return TRUE;
    case WM_DRAWITEM: {
      // The list box asks for a row itself (a focus change): drawn whole.
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      RECT area = item.rcItem;
      Buffered(item.hDC, area,
               [&](HDC target) { PaintRow(target, static_cast<std::size_t>(item.itemID), area); });
      return TRUE;
    }
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) {
        Layout();
      }
      return 0;
    case WM_PAINT: {
      const PaintScope paint(window);
      PaintFrameTexts(paint.Dc());
      return 0;
    }
    case WM_TIMER:
      if (wParam == kResumeTimer) {
        KillTimer(window, kResumeTimer);
        Round();
        return 0;
      }
      break;
    case WM_MOUSEWHEEL:
      Scrolled(GET_WHEEL_DELTA_WPARAM(wParam));
      return 0;
    case WM_DPICHANGED: {
      scale_ = ScreenScale(HIWORD(wParam), HIWORD(wParam));
      rowHeight_ = scale_.FromDefault(kRowPixels);
      MakeFonts();
      SendMessageW(list_, LB_SETITEMHEIGHT, 0, rowHeight_);
      const auto& suggested = *reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_CLOSE:
      Hide();  // the ladder alone only hides; it closes with the main window
      return 0;
    case WM_NCDESTROY:
      window_ = nullptr;
      list_ = nullptr;
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace vestrel::win32
