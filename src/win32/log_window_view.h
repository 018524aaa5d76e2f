#pragma once

#include <string>

#include "contract/automation_contract.h"
#include "models/log_window_model.h"
#include "win32/screen_scale.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {

using contract::kLogListId;
using contract::kLogWindowClass;

// The transaction log window on screen: a plain resizable top-level window
// without an owner or a title, filled by one list box (kLogListId) that holds
// the model's lines in order. It follows the LogWindowModel model it is bound to:
// created hidden once start-up is over (or at the loaded model's first line,
// or when it is shown, whichever comes first), shown and hidden with it, destroyed when it unloads.
// The window's close box asks the model, which hides the window while the panel runs and unloads it
// once the panel shuts down.
class LogWindowView : public LogWindowObserver {
 public:
  // Binds the view as the model's observer; a model that is loaded and
  // visible already gets its window at once.
  LogWindowView(HINSTANCE instance, LogWindowModel& model);
  ~LogWindowView() override;
  LogWindowView(const LogWindowView&) = delete;
  LogWindowView& operator=(const LogWindowView&) = delete;

  // The Log button: shows the window (loading it when it is not) and brings
  // it to the front, restored when it was minimised.
  void Show();

  // Makes the window, hidden, when the model is loaded and it is not there
  // yet. Failures are left for the first line to meet.
  void CreateHidden();

  // nullptr while the model is not loaded, or loaded without a line shown yet.
  HWND Window() const { return window_; }
  HWND List() const { return list_; }

  void LoadedChanged(bool loaded) override;
  void VisibilityChanged(bool visible) override;
  // Appends the line to the list box; a list that refuses it (LB_ERR,
  // LB_ERRSPACE) throws AppError.
  void LineAdded(const std::string& line) override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Creates the window, hidden, with the model's lines; throws AppError.
  void Create();
  void Destroy();
  void Append(const std::wstring& line);
  void FitList();
  void SetListFont(const ScreenScale& scale);

  HINSTANCE instance_;
  LogWindowModel& model_;
  HWND window_ = nullptr;
  HWND list_ = nullptr;
  int widestLine_ = 0;  // pixels, for the horizontal scroll bar
  UniqueFont font_;
};

}  // namespace vestrel::win32
