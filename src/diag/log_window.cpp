#include "diag/log_window.h"

#include "diag/error_scope.h"

namespace vestrel {

LogWindow::LogWindow(LogDispatcher& log, const bool& blnClosing)
    : log_(log), closing_(blnClosing) {}

void LogWindow::SetLoaded(bool loaded) {
  if (loaded_ != loaded) {
    loaded_ = loaded;
    if (observer_ != nullptr) {
      observer_->LoadedChanged(loaded);
    }
  }
}

void LogWindow::SetVisible(bool visible) {
  if (visible_ != visible) {
    visible_ = visible;
    if (observer_ != nullptr) {
      observer_->VisibilityChanged(visible);
    }
  }
}

void LogWindow::Load() { SetLoaded(true); }

void LogWindow::LogData(const std::string& strData) {
  ErrorScope scope(log_, "Vestrel.frmLog.LogData", ParamRef("strData", strData));
  scope.PassOn([&] {
    scope.Line = 1;
    Load();
    scope.Line = 2;
    RegionalSettings& regional = log_.Regional();
    std::string line = regional.GeneralDate(regional.Now());
    line += '|';
    line += strData;
    scope.Line = 3;
    lines_.push_back(std::move(line));
    if (observer_ != nullptr) {
      try {
        observer_->LineAdded(lines_.back());
      } catch (...) {
        // The list on screen refused the line: keep the model as it shows.
        lines_.pop_back();
        throw;
      }
    }
  });
}

void LogWindow::Show() {
  Load();
  SetVisible(true);
}

bool LogWindow::RequestClose() {
  if (!closing_) {
    SetVisible(false);
    return false;
  }
  SetVisible(false);
  lines_.clear();
  SetLoaded(false);
  return true;
}

}  // namespace vestrel
