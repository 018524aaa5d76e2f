#include "win32/main_window_view.h"

#include <algorithm>
#include <utility>

#include "contract/automation_contract.h"
#include "win32/price_button_paint.h"
#include "win32/text_encoding.h"

namespace vestrel::win32 {
namespace {

using contract::kFirstControlId;

constexpr COLORREF kStatusTextColor = RGB(192, 0, 0);

UniqueFont CreateModelFont(const ControlFont& font, const ScreenScale& scale) {
  return UniqueFont(CreateFontW(
      scale.FontHeight(font.Points), 0, 0, 0, font.Bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
      static_cast<BYTE>(font.Charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
      DEFAULT_PITCH | FF_SWISS, Utf8ToWide(font.Name).c_str()));
}

void MoveToBottom(HWND control, UINT extraFlags = 0) {
  SetWindowPos(control, HWND_BOTTOM, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | extraFlags);
}

}  // namespace

MainWindowView::MainWindowView(HWND window, MainWindowModel& model, const Clock& clock)
    : window_(window), model_(model), scale_(ScreenScale::OfWindow(window)), pacer_(clock) {
  priceFont_ = CreateModelFont(kPriceFont, scale_);
  defaultFont_ = CreateGuiFont(scale_);
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&model_));
  // A new child lies beneath its siblings, so the controls are made from
  // the top of the z-order down, with no reordering afterwards: the ones
  // the keyboard reaches in tab order, so it moves through them as
  // designed; then the labels, beneath every button as lightweight controls
  // are (in the compact layout cmdBestBid covers Label5); then the circle in
  // front and, last, the one behind it.
  const ControlId front = model_.FrontShape();
  const auto layer = [front](const ControlDesign& design) {
    if (design.Kind == ControlKind::Label) {
      return 1;
    }
    if (design.Id == front) {
      return 2;
    }
    return design.Kind == ControlKind::Shape ? 3 : 0;
  };
  std::array<const ControlDesign*, kControlCount> ordered{};
  std::size_t count = 0;
  for (const ControlDesign& design : MainWindowModel::Controls()) {
    ordered[count++] = &design;
  }
  std::stable_sort(ordered.begin(), ordered.end(),
                   [&layer](const ControlDesign* a, const ControlDesign* b) {
                     const auto key = [&layer](const ControlDesign* d) {
                       // The labels keep the design's order.
                       const int tab = d->Kind == ControlKind::Label ? 0 : d->TabIndex;
                       return std::pair(layer(*d), tab < 0 ? 1000 : tab);
                     };
                     return key(a) < key(b);
                   });
  for (const ControlDesign* design : ordered) {
    Create(*design);
  }
  shownFront_ = front;
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
      // In the compact window the status line is narrower than a long
      // folder: the folder's middle gives way, its last part and the whole
      // text (WM_GETTEXT) stay.
      if (design.Id == ControlId::lblStatus) {
        style |= SS_PATHELLIPSIS | SS_NOPREFIX;
      }
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
    AnswerTextFromModel(control);
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

bool MainWindowView::ShowFrontShape() {
  const ControlId front = model_.FrontShape();
  if (front == shownFront_) {
    return false;
  }
  // The circles are the bottom two: the one in front going to the bottom
  // swaps them. The round paints both.
  MoveToBottom(Control(shownFront_), SWP_NOREDRAW);
  needsRepaint_[Index(front)] = true;
  needsRepaint_[Index(shownFront_)] = true;
  shownFront_ = front;
  return true;
}

void MainWindowView::ScheduleRepaint(ControlId id, bool caption) {
  needsRepaint_[Index(id)] = true;
  ScheduleRound(caption);
}

void MainWindowView::ScheduleRound(bool caption) {
  const RepaintPacer::Request request = pacer_.Changed(caption);
  bool asked = true;
  switch (request.What) {
    case RepaintPacer::Ask::Nothing:
      return;
    case RepaintPacer::Ask::RunNow:
      Round();
      return;
    case RepaintPacer::Ask::Post:
      asked = PostMessageW(window_, kRepaintNowMessage, 0, 0) != 0;
      break;
    case RepaintPacer::Ask::Timer:
      asked = SetTimer(window_, kRepaintTimer, static_cast<UINT>(request.TimerMs), nullptr) != 0;
      timerRunning_ = asked;
      break;
  }
  if (!asked) {
    pacer_.AskFailed();
    Round();  // nothing to wake a round: paint now rather than never
  }
}

void MainWindowView::Round() {
  const RepaintPacer::Start start = pacer_.RoundStarts();
  if (start.StopTimer || timerRunning_) {
    KillTimer(window_, kRepaintTimer);
    timerRunning_ = false;
  }
  const PokeTimings::Span span(timings_, PokeStage::Paint);
  if (CarryChanges()) {
    const std::int64_t ended = pacer_.RoundCarried(start.BeganNs);
    if (timings_ != nullptr) {
      timings_->NoteRound(start.BeganNs, ended);
    }
  }
}

bool MainWindowView::CarryChanges() {
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
  if (roundHook_ && roundHook_()) {
    changed = true;
  }
  return changed;
}

void MainWindowView::PaintNow(HWND control) {
  if (IsWindowVisible(control) == FALSE) {
    return;  // showing it paints it
  }
  // The control draws itself into a DC of its own, at once and without the
  // invalidate-and-WM_PAINT path, whose update regions and caret hiding cost
  // several round trips to the window system for every control every round.
  const UniqueWindowDc dc = WindowDc(control);
  if (!dc) {
    InvalidateRect(control, nullptr, TRUE);
    return;
  }
  SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
}

void MainWindowView::ControlChanged(ControlId id, ControlProperty property) {
  const PokeTimings::Span span(timings_, PokeStage::Model);
  const HWND control = Control(id);
  switch (property) {
    case ControlProperty::Caption:
      textChanged_[Index(id)] = true;
      ScheduleRepaint(id, true);
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

bool MainWindowView::Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  result = 0;
  switch (message) {
    case WM_DRAWITEM:
      DrawPriceButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), model_, priceFont_.get(),
                      scale_);
      result = TRUE;
      return true;
    case WM_CTLCOLORSTATIC: {
      const auto dc = reinterpret_cast<HDC>(wParam);
      const auto id = static_cast<ControlId>(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)));
      SetBkColor(dc, ToColorRef(model_.BackColor(id)));
      // The status line says what stops trading: it stands out in red.
      SetTextColor(dc, id == ControlId::lblStatus ? kStatusTextColor : GetSysColor(COLOR_BTNTEXT));
      result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      return true;
    }
    case WM_TIMER:
      if (wParam != kRepaintTimer) {
        return false;
      }
      Round();
      return true;
    case kRepaintNowMessage:
      Round();
      return true;
    case kHideMessage:
      if (IsIconic(window_)) {
        ShowWindow(window_, SW_HIDE);
      }
      return true;
    case WM_DPICHANGED:
      DpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return true;
    default:
      return false;
  }
}

SIZE MainWindowView::DesignOuterSize(const ScreenScale& scale, DWORD style) {
  return scale.OuterSizeForClient(MainWindowModel::kDesignClientSize.Width,
                                  MainWindowModel::kDesignClientSize.Height, style);
}

void MainWindowView::FitClientArea(DWORD style) {
  const SIZE outer = DesignOuterSize(scale_, style);
  RECT now{};
  GetWindowRect(window_, &now);
  if (now.right - now.left == outer.cx && now.bottom - now.top == outer.cy) {
    return;
  }
  SetWindowPos(window_, nullptr, 0, 0, outer.cx, outer.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TwipsSize MainWindowView::OuterSizeInTwips() const {
  RECT outer;
  GetWindowRect(window_, &outer);
  return {scale_.TwipsX(outer.right - outer.left), scale_.TwipsY(outer.bottom - outer.top)};
}

TwipsSize MainWindowView::ClientSizeInTwips() const {
  RECT client;
  GetClientRect(window_, &client);
  return {scale_.TwipsX(client.right), scale_.TwipsY(client.bottom)};
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
