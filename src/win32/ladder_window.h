#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "contract/automation_contract.h"
#include "ladder/ladder_model.h"
#include "panel/panel.h"
#include "win32/ladder_row_paint.h"
#include "win32/screen_scale.h"
#include "win32/unique_handle.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {

using contract::kLadderWindowClass;

// The ladder window: a top-level window owned by the main window, the tick in
// a line at its top, the position at its bottom and the rows between them in
// a list box (kLadderRowsId) whose items are the rows' texts, so tools read
// them as any list box's. The window draws the rows itself from the model,
// double-buffered, and only those that changed; it turns clicks, the middle
// button and the wheel into the model's and the panel's calls.
class LadderWindow {
 public:
  LadderWindow(HINSTANCE instance, Panel& panel, LadderModel& model);
  ~LadderWindow();
  LadderWindow(const LadderWindow&) = delete;
  LadderWindow& operator=(const LadderWindow&) = delete;

  // Creates the window, hidden; false when it could not be made.
  bool Create(HWND owner, const std::string& secCode, bool alwaysOnTop);
  // How the window asks for a repaint round of the main window when a book
  // changed the model.
  void SetRoundRequest(std::function<void()> request) { requestRound_ = std::move(request); }

  void Show();
  void Hide();
  void ToggleShown();
  // The main window went to the tray or came back from it.
  void OwnerMinimized();
  void OwnerRestored();

  // A repaint round: brings the model up to date and draws what changed.
  // True when anything was drawn.
  bool Round();

  LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleList(UINT message, WPARAM wParam, LPARAM lParam);

  void MakeFonts();
  void Layout();
  // The list's items follow the rows; changed rows are drawn at once.
  void SyncItems(const std::vector<std::int32_t>& changed);
  void PaintRows(HDC dc, const RECT& clip);
  void PaintRow(HDC dc, std::size_t index, const RECT& area);
  void DrawRowsNow(const std::vector<std::int32_t>& rows);
  void PaintFrameTexts(HDC dc);
  RECT HeaderRect() const;
  RECT FooterRect() const;

  void Clicked(int x, int y);
  void Scrolled(int wheelDelta);
  void Centred();

  HINSTANCE instance_;
  Panel& panel_;
  LadderModel& model_;
  HWND window_ = nullptr;
  HWND list_ = nullptr;
  WNDPROC listProc_ = nullptr;
  ScreenScale scale_;
  UniqueFont plain_;
  UniqueFont bold_;
  int rowHeight_ = 18;
  std::function<void()> requestRound_;
  bool shown_ = false;
  bool ownerMinimized_ = false;
  // The button went down on this row (none: -1).
  int pressedRow_ = -1;
  int wheelRest_ = 0;
  std::string header_;
  std::string footer_;
};

}  // namespace vestrel::win32
