#include "win32/main_window.h"

#include <memory>

#include "app/main_form.h"
#include "app/main_window_model.h"
#include "book/order_book.h"
#include "dde/dde_server.h"
#include "dde/xltable_decoder.h"
#include "diag/log_dispatcher.h"
#include "diag/log_window.h"
#include "ports/modeless_windows.h"
#include "trade/gateway.h"
#include "trade/order_commands.h"
#include "win32/about_dialog.h"
#include "win32/log_window_view.h"
#include "win32/main_window_view.h"
#include "win32/win32_dde_library.h"
#include "win32/win32_event_log.h"
#include "win32/win32_file_system.h"
#include "win32/win32_main_window_shell.h"
#include "win32/win32_message_box.h"
#include "win32/win32_profile_reader.h"
#include "win32/win32_regional_settings.h"
#include "win32/win32_transaction_library.h"
#include "win32/win32_user_context.h"
#include "win32/window_class.h"

namespace vestrel::win32 {
namespace {

// Everything the panel is made of, wired together: the platform's adapters,
// the core, and the windows that show it.
class Panel : public MainWindowCloser, public ModelessWindows, public DdeServerLifecycle {
 public:
  explicit Panel(HINSTANCE instance)
      : instance_(instance),
        about_(instance, ProgramVersion{kVersionMajor, kVersionMinor, kVersionRevision}) {}

  // Creates the window hidden, runs start-up and shows it unless start-up
  // asked it to close. False when the window could not be created.
  bool Open(int show);
  LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // The loop's first look at a message: the About dialog's keyboard.
  bool PreTranslate(MSG& message);

  // MainWindowCloser: start-up's failed connection, a wrong order book.
  void RequestClose() override;
  // ModelessWindows: the Log and About buttons.
  void ShowLog() override { logView_->Show(); }
  void ShowAbout() override { about_.Show(); }
  // DdeServerLifecycle: start-up and shutdown of the DDE server.
  void DDEInit(const std::string& pDDEServer, const std::string& pDDETopic,
               const std::string& pDDEAdvise, std::int32_t& pInstID,
               std::uintptr_t& pItemAdvise) override;
  void DDETerm(std::int32_t& pInstID, std::uintptr_t& pItemAdvise) override;

 private:
  void Click(ControlId control);
  void Resized(WPARAM kind);

  HINSTANCE instance_;
  HWND window_ = nullptr;
  bool loading_ = false;
  bool closeAfterLoad_ = false;

  Win32EventLog eventLog_;
  Win32MessageBox messages_;
  Win32RegionalSettings regional_;
  Win32FileSystem files_;
  Win32ProfileReader profile_;
  Win32UserContextSource users_;
  Win32TransactionLibrary library_;
  Win32DdeLibrary ddeLibrary_;
  Win32MainWindowShell shell_;
  LogDispatcher log_{LogServices{eventLog_, files_, regional_, users_}};

  MainWindowModel model_;
  bool blnClosing_ = false;
  LogWindow logWindow_{log_, blnClosing_};
  TradingGateway gateway_{log_, messages_, library_, logWindow_};
  OrderBook book_{log_, messages_, model_, *this};
  XLTableDecoder decoder_{log_, [this](std::int32_t& pInstID, const DecodedTable& table) {
                            book_.DDEDataChanged(pInstID, table);
                          }};
  DdeServer dde_{log_, ddeLibrary_, messages_,
                 [this](std::int32_t& pInstID, std::span<const std::uint8_t> data) {
                   decoder_.ParseXLTable(pInstID, data);
                 }};
  std::uint32_t ddeInstance_ = 0;
  DdeHandle ddeItemAdvise_ = 0;
  DdeGlassEntry glass_{log_, dde_, ddeInstance_, ddeItemAdvise_};
  frmMain form_{{log_, model_, shell_, *this, profile_, logWindow_, gateway_, *this, blnClosing_}};
  OrderCommands commands_{log_, model_, form_.CurrentSettings(), gateway_, *this};

  std::unique_ptr<MainWindowView> view_;
  std::unique_ptr<LogWindowView> logView_;
  AboutDialog about_;
};

Panel* PanelOf(HWND window) { return reinterpret_cast<Panel*>(GetWindowLongPtrW(window, 0)); }

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    SetWindowLongPtrW(
        window, 0,
        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  }
  Panel* panel = PanelOf(window);
  return panel != nullptr ? panel->Handle(window, message, wParam, lParam)
                          : DefWindowProcW(window, message, wParam, lParam);
}

TwipsSize OuterSizeInTwips(HWND window, const MainWindowView& view) {
  RECT outer;
  GetWindowRect(window, &outer);
  return {view.PixelsToTwips(outer.right - outer.left),
          view.PixelsToTwips(outer.bottom - outer.top)};
}

}  // namespace

bool Panel::Open(int show) {
  const DWORD style = WS_OVERLAPPEDWINDOW & ~WS_MAXIMIZEBOX;
  window_ = CreateWindowExW(0, kMainWindowClass, L"Marlowin", style, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance_, this);
  if (window_ == nullptr) {
    return false;
  }
  view_ = std::make_unique<MainWindowView>(window_, model_);
  logView_ = std::make_unique<LogWindowView>(instance_, logWindow_);
  shell_.Attach(window_, view_->Control(ControlId::picTray),
                reinterpret_cast<HICON>(GetClassLongPtrW(window_, GCLP_HICONSM)));
  messages_.SetOwner(window_);
  about_.SetClosedHandler([this] {
    if (window_ == nullptr) {
      PostQuitMessage(0);
    }
  });

  // The designed client area, whatever the frame's size at this DPI.
  RECT outer{0, 0, view_->TwipsToPixels(MainWindowModel::kDesignClientSize.Width),
             view_->TwipsToPixels(MainWindowModel::kDesignClientSize.Height)};
  AdjustWindowRect(&outer, style, FALSE);
  SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  loading_ = true;
  form_.Form_Load();
  loading_ = false;
  book_.SetDdeInstance(static_cast<std::int32_t>(ddeInstance_));
  if (closeAfterLoad_) {
    DestroyWindow(window_);
    return true;
  }
  ShowWindow(window_, show);
  UpdateWindow(window_);
  return true;
}

void Panel::RequestClose() {
  if (loading_) {
    closeAfterLoad_ = true;
  } else if (window_ != nullptr) {
    PostMessageW(window_, WM_CLOSE, 0, 0);
  }
}

void Panel::DDEInit(const std::string& pDDEServer, const std::string& pDDETopic,
                    const std::string& pDDEAdvise, std::int32_t& pInstID,
                    std::uintptr_t& pItemAdvise) {
  dde_.DDEInit(pDDEServer, pDDETopic, pDDEAdvise, glass_, ddeInstance_, ddeItemAdvise_);
  pInstID = static_cast<std::int32_t>(ddeInstance_);
  pItemAdvise = ddeItemAdvise_;
}

void Panel::DDETerm(std::int32_t& pInstID, std::uintptr_t& pItemAdvise) {
  ddeInstance_ = static_cast<std::uint32_t>(pInstID);
  ddeItemAdvise_ = pItemAdvise;
  dde_.DDETerm(ddeInstance_, ddeItemAdvise_);
  pInstID = static_cast<std::int32_t>(ddeInstance_);
  pItemAdvise = ddeItemAdvise_;
}

bool Panel::PreTranslate(MSG& message) {
  if (about_.PreTranslateMessage(message)) {
    return true;
  }
  return window_ != nullptr && IsDialogMessageW(window_, &message);
}

void Panel::Click(ControlId control) {
  switch (control) {
    case ControlId::cmdBestBid:
      commands_.cmdBestBid_Click();
      break;
    case ControlId::cmdBestAsk:
      commands_.cmdBestAsk_Click();
      break;
    case ControlId::cmdMaxBid:
      commands_.cmdMaxBid_Click();
      break;
    case ControlId::cmdMaxAsk:
      commands_.cmdMaxAsk_Click();
      break;
    case ControlId::cmdReverse:
      commands_.cmdReverse_Click();
      break;
    case ControlId::cmdKillOrders:
      commands_.cmdKillOrders_Click();
      break;
    case ControlId::cmdLog:
      commands_.cmdLog_Click();
      break;
    case ControlId::cmdAbout:
      commands_.cmdAbout_Click();
      break;
    default:
      break;
  }
}

void Panel::Resized(WPARAM kind) {
  if (kind == SIZE_MINIMIZED) {
    form_.Form_Resize(WindowState::Minimized);
  } else if (kind == SIZE_RESTORED && view_) {
    // A size the trader dragged to is the model's now, so the compact layout
    // springs back from it.
    model_.NoteOuterSize(OuterSizeInTwips(window_, *view_));
    form_.Form_Resize(WindowState::Normal);
  }
}

LRESULT Panel::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && lParam != 0) {
        Click(static_cast<ControlId>(LOWORD(wParam)));
        return 0;
      }
      break;
    case WM_DRAWITEM:
      if (view_) {
        view_->DrawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
      }
      break;
    case WM_TIMER:
      if (wParam == kRepaintTimer && view_) {
        view_->RepaintChanged();
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC:
      if (view_) {
        return reinterpret_cast<LRESULT>(
            view_->LabelBackground(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
      }
      break;
    case WM_SIZE:
      if (!loading_) {
        Resized(wParam);
      }
      break;
    case kHideMessage:
      if (IsIconic(window)) {
        ShowWindow(window, SW_HIDE);
      }
      return 0;
    case kTrayMessage:
      form_.picTray_MouseMove(static_cast<std::int32_t>(lParam));
      return 0;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY: {
      std::int16_t cancel = 0;
      form_.Form_Unload(cancel);
      messages_.SetOwner(nullptr);
      logView_.reset();
      view_.reset();
      window_ = nullptr;
      // An About dialog still open keeps the program until it is closed.
      if (!about_.IsOpen()) {
        PostQuitMessage(0);
      }
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

int RunPanel(HINSTANCE instance, int show) {
  CoInitialize(nullptr);
  RegisterShapeClass(instance);
  if (!RegisterProgramWindowClass(instance, kMainWindowClass, MainWindowProc, COLOR_BTNFACE,
                                  sizeof(Panel*))) {
    return 1;
  }

  int exitCode = 1;
  {
    Panel panel(instance);
    if (panel.Open(show)) {
      MSG message;
      while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!panel.PreTranslate(message)) {
          TranslateMessage(&message);
          DispatchMessageW(&message);
        }
      }
      exitCode = 0;
    }
  }
  CoUninitialize();
  return exitCode;
}

}  // namespace vestrel::win32
