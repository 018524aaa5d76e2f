#include "models/main_window_model.h"

#include <algorithm>
#include <utility>

#include "common/app_error.h"

namespace vestrel {
namespace {

constexpr std::int32_t kFirstControlId = static_cast<std::int32_t>(ControlId::cmdMaxBid);

constexpr std::array<ControlDesign, kControlCount> kDesigns{{
    {ControlId::cmdMaxBid, "cmdMaxBid", ControlKind::CommandButton, true, kPriceFont, 5},
    {ControlId::cmdBestBid, "cmdBestBid", ControlKind::CommandButton, true, kPriceFont, 3},
    {ControlId::cmdBestAsk, "cmdBestAsk", ControlKind::CommandButton, true, kPriceFont, 2},
    {ControlId::cmdMaxAsk, "cmdMaxAsk", ControlKind::CommandButton, true, kPriceFont, 4},
    {ControlId::cmdReverse, "cmdReverse", ControlKind::CommandButton, false, std::nullopt, 9},
    {ControlId::cmdKillOrders, "cmdKillOrders", ControlKind::CommandButton, false, std::nullopt, 6},
    {ControlId::cmdLog, "cmdLog", ControlKind::CommandButton, false, std::nullopt, 8},
    {ControlId::cmdAbout, "cmdAbout", ControlKind::CommandButton, false, std::nullopt, 7},
    {ControlId::Label5, "Label5", ControlKind::Label, false, kPriceFont, 0},
    {ControlId::Label6, "Label6", ControlKind::Label, false, kPriceFont, 1},
    {ControlId::shpUp, "shpUp", ControlKind::Shape, false, std::nullopt, -1},
    {ControlId::shpDown, "shpDown", ControlKind::Shape, false, std::nullopt, -1},
    {ControlId::picTray, "picTray", ControlKind::PictureBox, false, std::nullopt, 10},
    {ControlId::lblPaper, "lblPaper", ControlKind::Label, false, std::nullopt, 11},
    {ControlId::lblStatus, "lblStatus", ControlKind::Label, false, std::nullopt, 12},
}};

// The bottom line of each layout, shared by the paper position and the
// status line.
constexpr TwipsRect kFullBottomLine{120, 2445, 6120, 255};
constexpr TwipsRect kCompactBottomLine{120, 1245, 3495, 195};

// The design-time state, in identifier order.
std::array<ControlState, kControlCount> DesignStates() {
  auto state = [](std::string caption, OleColor color, bool enabled, TwipsRect geometry) {
    return ControlState{std::move(caption), color, enabled, true, geometry};
  };
  return {{
      state("*", kColorRed, true, {1800, 120, 1455, 495}),                // cmdMaxBid
      state("*", kColorRed, true, {1800, 720, 1455, 495}),                // cmdBestBid
      state("*", kColorGreen, true, {1800, 1320, 1455, 495}),             // cmdBestAsk
      state("*", kColorGreen, true, {1800, 1920, 1455, 495}),             // cmdMaxAsk
      state("Reverse", kColorButtonFace, false, {3960, 1080, 975, 495}),  // cmdReverse
      state("Kill", kColorButtonFace, true, {5400, 120, 735, 375}),       // cmdKillOrders
      state("Log", kColorButtonFace, true, {5400, 1560, 735, 375}),       // cmdLog
      state("About", kColorButtonFace, true, {5400, 2040, 735, 375}),     // cmdAbout
      state("*", kColorButtonFace, true, {120, 120, 1335, 495}),          // Label5
      state("*", kColorButtonFace, true, {3600, 1920, 1455, 495}),        // Label6
      state("", kColorGreen, true, {5160, 720, 1215, 735}),               // shpUp
      state("", kColorRed, true, {5160, 720, 1215, 735}),                 // shpDown
      state("", kColorButtonFace, true, {240, 1440, 495, 375}),           // picTray
      // One line along the bottom edge, below every other control.
      ControlState{"", kColorButtonFace, true, false, kFullBottomLine},  // lblPaper
      ControlState{"", kColorButtonFace, true, false, kFullBottomLine},  // lblStatus
  }};
}

bool HasCaption(ControlId id) {
  const ControlKind kind = MainWindowModel::Design(id).Kind;
  return kind == ControlKind::CommandButton || kind == ControlKind::Label;
}

}  // namespace

MainWindowModel::MainWindowModel() : states_(DesignStates()) {}

std::span<const ControlDesign, kControlCount> MainWindowModel::Controls() { return kDesigns; }

const ControlDesign& MainWindowModel::Design(ControlId id) { return kDesigns[Index(id)]; }

std::size_t MainWindowModel::Index(ControlId id) {
  const std::int32_t offset = static_cast<std::int32_t>(id) - kFirstControlId;
  if (offset < 0 || offset >= static_cast<std::int32_t>(kControlCount)) {
    RaiseSubscriptOutOfRange();
  }
  return static_cast<std::size_t>(offset);
}

void MainWindowModel::NotifyControl(ControlId id, ControlProperty property) {
  if (observer_ != nullptr) {
    observer_->ControlChanged(id, property);
  }
}

void MainWindowModel::NotifyWindow(WindowProperty property) {
  if (observer_ != nullptr) {
    observer_->WindowChanged(property);
  }
}

void MainWindowModel::SetCaption(ControlId id, std::string caption) {
  if (!HasCaption(id)) {
    Raise(errors::NoSuchProperty);
  }
  std::string& current = states_[Index(id)].Caption;
  if (current != caption) {
    current = std::move(caption);
    NotifyControl(id, ControlProperty::Caption);
  }
}

void MainWindowModel::SetBackColor(ControlId id, OleColor color) {
  OleColor& current = states_[Index(id)].BackColor;
  if (current != color) {
    current = color;
    NotifyControl(id, ControlProperty::BackColor);
  }
}

void MainWindowModel::SetEnabled(ControlId id, bool enabled) {
  bool& current = states_[Index(id)].Enabled;
  if (current != enabled) {
    current = enabled;
    NotifyControl(id, ControlProperty::Enabled);
  }
}

void MainWindowModel::SetVisible(ControlId id, bool visible) {
  bool& current = states_[Index(id)].Visible;
  if (current != visible) {
    current = visible;
    NotifyControl(id, ControlProperty::Visible);
  }
}

void MainWindowModel::SetGeometry(ControlId id, const TwipsRect& geometry) {
  TwipsRect& current = states_[Index(id)].Geometry;
  if (current != geometry) {
    current = geometry;
    NotifyControl(id, ControlProperty::Geometry);
  }
}

void MainWindowModel::SetLook(ControlId id, ControlLook look) {
  ControlLook& current = states_[Index(id)].Look;
  if (current != look) {
    current = look;
    NotifyControl(id, ControlProperty::Look);
  }
}

void MainWindowModel::Move(ControlId id, std::int32_t left, std::int32_t top) {
  TwipsRect moved = Geometry(id);
  moved.Left = left;
  moved.Top = top;
  SetGeometry(id, moved);
}

void MainWindowModel::BringToFront(ControlId shape) {
  if (shape != ControlId::shpUp && shape != ControlId::shpDown) {
    Raise(errors::InvalidCall);
  }
  if (frontShape_ != shape) {
    frontShape_ = shape;
    NotifyControl(shape, ControlProperty::ZOrder);
  }
}

void MainWindowModel::SetWindowCaption(std::string caption) {
  if (windowCaption_ != caption) {
    windowCaption_ = std::move(caption);
    NotifyWindow(WindowProperty::Caption);
  }
}

void MainWindowModel::SetOuterSize(const TwipsSize& size) {
  if (outerSize_ != size) {
    outerSize_ = size;
    NotifyWindow(WindowProperty::OuterSize);
  }
}

bool MainWindowModel::OnScreen(ControlId id) const {
  const ControlState& state = State(id);
  const TwipsRect& g = state.Geometry;
  // The outer size bounds the client area too, before the window has told
  // its client size for a size the layout set.
  TwipsSize area = clientSize_;
  if (outerSize_) {
    area.Width = std::min(area.Width, outerSize_->Width);
    area.Height = std::min(area.Height, outerSize_->Height);
  }
  return state.Visible && g.Left >= 0 && g.Top >= 0 && g.Left + g.Width <= area.Width &&
         g.Top + g.Height <= area.Height;
}

void MainWindowModel::SetLayout(std::int32_t compact) {
  if (compact != 1) {
    return;
  }
  SetVisible(ControlId::cmdMaxBid, false);
  SetVisible(ControlId::cmdMaxAsk, false);
  SetOuterSize(kCompactOuterSize);
  Move(ControlId::cmdBestBid, 120, 120);
  Move(ControlId::cmdBestAsk, 120, 720);
  Move(ControlId::cmdKillOrders, 1800, 120);
  Move(ControlId::cmdLog, 1800, 840);
  Move(ControlId::shpUp, 2760, 120);
  Move(ControlId::shpDown, 2760, 120);
  Move(ControlId::cmdAbout, 2760, 840);
  SetGeometry(ControlId::lblPaper, kCompactBottomLine);
  SetGeometry(ControlId::lblStatus, kCompactBottomLine);
  if (layout_ != Layout::Compact) {
    layout_ = Layout::Compact;
    NotifyWindow(WindowProperty::Layout);
  }
}

void MainWindowModel::SetStatusLine(std::string text) {
  const bool show = !text.empty();
  SetCaption(ControlId::lblStatus, std::move(text));
  if (show && Visible(ControlId::lblPaper)) {
    SetVisible(ControlId::lblPaper, false);
    paperHiddenByStatus_ = true;
  }
  SetVisible(ControlId::lblStatus, show);
  if (!show && paperHiddenByStatus_) {
    paperHiddenByStatus_ = false;
    SetVisible(ControlId::lblPaper, true);
  }
}

void MainWindowModel::SetWindowState(WindowState state) {
  if (windowState_ != state) {
    windowState_ = state;
    NotifyWindow(WindowProperty::State);
  }
}

void MainWindowModel::SetTrayIconShown(bool shown) {
  if (trayIconShown_ != shown) {
    trayIconShown_ = shown;
    NotifyWindow(WindowProperty::TrayIcon);
  }
}

void MainWindowModel::SetShownInTaskbar(bool shown) {
  if (shownInTaskbar_ != shown) {
    shownInTaskbar_ = shown;
    NotifyWindow(WindowProperty::Taskbar);
  }
}

}  // namespace vestrel
