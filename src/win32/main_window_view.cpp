#include "win32/main_window_view.h"

#include <algorithm>
#include <limits>

#include "contract/automation_contract.h"
#include "win32/text_encoding.h"

namespace vestrel::win32 {
namespace {

using contract::kFirstControlId;
using contract::kPictureClass;
using contract::kShapeClass;

COLORREF ToColorRef(OleColor color) {
  return IsSystemColor(color) ? GetSysColor(static_cast<int>(color & 0xFFU))
                              : static_cast<COLORREF>(color);
}

ControlId OtherShape(ControlId shape) {
  return shape == ControlId::shpUp ? ControlId::shpDown : ControlId::shpUp;
}

MainWindowModel* ModelOf(HWND control) {
  return reinterpret_cast<MainWindowModel*>(GetWindowLongPtrW(GetParent(control), GWLP_USERDATA));
}

// Buttons and labels answer for their text from the model, so whoever reads
// it (a hotkey tool, a screen reader) gets the caption of the last book at
// once, while the control's own copy, which it paints from, follows with the
// next repaint round.
LRESULT CALLBACK CaptionedControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(control, GWLP_USERDATA));
  if (message == WM_GETTEXT || message == WM_GETTEXTLENGTH) {
    const MainWindowModel* model = ModelOf(control);
    const auto id = static_cast<ControlId>(GetDlgCtrlID(control));
    if (model != nullptr) {
      const std::wstring caption = Utf8ToWide(model->Caption(id));
      if (message == WM_GETTEXTLENGTH) {
        return static_cast<LRESULT>(caption.size());
      }
      if (wParam == 0) {
        return 0;
      }
      const std::size_t copied = std::min<std::size_t>(caption.size(), wParam - 1);
      auto* buffer = reinterpret_cast<wchar_t*>(lParam);
      caption.copy(buffer, copied);
      buffer[copied] = L'\0';
      return static_cast<LRESULT>(copied);
    }
  }
  return CallWindowProcW(original, control, message, wParam, lParam);
}

void PaintShape(HWND shape, HDC dc) {
  RECT area;
  GetClientRect(shape, &area);
  FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
  const MainWindowModel* model = ModelOf(shape);
  const COLORREF fill =
      model != nullptr ? ToColorRef(model->BackColor(static_cast<ControlId>(GetDlgCtrlID(shape))))
                       : GetSysColor(COLOR_BTNFACE);
  const HBRUSH brush = CreateSolidBrush(fill);
  const HGDIOBJ oldBrush = SelectObject(dc, brush);
  const HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
  const RECT circle = CircleInside(area);
  Ellipse(dc, circle.left, circle.top, circle.right, circle.bottom);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(brush);
}

// A filled circle in its BackColor; its window text stays empty.
LRESULT CALLBACK ShapeProc(HWND shape, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(shape, &paint);
    PaintShape(shape, dc);
    EndPaint(shape, &paint);
    return 0;
  }
  if (message == WM_PRINTCLIENT) {
    PaintShape(shape, reinterpret_cast<HDC>(wParam));
    return 0;
  }
  if (message == WM_NCHITTEST) {
    return HTTRANSPARENT;
  }
  return DefWindowProcW(shape, message, wParam, lParam);
}

// The tray picture box: shows the program's small icon.
LRESULT CALLBACK PictureProc(HWND picture, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(picture, &paint);
    RECT area;
    GetClientRect(picture, &area);
    FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
    // The small icon at 96 DPI; above it the large one, drawn down to size.
    const int size = ScreenScale::OfWindow(picture).FromDefault(16);
    const auto icon = reinterpret_cast<HICON>(
        GetClassLongPtrW(GetParent(picture), size > 16 ? GCLP_HICON : GCLP_HICONSM));
    if (icon != nullptr) {
      DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    }
    EndPaint(picture, &paint);
    return 0;
  }
  if (message == WM_MOUSEMOVE) {
    // The tray icon's mouse messages arrive here as mouse moves carrying the
    // mouse message; the main window decodes them.
    SendMessageW(GetParent(picture), kTrayMessage, 0, lParam);
    return 0;
  }
  return DefWindowProcW(picture, message, wParam, lParam);
}

UniqueFont CreateModelFont(const ControlFont& font, const ScreenScale& scale) {
  return UniqueFont(CreateFontW(
      scale.FontHeight(font.Points), 0, 0, 0, font.Bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
      static_cast<BYTE>(font.Charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
      DEFAULT_PITCH | FF_SWISS, Utf8ToWide(font.Name).c_str()));
}

// How a price button is painted in each look. A live button shows its own
// colour; the stale and disconnected looks are grey, light and dark, so they
// cannot be taken for red or green or for each other, with a stripe of the
// button's colour along the left edge so the side stays known.
struct ButtonPaint {
  COLORREF Fill;
  COLORREF Text;
  bool Stripe;
  bool Hatched;
};

ButtonPaint PaintFor(ControlLook look, COLORREF live) {
  switch (look) {
    case ControlLook::Stale:
      return {RGB(200, 200, 200), RGB(64, 64, 64), true, true};
    case ControlLook::Disconnected:
      return {RGB(56, 56, 56), RGB(255, 255, 255), true, false};
    case ControlLook::Live:
      break;
  }
  return {live, GetSysColor(COLOR_BTNTEXT), false, false};
}

}  // namespace

RECT CircleInside(const RECT& area) {
  const LONG diameter = std::min(area.right - area.left, area.bottom - area.top);
  const LONG left = area.left + (area.right - area.left - diameter) / 2;
  const LONG top = area.top + (area.bottom - area.top - diameter) / 2;
  return {left, top, left + diameter, top + diameter};
}

void RegisterShapeClass(HINSTANCE instance) {
  WNDCLASSEXW shape{};
  shape.cbSize = sizeof shape;
  shape.lpfnWndProc = ShapeProc;
  shape.hInstance = instance;
  shape.lpszClassName = kShapeClass;
  RegisterClassExW(&shape);
  WNDCLASSEXW picture = shape;
  picture.lpfnWndProc = PictureProc;
  picture.lpszClassName = kPictureClass;
  RegisterClassExW(&picture);
}

MainWindowView::MainWindowView(HWND window, MainWindowModel& model, const Clock& clock)
    : window_(window), model_(model), clock_(clock), scale_(ScreenScale::OfWindow(window)) {
  priceFont_ = CreateModelFont(kPriceFont, scale_);
  defaultFont_ = CreateGuiFont(scale_);
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&model_));
  // Created in tab order, so the keyboard moves through them as designed.
  std::array<const ControlDesign*, kControlCount> ordered{};
  std::size_t count = 0;
  for (const ControlDesign& design : MainWindowModel::Controls()) {
    ordered[count++] = &design;
  }
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const ControlDesign* a, const ControlDesign* b) {
                     const auto key = [](const ControlDesign* d) {
                       return d->TabIndex < 0 ? 1000 : d->TabIndex;
                     };
                     return key(a) < key(b);
                   });
  for (const ControlDesign* design : ordered) {
    Create(*design);
  }
  // Labels and shapes lie beneath every button, as lightweight controls do:
  // in the compact layout cmdBestBid covers Label5.
  for (const ControlDesign& design : MainWindowModel::Controls()) {
    if (design.Kind == ControlKind::Label) {
      SetWindowPos(Control(design.Id), HWND_BOTTOM, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
  ApplyZOrder();
  model_.SetObserver(this);
}

MainWindowView::~MainWindowView() {
  model_.SetObserver(nullptr);
  if (timerRunning_) {
    KillTimer(window_, kRepaintTimer);
  }
  // The controls die with the window; until then they must not draw with a
  // deleted font.
  for (const HWND control : controls_) {
    SendMessageW(control, WM_SETFONT, 0, FALSE);
  }
}

std::size_t MainWindowView::Index(ControlId id) {
  return static_cast<std::size_t>(static_cast<int>(id) - kFirstControlId);
}

void MainWindowView::Create(const ControlDesign& design) {
  const ControlState& state = model_.State(design.Id);
  const wchar_t* windowClass = L"BUTTON";
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  switch (design.Kind) {
    case ControlKind::CommandButton:
      style |= WS_TABSTOP | (design.Graphical ? BS_OWNERDRAW : BS_PUSHBUTTON);
      break;
    case ControlKind::Label:
      windowClass = L"STATIC";
      style |= SS_LEFT;
      break;
    case ControlKind::Shape:
      windowClass = kShapeClass;
      break;
    case ControlKind::PictureBox:
      windowClass = kPictureClass;
      break;
  }
  if (state.Visible) {
    style |= WS_VISIBLE;
  }
  if (!state.Enabled) {
    style |= WS_DISABLED;
  }
  // Made where the model has it: one move fewer for each control at start-up.
  const TwipsRect& g = model_.Geometry(design.Id);
  const HWND control = CreateWindowExW(
      0, windowClass, Utf8ToWide(state.Caption).c_str(), style, scale_.X(g.Left), scale_.Y(g.Top),
      scale_.X(g.Width), scale_.Y(g.Height), window_,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(design.Id)),
      reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window_, GWLP_HINSTANCE)), nullptr);
  controls_[Index(design.Id)] = control;
  if (design.Kind == ControlKind::CommandButton || design.Kind == ControlKind::Label) {
    SetWindowLongPtrW(control, GWLP_USERDATA, GetWindowLongPtrW(control, GWLP_WNDPROC));
    SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CaptionedControlProc));
  }
  SendMessageW(control, WM_SETFONT,
               reinterpret_cast<WPARAM>(design.Font ? priceFont_.get() : defaultFont_.get()),
               FALSE);
}

void MainWindowView::ApplyFonts() {
  UniqueFont price = CreateModelFont(kPriceFont, scale_);
  UniqueFont standard = CreateGuiFont(scale_);
  for (const ControlDesign& design : MainWindowModel::Controls()) {
    SendMessageW(Control(design.Id), WM_SETFONT,
                 reinterpret_cast<WPARAM>(design.Font ? price.get() : standard.get()), TRUE);
  }
  // The old fonts go only once no control uses them.
  priceFont_ = std::move(price);
  defaultFont_ = std::move(standard);
}

void MainWindowView::DpiChanged(int dpi, const RECT& suggested) {
  scale_ = ScreenScale(dpi, dpi);
  ApplyFonts();
  for (const ControlDesign& design : MainWindowModel::Controls()) {
    ApplyGeometry(design.Id);
  }
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindowView::ApplyGeometry(ControlId id) {
  const TwipsRect& g = model_.Geometry(id);
  SetWindowPos(Control(id), nullptr, scale_.X(g.Left), scale_.Y(g.Top), scale_.X(g.Width),
               scale_.Y(g.Height), SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindowView::ApplyZOrder() {
  // The circle in front sits above the other one; both lie under the buttons
  // and the labels. Both go to the bottom, the back one last, so the front
  // one is directly above it.
  const ControlId front = model_.FrontShape();
  SetWindowPos(Control(front), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetWindowPos(Control(OtherShape(front)), HWND_BOTTOM, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  shownFront_ = front;
}

bool MainWindowView::ShowFrontShape() {
  const ControlId front = model_.FrontShape();
  if (front == shownFront_) {
    return false;
  }
  // The circles are the bottom two: the one in front going to the bottom
  // swaps them. The round paints both.
  SetWindowPos(Control(shownFront_), HWND_BOTTOM, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
  needsRepaint_[Index(front)] = true;
  needsRepaint_[Index(shownFront_)] = true;
  shownFront_ = front;
  return true;
}

void MainWindowView::ScheduleRepaint(ControlId id) {
  needsRepaint_[Index(id)] = true;
  ScheduleRound();
}

void MainWindowView::ScheduleRound() {
  if (roundPosted_ || timerRunning_) {
    return;  // the coming round carries this change too
  }
  // A round at once when the last one began a frame ago or more (after a
  // quiet spell, right after the poke has been answered); else when that
  // frame is over.
  const double since = MillisecondsSinceRound();
  if (since >= static_cast<double>(roundInterval_)) {
    roundPosted_ = PostMessageW(window_, kRepaintNowMessage, 0, 0) != 0;
    if (roundPosted_) {
      return;
    }
  }
  const double wait = std::max(1.0, static_cast<double>(roundInterval_) - since);
  timerRunning_ = SetTimer(window_, kRepaintTimer, static_cast<UINT>(wait + 0.5), nullptr) != 0;
  if (!timerRunning_) {
    CarryChanges();  // no timer to be had: paint now rather than never
  }
}

void MainWindowView::RepaintNow() {
  roundPosted_ = false;
  if (!timerRunning_) {
    CarryChanges();
  }
}

void MainWindowView::RepaintChanged() {
  if (timerRunning_) {
    KillTimer(window_, kRepaintTimer);
    timerRunning_ = false;
  }
  CarryChanges();
}

double MainWindowView::MillisecondsSinceRound() const {
  if (!lastRoundNanoseconds_) {
    return std::numeric_limits<double>::infinity();
  }
  return static_cast<double>(clock_.MonotonicNanoseconds() - *lastRoundNanoseconds_) / 1e6;
}

bool MainWindowView::CarryChanges() {
  const PokeTimings::Span span(timings_, PokeStage::Paint);
  const std::int64_t began = clock_.MonotonicNanoseconds();
  bool changed = ShowFrontShape();
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (textChanged_[i]) {
      textChanged_[i] = false;
      // The control's own copy, without the paint its WM_SETTEXT would do.
      const std::wstring caption =
          Utf8ToWide(model_.Caption(static_cast<ControlId>(kFirstControlId + static_cast<int>(i))));
      DefWindowProcW(controls_[i], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption.c_str()));
    }
    if (needsRepaint_[i]) {
      needsRepaint_[i] = false;
      PaintNow(controls_[i]);
      changed = true;
    }
  }
  if (changed) {
    const std::int64_t ended = clock_.MonotonicNanoseconds();
    if (timings_ != nullptr) {
      timings_->NoteRound(began, ended);
    }
    lastRoundNanoseconds_ = began;
    KeepRoundsWithinBudget(static_cast<double>(ended - began) / 1e6);
  }
  return changed;
}

void MainWindowView::KeepRoundsWithinBudget(double roundMilliseconds) {
  // Smoothed, so that one round held up by the machine does not slow the next ones.
  averageRoundMilliseconds_ = 0.75 * averageRoundMilliseconds_ + 0.25 * roundMilliseconds;
  const bool flooded = captionsSinceRound_ > kFloodCaptions;
  captionsSinceRound_ = 0;
  const double wanted = flooded ? std::clamp(averageRoundMilliseconds_ * kPaintShare,
                                             static_cast<double>(kFloodRepaintMilliseconds),
                                             static_cast<double>(kLongestRoundInterval))
                                : static_cast<double>(kRepaintMilliseconds);
  roundInterval_ = static_cast<UINT>(wanted + 0.5);
}

void MainWindowView::PaintNow(HWND control) {
  if (IsWindowVisible(control) == FALSE) {
    return;  // showing it paints it
  }
  // The control draws itself into a DC of its own, at once and without the
  // invalidate-and-WM_PAINT path, whose update regions and caret hiding cost
  // several round trips to the window system for every control every round.
  const HDC dc = GetDC(control);
  if (dc == nullptr) {
    InvalidateRect(control, nullptr, TRUE);
    return;
  }
  SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  ReleaseDC(control, dc);
}

void MainWindowView::ControlChanged(ControlId id, ControlProperty property) {
  const PokeTimings::Span span(timings_, PokeStage::Model);
  const HWND control = Control(id);
  switch (property) {
    case ControlProperty::Caption:
      ++captionsSinceRound_;
      textChanged_[Index(id)] = true;
      ScheduleRepaint(id);
      break;
    case ControlProperty::BackColor:
    case ControlProperty::Look:
      ScheduleRepaint(id);
      break;
    case ControlProperty::Enabled:
      EnableWindow(control, model_.Enabled(id) ? TRUE : FALSE);
      break;
    case ControlProperty::Visible:
      ShowWindow(control, model_.Visible(id) ? SW_SHOWNA : SW_HIDE);
      break;
    case ControlProperty::Geometry:
      ApplyGeometry(id);
      break;
    case ControlProperty::ZOrder:
      ScheduleRound();  // the round swaps the circles if they need it
      break;
  }
}

void MainWindowView::WindowChanged(WindowProperty property) {
  switch (property) {
    case WindowProperty::Caption:
      SetWindowTextW(window_, Utf8ToWide(model_.WindowCaption()).c_str());
      break;
    case WindowProperty::OuterSize:
      if (const auto& size = model_.OuterSize()) {
        SetWindowPos(window_, nullptr, 0, 0, scale_.X(size->Width), scale_.Y(size->Height),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      break;
    default:
      break;  // layout, state and tray are carried out by the window itself
  }
}

void MainWindowView::DrawButton(const DRAWITEMSTRUCT& item) const {
  const auto id = static_cast<ControlId>(item.CtlID);
  RECT area = item.rcItem;
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  const COLORREF own = ToColorRef(model_.BackColor(id));
  const ButtonPaint paint = PaintFor(model_.Look(id), own);
  const HBRUSH brush = CreateSolidBrush(paint.Fill);
  FillRect(item.hDC, &area, brush);
  DeleteObject(brush);
  if (paint.Hatched) {
    // Fine diagonal lines across the whole face: the book has stopped.
    const HBRUSH hatch = CreateHatchBrush(HS_BDIAGONAL, RGB(168, 168, 168));
    SetBkMode(item.hDC, TRANSPARENT);
    FillRect(item.hDC, &area, hatch);
    DeleteObject(hatch);
  }
  if (paint.Stripe) {
    RECT stripe = area;
    stripe.right = stripe.left + scale_.FromDefault(8);
    const HBRUSH side = CreateSolidBrush(own);
    FillRect(item.hDC, &stripe, side);
    DeleteObject(side);
  }
  DrawEdge(item.hDC, &area, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  if (pressed) {
    OffsetRect(&area, 1, 1);
  }
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC,
               (item.itemState & ODS_DISABLED) != 0 ? GetSysColor(COLOR_GRAYTEXT) : paint.Text);
  const HGDIOBJ oldFont = SelectObject(item.hDC, priceFont_.get());
  const std::wstring caption = Utf8ToWide(model_.Caption(id));
  DrawTextW(item.hDC, caption.c_str(), static_cast<int>(caption.size()), &area,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(item.hDC, oldFont);
  if ((item.itemState & ODS_FOCUS) != 0) {
    RECT focus = item.rcItem;
    InflateRect(&focus, -scale_.FromDefault(4), -scale_.FromDefault(4));
    DrawFocusRect(item.hDC, &focus);
  }
}

HBRUSH MainWindowView::LabelBackground(HDC dc, HWND label) const {
  const auto id = static_cast<ControlId>(GetDlgCtrlID(label));
  SetBkColor(dc, ToColorRef(model_.BackColor(id)));
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  return GetSysColorBrush(COLOR_BTNFACE);
}

bool MainWindowView::Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_DRAWITEM:
      DrawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      result = TRUE;
      return true;
    case WM_CTLCOLORSTATIC:
      result = reinterpret_cast<LRESULT>(
          LabelBackground(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
      return true;
    case WM_TIMER:
      if (wParam != kRepaintTimer) {
        return false;
      }
      RepaintChanged();
      result = 0;
      return true;
    case kRepaintNowMessage:
      RepaintNow();
      result = 0;
      return true;
    case kHideMessage:
      if (IsIconic(window_)) {
        ShowWindow(window_, SW_HIDE);
      }
      result = 0;
      return true;
    case WM_DPICHANGED:
      DpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      result = 0;
      return true;
    default:
      return false;
  }
}

void MainWindowView::FitClientArea(DWORD style) {
  const SIZE outer = scale_.OuterSizeForClient(MainWindowModel::kDesignClientSize.Width,
                                               MainWindowModel::kDesignClientSize.Height, style);
  SetWindowPos(window_, nullptr, 0, 0, outer.cx, outer.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TwipsSize MainWindowView::OuterSizeInTwips() const {
  RECT outer;
  GetWindowRect(window_, &outer);
  return {scale_.TwipsX(outer.right - outer.left), scale_.TwipsY(outer.bottom - outer.top)};
}

void MainWindowView::FocusFirstControl() {
  // The controls were created in tab order; the first that can take the
  // focus is the first price button shown and enabled in that order.
  const HWND first = GetNextDlgTabItem(window_, nullptr, FALSE);
  if (first != nullptr) {
    SetFocus(first);
  }
}

}  // namespace vestrel::win32
