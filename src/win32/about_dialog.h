#pragma once

#include <functional>
#include <memory>

#include "contract/automation_contract.h"
#include "models/about_dialog_model.h"
#include "win32/screen_scale.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {

using contract::kAboutWindowClass;

// Control IDs of the About dialog.
inline constexpr int kAboutOkId = IDOK;  // cmdOK
inline constexpr int kAboutSysInfoId = 3001;
inline constexpr int kAboutTitleId = 3002;
inline constexpr int kAboutVersionId = 3003;
inline constexpr int kAboutDisclaimerId = 3004;
inline constexpr int kAboutLabel1Id = 3005;
inline constexpr int kAboutLabel2Id = 3006;
inline constexpr int kAboutLabel3Id = 3007;

// The About dialog: modeless, without an owner, fixed in size. Show() creates
// it (loading the model: title and version) or brings back the one that is
// open. OK, Enter, Esc and the close box destroy it; nothing of it stays
// behind to keep the program running.
//
// The dialog lives on the program's one message loop, which must hand it
// every message first: `if (about.PreTranslateMessage(msg)) continue;`.
class AboutDialog {
 public:
  // With the Win32 registry and process adapters, and message boxes owned by
  // the dialog.
  AboutDialog(HINSTANCE instance, ProgramVersion version);
  // With the given ports.
  AboutDialog(HINSTANCE instance, ProgramVersion version, Registry& registry,
              ProcessStarter& processes, MessageBox& messages);
  // Destroys a dialog that is still open.
  ~AboutDialog();
  AboutDialog(const AboutDialog&) = delete;
  AboutDialog& operator=(const AboutDialog&) = delete;

  // The About button. Throws AppError when the window cannot be created.
  void Show();
  bool IsOpen() const { return window_ != nullptr; }
  // nullptr while closed.
  HWND Window() const { return window_; }

  // The dialog's keyboard (Tab, Enter, Esc, Alt+S): true when the message
  // was the dialog's and has been handled.
  bool PreTranslateMessage(MSG& message);

  // Called once each time the dialog has closed (the program ends through
  // it when the main window went first).
  void SetClosedHandler(std::function<void()> handler) { closed_ = std::move(handler); }

  AboutDialogModel& Model() { return model_; }

 private:
  struct OwnPorts;
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  void Initialize(HWND dialog);
  void AddControl(const wchar_t* windowClass, int id, const char* text, DWORD style, int left,
                  int top, int width, int height);
  void PaintRule(HWND dialog) const;
  void Closed();

  std::unique_ptr<OwnPorts> own_;
  HINSTANCE instance_;
  AboutDialogModel model_;
  std::function<void()> closed_;
  HWND window_ = nullptr;
  UniqueFont titleFont_;
  ScreenScale scale_{96, 96};
};

}  // namespace vestrel::win32
