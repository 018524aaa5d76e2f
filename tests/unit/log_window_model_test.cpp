#include "models/log_window_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_ports.h"

namespace vestrel {
namespace {

using testing::FakeLogServices;
using Lines = std::vector<std::string>;

// The window on screen, as a list of what it was told.
class RecordingView : public LogWindowObserver {
 public:
  void LoadedChanged(bool loaded) override { Events.push_back(loaded ? "load" : "unload"); }
  void VisibilityChanged(bool visible) override { Events.push_back(visible ? "show" : "hide"); }
  void LineAdded(const std::string& line) override {
    if (RefuseLines) {
      Raise(errors::OutOfMemory, "");
    }
    Events.push_back(line);
  }
  Lines Events;
  bool RefuseLines = false;
};

struct Window {
  FakeLogServices services;
  bool closing = false;
  RecordingView view;
  LogWindowModel window{services.Log, services.Regional, closing};
  Window() { window.SetObserver(&view); }
};

TEST(LogWindowModel, KeepsDatedLinesWhileHiddenAndUntilThePanelShutsDown) {
  Window w;
  w.window.AddLine("first");  // loads the window, hidden
  w.services.Regional.Clock.Second = 10;
  w.window.AddLine("");
  EXPECT_EQ(w.window.Lines(), (Lines{"06.12.2026 14:05:09|first", "06.12.2026 14:05:10|"}));
  w.window.Show();
  EXPECT_FALSE(w.window.RequestClose());  // the panel runs: only hidden
  w.window.Show();
  EXPECT_EQ(w.window.Lines().size(), 2U);

  w.closing = true;
  EXPECT_TRUE(w.window.RequestClose());
  EXPECT_TRUE(w.window.Lines().empty());
  EXPECT_EQ(w.view.Events, (Lines{"load", "06.12.2026 14:05:09|first", "06.12.2026 14:05:10|",
                                  "show", "hide", "show", "hide", "unload"}));
  EXPECT_TRUE(w.services.AppLog.Entries.empty());
}

TEST(LogWindowModel, ALineTheListRefusesIsLoggedAndPassedOnAndNotKept) {
  Window w;
  w.window.AddLine("kept");
  w.view.RefuseLines = true;
  EXPECT_THROW(w.window.AddLine("refused"), AppError);
  EXPECT_EQ(w.window.Lines(), Lines{"06.12.2026 14:05:09|kept"});
  EXPECT_EQ(w.services.ErrorEntries(),
            Lines{"ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.frmLog.LogData IN LINE: 3. ERROR =  7 "
                  "(Out of memory) ADDITIONAL PARAMS: \r\nstrData = refused\r\n"});
}

}  // namespace
}  // namespace vestrel
