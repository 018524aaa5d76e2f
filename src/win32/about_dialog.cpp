#include "win32/about_dialog.h"

#include <utility>
#include <vector>

#include "win32/text_encoding.h"
#include "win32/win32_error.h"
#include "win32/win32_message_box.h"
#include "win32/win32_process_starter.h"
#include "win32/win32_registry.h"
#include "win32/window_class.h"

namespace vestrel::win32 {
namespace {

constexpr int kClientWidthTwips = 5730;
constexpr int kClientHeightTwips = 3555;
// The etched rule above the buttons: a grey line and a white one below it.
constexpr int kRuleLeftTwips = 90;
constexpr int kRuleRightTwips = 5640;
constexpr int kRuleTopTwips = 2040;
constexpr double kTitleFontPoints = 13.5;  // Arial

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;

void RegisterAboutClass(HINSTANCE instance) {
  // A dialog class of our own name: the dialog manager's window procedure.
  if (!RegisterProgramWindowClass(instance, kAboutWindowClass, DefDlgProcW, COLOR_BTNFACE,
                                  DLGWINDOWEXTRA)) {
    RaiseLastError();
  }
}

// An in-memory dialog template without controls (they are placed in pixels
// once the dialog exists), naming the dialog's own class.
std::vector<WORD> DialogTemplate() {
  std::vector<WORD> words;
  const auto put32 = [&](DWORD value) {
    words.push_back(LOWORD(value));
    words.push_back(HIWORD(value));
  };
  put32(kDialogStyle);
  put32(0);                                    // extended style
  words.insert(words.end(), {0, 0, 0, 0, 0});  // no items; x, y, cx, cy
  words.push_back(0);                          // no menu
  for (const wchar_t* c = kAboutWindowClass; *c != L'\0'; ++c) {
    words.push_back(static_cast<WORD>(*c));
  }
  words.push_back(0);
  words.push_back(0);  // the title is set when the dialog loads
  return words;
}

}  // namespace

struct AboutDialog::OwnPorts {
  Win32Registry Registry;
  Win32ProcessStarter Processes;
  Win32MessageBox Messages;
};

AboutDialog::AboutDialog(HINSTANCE instance, ProgramVersion version)
    : own_(std::make_unique<OwnPorts>()),
      instance_(instance),
      model_(version, own_->Registry, own_->Processes, own_->Messages) {}

AboutDialog::AboutDialog(HINSTANCE instance, ProgramVersion version, Registry& registry,
                         ProcessStarter& processes, MessageBox& messages)
    : instance_(instance), model_(version, registry, processes, messages) {}

AboutDialog::~AboutDialog() {
  closed_ = nullptr;
  if (window_ != nullptr) {
    DestroyWindow(window_);
  }
}

void AboutDialog::Show() {
  if (window_ != nullptr) {
    ShowWindow(window_, IsIconic(window_) != FALSE ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(window_);
    return;
  }
  model_.Load();
  RegisterAboutClass(instance_);
  const std::vector<WORD> dialogTemplate = DialogTemplate();
  const HWND dialog = CreateDialogIndirectParamW(
      instance_, reinterpret_cast<LPCDLGTEMPLATEW>(dialogTemplate.data()), nullptr, DialogProc,
      reinterpret_cast<LPARAM>(this));
  if (dialog == nullptr) {
    RaiseLastError();
  }
  ShowWindow(dialog, SW_SHOW);
  SetForegroundWindow(dialog);
}

bool AboutDialog::PreTranslateMessage(MSG& message) {
  return window_ != nullptr && IsDialogMessageW(window_, &message) != FALSE;
}

void AboutDialog::Initialize(HWND dialog) {
  window_ = dialog;
  if (own_) {
    own_->Messages.SetOwner(dialog);
  }
  scale_ = ScreenScale::OfScreen();
  SetWindowTextW(dialog, Utf8ToWide(model_.Caption()).c_str());

  // The designed client area, centred in the work area.
  const SIZE outer = scale_.OuterSizeForClient(
      kClientWidthTwips, kClientHeightTwips, static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE)),
      static_cast<DWORD>(GetWindowLongW(dialog, GWL_EXSTYLE)));
  const int width = outer.cx;
  const int height = outer.cy;
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  SetWindowPos(dialog, nullptr, work.left + (work.right - work.left - width) / 2,
               work.top + (work.bottom - work.top - height) / 2, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);

  if (!titleFont_) {
    titleFont_.reset(CreateFontW(scale_.FontHeight(kTitleFontPoints), 0, 0, 0, FW_NORMAL, FALSE,
                                 FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                                 L"Arial"));
  }
  // In tab order: OK first, so it has the focus.
  AddControl(L"BUTTON", kAboutOkId, "OK", WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 4245, 2580,
             1260, 345);
  AddControl(L"BUTTON", kAboutSysInfoId, "&System Info...", WS_TABSTOP | BS_PUSHBUTTON, 4245, 3030,
             1260, 345);
  constexpr DWORD kLabel = SS_LEFT | SS_NOPREFIX;
  AddControl(L"STATIC", kAboutTitleId, AboutDialogModel::lblTitle, kLabel, 240, 240, 5250, 480);
  AddControl(L"STATIC", kAboutVersionId, model_.lblVersion().c_str(), kLabel, 240, 780, 5250, 255);
  AddControl(L"STATIC", kAboutLabel1Id, AboutDialogModel::Label1, kLabel, 240, 1140, 5250, 255);
  AddControl(L"STATIC", kAboutLabel2Id, AboutDialogModel::Label2, kLabel, 240, 1395, 5250, 255);
  AddControl(L"STATIC", kAboutLabel3Id, AboutDialogModel::Label3, kLabel, 240, 1650, 5250, 255);
  AddControl(L"STATIC", kAboutDisclaimerId, AboutDialogModel::lblDisclaimer, kLabel, 240, 2265,
             3825, 1110);
  SendDlgItemMessageW(dialog, kAboutTitleId, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_.get()),
                      FALSE);
}

void AboutDialog::AddControl(const wchar_t* windowClass, int id, const char* text, DWORD style,
                             int left, int top, int width, int height) {
  const HWND control =
      CreateWindowExW(0, windowClass, Utf8ToWide(text).c_str(), WS_CHILD | WS_VISIBLE | style,
                      scale_.X(left), scale_.Y(top), scale_.X(width), scale_.Y(height), window_,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
               FALSE);
}

void AboutDialog::PaintRule(HWND dialog) const {
  const PaintScope paint(dialog);
  const int left = scale_.X(kRuleLeftTwips);
  const int right = scale_.X(kRuleRightTwips);
  const int top = scale_.Y(kRuleTopTwips);
  // A grey line over a white one: the engraved rule.
  const UniqueGdiObject<HPEN> grey(CreatePen(PS_SOLID, 1, RGB(0x80, 0x80, 0x80)));
  const UniqueGdiObject<HPEN> white(CreatePen(PS_SOLID, 1, RGB(0xFF, 0xFF, 0xFF)));
  for (const auto& [pen, y] : {std::pair{grey.get(), top}, std::pair{white.get(), top + 1}}) {
    const SelectionScope selected(paint.Dc(), pen);
    MoveToEx(paint.Dc(), left, y, nullptr);
    LineTo(paint.Dc(), right, y);
  }
}

void AboutDialog::Closed() {
  window_ = nullptr;
  if (own_) {
    own_->Messages.SetOwner(nullptr);
  }
  if (closed_) {
    closed_();
  }
}

INT_PTR CALLBACK AboutDialog::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
  }
  auto* self = reinterpret_cast<AboutDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (self == nullptr) {
    return FALSE;
  }
  // Nothing may leave a dialog procedure: a failure here leaves the dialog
  // as it is.
  try {
    switch (message) {
      case WM_INITDIALOG:
        self->Initialize(dialog);
        SetFocus(GetDlgItem(dialog, kAboutOkId));
        return FALSE;  // the focus is set
      case WM_COMMAND:
        switch (LOWORD(wParam)) {
          case IDOK:
          case IDCANCEL:  // Esc and the close box
            DestroyWindow(dialog);
            return TRUE;
          case kAboutSysInfoId:
            if (HIWORD(wParam) == BN_CLICKED) {
              self->model_.StartSysInfo();
            }
            return TRUE;
          default:
            return FALSE;
        }
      case WM_PAINT:
        self->PaintRule(dialog);
        return TRUE;
      case WM_NCDESTROY:
        SetWindowLongPtrW(dialog, DWLP_USER, 0);
        self->Closed();
        return FALSE;
      default:
        return FALSE;
    }
  } catch (...) {
    return TRUE;
  }
}

}  // namespace vestrel::win32
