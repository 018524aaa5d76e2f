#include "models/log_window_model.h"

#include "diag/error_scope.h"

namespace vestrel {

LogWindowModel::LogWindowModel(LogDispatcher& log, const RegionalSettings& regional,
                               const bool& mainWindowClosing)
    : log_(log), regional_(regional), closing_(mainWindowClosing) {}

void LogWindowModel::SetLoaded(bool loaded) {
  if (loaded_ != loaded) {
    loaded_ = loaded;
    if (observer_ != nullptr) {
      observer_->LoadedChanged(loaded);
    }
  }
}

void LogWindowModel::SetVisible(bool visible) {
  if (visible_ != visible) {
    visible_ = visible;
    if (observer_ != nullptr) {
      observer_->VisibilityChanged(visible);
    }
  }
}

void LogWindowModel::Load() { SetLoaded(true); }

void LogWindowModel::AddLine(const std::string& text) {
  ErrorScope scope(log_, "Vestrel.frmLog.LogData", ParamRef("strData", text));
  scope.PassOn([&] {
    scope.Line = 1;
    Load();
    scope.Line = 2;
    std::string line = regional_.GeneralDate(regional_.Now());
    line += '|';
    line += text;
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

void LogWindowModel::Show() {
  Load();
  SetVisible(true);
}

bool LogWindowModel::RequestClose() {
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
