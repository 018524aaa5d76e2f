#pragma once

#include <string>
#include <vector>

#include "diag/log_dispatcher.h"
#include "ports/regional_settings.h"

namespace vestrel {

// Told of every change of the log window, after the model holds it: the
// window on screen follows through here.
class LogWindowObserver {
 public:
  virtual ~LogWindowObserver() = default;
  // The window was loaded (create it, hidden) or unloaded (destroy it).
  virtual void LoadedChanged(bool loaded) = 0;
  virtual void VisibilityChanged(bool visible) = 0;
  // A line was appended at the end of the list. The list keeps its selection
  // and scroll position. Throwing (the list refuses the line) takes the line
  // back out of the model and fails AddLine.
  virtual void LineAdded(const std::string& line) = 0;
};

// The transaction log window: a list of lines, one per transaction sent,
// oldest first. It is loaded hidden at start-up and collects lines whether or
// not it has been shown; closing it only hides it until the main window
// shuts down.
class LogWindowModel {
 public:
  // mainWindowClosing is the main window's flag, read at every close request.
  LogWindowModel(LogDispatcher& log, const RegionalSettings& regional,
                 const bool& mainWindowClosing);

  LogWindowModel(const LogWindowModel&) = delete;
  LogWindowModel& operator=(const LogWindowModel&) = delete;

  // The one observer (the window on screen); nullptr for none.
  void SetObserver(LogWindowObserver* observer) { observer_ = observer; }

  // Loads the window without showing it; a loaded window stays as it is.
  void Load();

  // Appends "date time|text", the date and time now in the general date
  // format of the regional settings. Loads the window first when it is not.
  void AddLine(const std::string& text);

  // Shows the window, loading it first when it is not; a shown window stays.
  void Show();

  // The window is asked to close. While the main window runs (mainWindowClosing
  // false) the close turns into hiding and the lines stay: false comes back.
  // Once the main window shuts down the window unloads with its lines: true.
  bool RequestClose();

  bool Loaded() const { return loaded_; }
  bool Visible() const { return visible_; }
  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  void SetLoaded(bool loaded);
  void SetVisible(bool visible);

  LogDispatcher& log_;
  const RegionalSettings& regional_;
  const bool& closing_;
  LogWindowObserver* observer_ = nullptr;
  bool loaded_ = false;
  bool visible_ = false;
  std::vector<std::string> lines_;
};

}  // namespace vestrel
