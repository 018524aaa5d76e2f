#include "models/main_window_model.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/app_error.h"
#include "contract/automation_contract.h"

namespace vestrel {
namespace {

// Records every change together with the value the model holds when told.
class RecordingObserver : public MainWindowObserver {
 public:
  explicit RecordingObserver(const MainWindowModel& model) : model_(model) {}

  void ControlChanged(ControlId id, ControlProperty property) override {
    Controls.emplace_back(id, property);
    if (property == ControlProperty::Caption) {
      CaptionsSeen.push_back(model_.Caption(id));
    }
  }
  void WindowChanged(WindowProperty property) override { Window.push_back(property); }

  std::vector<std::pair<ControlId, ControlProperty>> Controls;
  std::vector<std::string> CaptionsSeen;
  std::vector<WindowProperty> Window;

 private:
  const MainWindowModel& model_;
};

bool Overlap(const TwipsRect& a, const TwipsRect& b) {
  return a.Left < b.Left + b.Width && b.Left < a.Left + a.Width && a.Top < b.Top + b.Height &&
         b.Top < a.Top + a.Height;
}

bool IsPriceButton(ControlId id) {
  return id == ControlId::cmdMaxBid || id == ControlId::cmdBestBid || id == ControlId::cmdBestAsk ||
         id == ControlId::cmdMaxAsk;
}

TEST(MainWindowModel, ControlsHaveContiguousIdsDistinctNamesAndTabStopsAndDoNotOverlap) {
  const auto& controls = MainWindowModel::Controls();
  ASSERT_EQ(static_cast<int>(controls.size()),
            contract::kLastControlId - contract::kFirstControlId + 1);
  std::set<std::string_view> names;
  std::set<std::int32_t> tabStops;
  const MainWindowModel model;
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const ControlDesign& design = controls[i];
    SCOPED_TRACE(std::string(design.Name));
    EXPECT_EQ(static_cast<int>(design.Id), contract::kFirstControlId + static_cast<int>(i));
    EXPECT_EQ(&MainWindowModel::Design(design.Id), &design);
    EXPECT_TRUE(names.insert(design.Name).second);
    EXPECT_TRUE(design.TabIndex == -1 || tabStops.insert(design.TabIndex).second);
    // Only the price buttons are drawn, so that their colours show.
    EXPECT_EQ(design.Graphical, IsPriceButton(design.Id));
    // The two direction shapes share their place, and so do the paper line
    // and the status line (one shows at a time); nothing else does.
    for (std::size_t k = i + 1; k < controls.size(); ++k) {
      const bool shared =
          (design.Id == ControlId::shpUp && controls[k].Id == ControlId::shpDown) ||
          (design.Id == ControlId::lblPaper && controls[k].Id == ControlId::lblStatus);
      EXPECT_EQ(Overlap(model.Geometry(design.Id), model.Geometry(controls[k].Id)), shared)
          << controls[k].Name;
    }
  }
}

TEST(MainWindowModel, StartsWithoutPricesReverseOffAndTheBottomLinesHidden) {
  const MainWindowModel model;
  for (const ControlDesign& design : MainWindowModel::Controls()) {
    SCOPED_TRACE(std::string(design.Name));
    if (IsPriceButton(design.Id)) {
      EXPECT_EQ(model.Caption(design.Id), "*");  // no book yet
    }
    // Nothing to reverse before an order; the paper position shows only in
    // paper mode, the status line only while something stops trading.
    EXPECT_EQ(model.Enabled(design.Id), design.Id != ControlId::cmdReverse);
    EXPECT_EQ(model.Visible(design.Id),
              design.Id != ControlId::lblPaper && design.Id != ControlId::lblStatus);
  }
  EXPECT_EQ(model.FrontShape(), ControlId::shpDown);
  EXPECT_EQ(model.WindowCaption(), "Marlowin");
  EXPECT_FALSE(model.OuterSize().has_value());
  EXPECT_EQ(model.CurrentLayout(), Layout::Full);
  EXPECT_EQ(model.CurrentWindowState(), WindowState::Normal);
  EXPECT_FALSE(model.TrayIconShown());
  EXPECT_TRUE(model.ShownInTaskbar());
}

// Where each control goes is the layout's own; what matters is that the
// compact window shows the best prices and the commands whole, hides the
// largest levels, and puts no button on top of another.
TEST(MainWindowModel, CompactLayoutShowsTheBestPricesAndCommandsWholeAndNoButtonOnAnother) {
  MainWindowModel model;
  RecordingObserver observer(model);
  model.SetObserver(&observer);

  model.SetLayout(1);

  // The window learns each change once, and only what changed.
  const MainWindowModel designed;
  const auto& controls = MainWindowModel::Controls();
  std::set<std::pair<ControlId, ControlProperty>> changed;
  for (const ControlDesign& design : controls) {
    if (model.Geometry(design.Id) != designed.Geometry(design.Id)) {
      changed.insert({design.Id, ControlProperty::Geometry});
    }
    if (model.Visible(design.Id) != designed.Visible(design.Id)) {
      changed.insert({design.Id, ControlProperty::Visible});
    }
  }
  EXPECT_EQ(observer.Controls.size(), changed.size());
  EXPECT_EQ(std::set(observer.Controls.begin(), observer.Controls.end()), changed);
  EXPECT_EQ(observer.Window,
            (std::vector<WindowProperty>{WindowProperty::OuterSize, WindowProperty::Layout}));

  EXPECT_EQ(model.CurrentLayout(), Layout::Compact);
  EXPECT_EQ(model.OuterSize(), (TwipsSize{3825, 1905}));
  EXPECT_FALSE(model.Visible(ControlId::cmdMaxBid));
  EXPECT_FALSE(model.Visible(ControlId::cmdMaxAsk));
  model.NoteClientSize({3705, 1485});  // the client area of that window
  model.SetStatusLine("Not connected to the terminal");
  for (ControlId whole : {ControlId::cmdBestBid, ControlId::cmdBestAsk, ControlId::cmdKillOrders,
                          ControlId::cmdLog, ControlId::cmdAbout, ControlId::lblStatus}) {
    EXPECT_TRUE(model.OnScreen(whole)) << MainWindowModel::Design(whole).Name;
  }
  // The shapes and labels lie behind the buttons as designed; no button may
  // cover another.
  for (std::size_t i = 0; i < controls.size(); ++i) {
    for (std::size_t k = i + 1; k < controls.size(); ++k) {
      const bool buttons = controls[i].Kind == ControlKind::CommandButton &&
                           controls[k].Kind == ControlKind::CommandButton;
      const bool shown = model.Visible(controls[i].Id) && model.Visible(controls[k].Id);
      EXPECT_FALSE(buttons && shown &&
                   Overlap(model.Geometry(controls[i].Id), model.Geometry(controls[k].Id)))
          << controls[i].Name << " " << controls[k].Name;
    }
  }
  model.SetStatusLine("");
  EXPECT_EQ(model.FrontShape(), ControlId::shpDown);

  // Applying it again changes nothing; after the trader dragged the border it
  // sets the size back, and only the size.
  observer.Controls.clear();
  observer.Window.clear();
  model.SetLayout(1);
  EXPECT_TRUE(observer.Controls.empty());
  EXPECT_TRUE(observer.Window.empty());
  model.NoteOuterSize({5000, 3000});
  EXPECT_TRUE(observer.Window.empty());
  model.SetLayout(1);
  EXPECT_EQ(model.OuterSize(), (TwipsSize{3825, 1905}));
  EXPECT_EQ(observer.Window, std::vector<WindowProperty>{WindowProperty::OuterSize});
  EXPECT_TRUE(observer.Controls.empty());
}

TEST(MainWindowModel, AnyOtherCompactValueKeepsTheDesignedLayout) {
  for (int compact : {0, 2, -1}) {
    MainWindowModel model;
    RecordingObserver observer(model);
    model.SetObserver(&observer);
    model.SetLayout(compact);
    EXPECT_EQ(model.CurrentLayout(), Layout::Full);
    EXPECT_FALSE(model.OuterSize().has_value());
    const MainWindowModel designed;
    for (const ControlDesign& design : MainWindowModel::Controls()) {
      EXPECT_EQ(model.Geometry(design.Id), designed.Geometry(design.Id));
      EXPECT_EQ(model.Visible(design.Id), designed.Visible(design.Id));
    }
    EXPECT_TRUE(observer.Controls.empty());
    EXPECT_TRUE(observer.Window.empty());
  }
}

TEST(MainWindowModel, EveryChangeIsReportedOnceWithTheNewValueAlreadyInPlace) {
  MainWindowModel model;
  RecordingObserver observer(model);
  model.SetObserver(&observer);

  model.SetCaption(ControlId::cmdBestAsk, "98650");
  model.SetCaption(ControlId::cmdBestAsk, "98650");  // no change
  model.SetCaption(ControlId::Label6, "");
  model.SetBackColor(ControlId::cmdReverse, kColorRed);
  model.SetEnabled(ControlId::cmdReverse, true);
  model.SetEnabled(ControlId::cmdReverse, true);  // no change
  model.SetVisible(ControlId::picTray, false);
  model.Move(ControlId::cmdLog, 10, 20);
  model.BringToFront(ControlId::shpDown);  // already in front
  model.BringToFront(ControlId::shpUp);
  model.SetLook(ControlId::cmdMaxBid, ControlLook::Stale);
  model.SetLook(ControlId::cmdMaxBid, ControlLook::Stale);  // no change

  using P = ControlProperty;
  const std::vector<std::pair<ControlId, ControlProperty>> expected{
      {ControlId::cmdBestAsk, P::Caption},   {ControlId::Label6, P::Caption},
      {ControlId::cmdReverse, P::BackColor}, {ControlId::cmdReverse, P::Enabled},
      {ControlId::picTray, P::Visible},      {ControlId::cmdLog, P::Geometry},
      {ControlId::shpUp, P::ZOrder},         {ControlId::cmdMaxBid, P::Look}};
  EXPECT_EQ(observer.Controls, expected);
  EXPECT_EQ(observer.CaptionsSeen, (std::vector<std::string>{"98650", ""}));
  EXPECT_EQ(model.Geometry(ControlId::cmdLog), (TwipsRect{10, 20, 735, 375}));
  EXPECT_EQ(model.FrontShape(), ControlId::shpUp);

  model.SetWindowCaption("Marlowin (1.0.65)");
  model.SetWindowState(WindowState::Minimized);
  model.SetTrayIconShown(true);
  model.SetShownInTaskbar(false);
  model.SetShownInTaskbar(false);  // no change
  EXPECT_EQ(observer.Window,
            (std::vector<WindowProperty>{WindowProperty::Caption, WindowProperty::State,
                                         WindowProperty::TrayIcon, WindowProperty::Taskbar}));
  EXPECT_EQ(model.WindowCaption(), "Marlowin (1.0.65)");
}

TEST(MainWindowModel, PropertiesAControlDoesNotHaveAreRefusedAndChangeNothing) {
  MainWindowModel model;
  RecordingObserver observer(model);
  model.SetObserver(&observer);
  EXPECT_THROW(model.SetCaption(ControlId::shpUp, "x"), AppError);
  EXPECT_THROW(model.BringToFront(ControlId::cmdBestBid), AppError);
  EXPECT_THROW(model.SetCaption(static_cast<ControlId>(contract::kLastControlId + 1), "x"),
               AppError);
  EXPECT_EQ(model.Caption(ControlId::shpUp), "");
  EXPECT_EQ(model.FrontShape(), ControlId::shpDown);
  EXPECT_TRUE(observer.Controls.empty());
}

TEST(MainWindowModel, TheStatusLineTakesTheBottomLineFromThePaperPositionWhileItShows) {
  MainWindowModel model;
  model.SetCaption(ControlId::lblPaper, "POSITION 0 @ 0 | REALISED 0");
  model.SetVisible(ControlId::lblPaper, true);

  model.SetStatusLine("Not connected to the terminal");
  EXPECT_TRUE(model.Visible(ControlId::lblStatus));
  EXPECT_FALSE(model.Visible(ControlId::lblPaper));
  EXPECT_EQ(model.Caption(ControlId::lblStatus), "Not connected to the terminal");

  model.SetStatusLine("");
  EXPECT_FALSE(model.Visible(ControlId::lblStatus));
  EXPECT_TRUE(model.Visible(ControlId::lblPaper));

  // Without paper trading the bottom line stays empty once the status goes.
  MainWindowModel real;
  real.SetStatusLine("x");
  real.SetStatusLine("");
  EXPECT_FALSE(real.Visible(ControlId::lblPaper));
  EXPECT_FALSE(real.Visible(ControlId::lblStatus));
}

}  // namespace
}  // namespace vestrel
