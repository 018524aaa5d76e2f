#include "models/main_window_model.h"

#include <gtest/gtest.h>

#include <string>
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

struct Designed {
  ControlId Id;
  const char* Name;
  const char* Caption;
  OleColor Color;
  bool Enabled;
  TwipsRect Geometry;
  int TabIndex;
};

// The window as designed, control by control.
const Designed kDesigned[] = {
    {ControlId::cmdMaxBid, "cmdMaxBid", "*", kColorRed, true, {1800, 120, 1455, 495}, 5},
    {ControlId::cmdBestBid, "cmdBestBid", "*", kColorRed, true, {1800, 720, 1455, 495}, 3},
    {ControlId::cmdBestAsk, "cmdBestAsk", "*", kColorGreen, true, {1800, 1320, 1455, 495}, 2},
    {ControlId::cmdMaxAsk, "cmdMaxAsk", "*", kColorGreen, true, {1800, 1920, 1455, 495}, 4},
    {ControlId::cmdReverse,
     "cmdReverse",
     "Reverse",
     kColorButtonFace,
     false,
     {3960, 1080, 975, 495},
     9},
    {ControlId::cmdKillOrders,
     "cmdKillOrders",
     "Kill",
     kColorButtonFace,
     true,
     {5400, 120, 735, 375},
     6},
    {ControlId::cmdLog, "cmdLog", "Log", kColorButtonFace, true, {5400, 1560, 735, 375}, 8},
    {ControlId::cmdAbout, "cmdAbout", "About", kColorButtonFace, true, {5400, 2040, 735, 375}, 7},
    {ControlId::Label5, "Label5", "*", kColorButtonFace, true, {120, 120, 1335, 495}, 0},
    {ControlId::Label6, "Label6", "*", kColorButtonFace, true, {3600, 1920, 1455, 495}, 1},
    {ControlId::shpUp, "shpUp", "", kColorGreen, true, {5160, 720, 1215, 735}, -1},
    {ControlId::shpDown, "shpDown", "", kColorRed, true, {5160, 720, 1215, 735}, -1},
    {ControlId::picTray, "picTray", "", kColorButtonFace, true, {240, 1440, 495, 375}, 10},
    {ControlId::lblPaper, "lblPaper", "", kColorButtonFace, true, {120, 2445, 6120, 255}, 11},
    {ControlId::lblStatus, "lblStatus", "", kColorButtonFace, true, {120, 2445, 6120, 255}, 12},
};

// The paper position and the status line show only when they have something to say.
bool HiddenAtStart(ControlId id) { return id == ControlId::lblPaper || id == ControlId::lblStatus; }

TEST(MainWindowModel, StartsAsDesignedWithTheFixedControlIdentifiers) {
  MainWindowModel model;
  ASSERT_EQ(MainWindowModel::Controls().size(), std::size(kDesigned));
  for (std::size_t i = 0; i < std::size(kDesigned); ++i) {
    const Designed& expected = kDesigned[i];
    SCOPED_TRACE(expected.Name);
    EXPECT_EQ(static_cast<int>(expected.Id), contract::kFirstControlId + static_cast<int>(i));
    const ControlDesign& design = MainWindowModel::Controls()[i];
    EXPECT_EQ(design.Id, expected.Id);
    EXPECT_EQ(design.Name, expected.Name);
    EXPECT_EQ(design.TabIndex, expected.TabIndex);
    EXPECT_EQ(model.Caption(expected.Id), expected.Caption);
    EXPECT_EQ(model.BackColor(expected.Id), expected.Color);
    EXPECT_EQ(model.Enabled(expected.Id), expected.Enabled);
    EXPECT_EQ(model.Visible(expected.Id), !HiddenAtStart(expected.Id));
    EXPECT_EQ(model.Geometry(expected.Id), expected.Geometry);
  }
  EXPECT_EQ(kColorRed, 0x0000FFU);
  EXPECT_EQ(kColorGreen, 0x00FF00U);

  // Only the four price buttons are drawn in their colours; they and the two
  // volume labels carry the large Cyrillic font.
  for (const ControlDesign& design : MainWindowModel::Controls()) {
    const bool price = design.Id == ControlId::cmdMaxBid || design.Id == ControlId::cmdBestBid ||
                       design.Id == ControlId::cmdBestAsk || design.Id == ControlId::cmdMaxAsk;
    const bool label = design.Id == ControlId::Label5 || design.Id == ControlId::Label6;
    EXPECT_EQ(design.Graphical, price) << design.Name;
    EXPECT_EQ(design.Font.has_value(), price || label) << design.Name;
  }
  const ControlFont font = *MainWindowModel::Design(ControlId::Label6).Font;
  EXPECT_EQ(font.Name, "MS Sans Serif");
  EXPECT_EQ(font.Points, 13.5);
  EXPECT_EQ(font.Charset, 204);

  EXPECT_EQ(model.FrontShape(), ControlId::shpDown);
  EXPECT_EQ(model.WindowCaption(), "Marlowin");
  EXPECT_FALSE(model.OuterSize().has_value());
  EXPECT_EQ(model.CurrentLayout(), Layout::Full);
  EXPECT_EQ(model.CurrentWindowState(), WindowState::Normal);
  EXPECT_FALSE(model.TrayIconShown());
  EXPECT_TRUE(model.ShownInTaskbar());
}

TEST(MainWindowModel, CompactLayoutHidesTheLargestLevelButtonsAndMovesSixControls) {
  MainWindowModel model;
  RecordingObserver observer(model);
  model.SetObserver(&observer);

  model.SetLayout(1);

  EXPECT_EQ(model.CurrentLayout(), Layout::Compact);
  EXPECT_FALSE(model.Visible(ControlId::cmdMaxBid));
  EXPECT_FALSE(model.Visible(ControlId::cmdMaxAsk));
  EXPECT_EQ(model.OuterSize(), (TwipsSize{3825, 1905}));
  EXPECT_EQ(model.Geometry(ControlId::cmdBestBid), (TwipsRect{120, 120, 1455, 495}));
  EXPECT_EQ(model.Geometry(ControlId::cmdBestAsk), (TwipsRect{120, 720, 1455, 495}));
  EXPECT_EQ(model.Geometry(ControlId::cmdKillOrders), (TwipsRect{1800, 120, 735, 375}));
  EXPECT_EQ(model.Geometry(ControlId::cmdLog), (TwipsRect{1800, 840, 735, 375}));
  EXPECT_EQ(model.Geometry(ControlId::shpUp), (TwipsRect{2760, 120, 1215, 735}));
  EXPECT_EQ(model.Geometry(ControlId::shpDown), (TwipsRect{2760, 120, 1215, 735}));
  EXPECT_EQ(model.Geometry(ControlId::cmdAbout), (TwipsRect{2760, 840, 735, 375}));
  EXPECT_EQ(model.Geometry(ControlId::lblPaper), (TwipsRect{120, 1245, 3495, 195}));
  EXPECT_EQ(model.Geometry(ControlId::lblStatus), (TwipsRect{120, 1245, 3495, 195}));
  for (ControlId stays :
       {ControlId::cmdReverse, ControlId::Label5, ControlId::Label6, ControlId::picTray}) {
    EXPECT_EQ(model.Geometry(stays), MainWindowModel().Geometry(stays));
    EXPECT_TRUE(model.Visible(stays));
  }
  EXPECT_EQ(model.FrontShape(), ControlId::shpDown);

  // The window learns each change in the layout's order.
  using P = ControlProperty;
  const std::vector<std::pair<ControlId, ControlProperty>> expected{
      {ControlId::cmdMaxBid, P::Visible},      {ControlId::cmdMaxAsk, P::Visible},
      {ControlId::cmdBestBid, P::Geometry},    {ControlId::cmdBestAsk, P::Geometry},
      {ControlId::cmdKillOrders, P::Geometry}, {ControlId::cmdLog, P::Geometry},
      {ControlId::shpUp, P::Geometry},         {ControlId::shpDown, P::Geometry},
      {ControlId::cmdAbout, P::Geometry},      {ControlId::lblPaper, P::Geometry},
      {ControlId::lblStatus, P::Geometry}};
  EXPECT_EQ(observer.Controls, expected);
  EXPECT_EQ(observer.Window,
            (std::vector<WindowProperty>{WindowProperty::OuterSize, WindowProperty::Layout}));

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
    for (const Designed& designed : kDesigned) {
      EXPECT_EQ(model.Geometry(designed.Id), designed.Geometry);
      EXPECT_EQ(model.Visible(designed.Id), !HiddenAtStart(designed.Id));
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
