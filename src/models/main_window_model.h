#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "contract/automation_contract.h"

namespace vestrel {

// The main window's controls. The values are the controls' fixed child-window
// identifiers of the automation contract.
enum class ControlId : std::int32_t {
  cmdMaxBid = contract::kCmdMaxBid,
  cmdBestBid = contract::kCmdBestBid,
  cmdBestAsk = contract::kCmdBestAsk,
  cmdMaxAsk = contract::kCmdMaxAsk,
  cmdReverse = contract::kCmdReverse,
  cmdKillOrders = contract::kCmdKillOrders,
  cmdLog = contract::kCmdLog,
  cmdAbout = contract::kCmdAbout,
  Label5 = contract::kLabel5,
  Label6 = contract::kLabel6,
  shpUp = contract::kShpUp,
  shpDown = contract::kShpDown,
  picTray = contract::kPicTray,
  // The paper position; hidden unless the panel trades on paper.
  lblPaper = contract::kLblPaper,
  // Why the panel cannot trade; hidden while nothing is wrong.
  lblStatus = contract::kLblStatus,
};

inline constexpr std::size_t kControlCount = 15;

enum class ControlKind { CommandButton, Label, Shape, PictureBox };

// A colour as the platform's colour properties hold it: 0x00BBGGRR for an RGB
// colour, 0x80000000 plus the index for one of the system's colours.
using OleColor = std::uint32_t;

constexpr OleColor Rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return static_cast<OleColor>(red) | (static_cast<OleColor>(green) << 8) |
         (static_cast<OleColor>(blue) << 16);
}

inline constexpr OleColor kColorRed = Rgb(255, 0, 0);
inline constexpr OleColor kColorGreen = Rgb(0, 255, 0);
// The system's button face colour: the default background of buttons, labels
// and the picture box.
inline constexpr OleColor kColorButtonFace = 0x8000000F;

inline constexpr bool IsSystemColor(OleColor color) { return (color & 0x80000000U) != 0; }

// Position and size in twips (1/1440 inch) inside the window's client area.
struct TwipsRect {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  bool operator==(const TwipsRect&) const = default;
};

struct TwipsSize {
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  bool operator==(const TwipsSize&) const = default;
};

struct ControlFont {
  std::string_view Name;
  double Points = 0;
  bool Bold = false;
  std::int32_t Charset = 0;  // the platform's character-set number
};

// The price buttons' and the two labels' font; other controls use the
// platform's default font.
inline constexpr ControlFont kPriceFont{"MS Sans Serif", 13.5, false, 204 /* Cyrillic */};

// What a control is and how it was designed; never changes at run time.
struct ControlDesign {
  ControlId Id;
  std::string_view Name;
  ControlKind Kind;
  // A command button drawn by the program so that its background colour shows;
  // a standard button keeps its colour as a property without drawing it.
  bool Graphical;
  std::optional<ControlFont> Font;  // empty: the platform's default font
  std::int32_t TabIndex;            // -1: not in the tab order (shapes)
};

// Whether a price button's price can be traded now. Live shows the button's
// own colour; the other two looks are drawn over it so that the trader sees
// at a glance that the button will not send, and the price stays readable.
// The look is apart from BackColor, which keeps its meaning for Reverse.
enum class ControlLook {
  Live,
  Stale,         // the last order book is older than the trader allows
  Disconnected,  // the library or the terminal has lost its connection
};

// What core code changes at run time. A shape's BackColor is its fill colour;
// shapes and the picture box carry no caption.
struct ControlState {
  std::string Caption;
  OleColor BackColor = kColorButtonFace;
  bool Enabled = true;
  bool Visible = true;
  TwipsRect Geometry;
  ControlLook Look = ControlLook::Live;
};

enum class ControlProperty { Caption, BackColor, Enabled, Visible, Geometry, ZOrder, Look };

enum class Layout { Full, Compact };

enum class WindowState { Normal, Minimized };

enum class WindowProperty { Caption, OuterSize, Layout, State, TrayIcon, Taskbar };

// Told of every change of the model, after the model holds the new value.
// A write that leaves a value as it was is no change and is not reported.
class MainWindowObserver {
 public:
  virtual ~MainWindowObserver() = default;
  virtual void ControlChanged(ControlId id, ControlProperty property) = 0;
  virtual void WindowChanged(WindowProperty property) = 0;
};

// The main window as plain state: every control's properties, which indicator
// circle is in front, the window's caption, outer size, layout and tray state.
// Core code writes here; the window on screen follows through the observer.
class MainWindowModel {
 public:
  static constexpr std::string_view kDesignCaption = "Marlowin";
  // The client area as designed; the window is sizable and has no maximise box.
  static constexpr TwipsSize kDesignClientSize{6360, 2730};
  // The outer size the compact layout holds the window at.
  static constexpr TwipsSize kCompactOuterSize{3825, 1905};

  MainWindowModel();

  // The one observer (the window on screen); nullptr for none.
  void SetObserver(MainWindowObserver* observer) { observer_ = observer; }

  // All controls in identifier order.
  static std::span<const ControlDesign, kControlCount> Controls();
  static const ControlDesign& Design(ControlId id);

  const ControlState& State(ControlId id) const { return states_[Index(id)]; }
  const std::string& Caption(ControlId id) const { return State(id).Caption; }
  OleColor BackColor(ControlId id) const { return State(id).BackColor; }
  bool Enabled(ControlId id) const { return State(id).Enabled; }
  bool Visible(ControlId id) const { return State(id).Visible; }
  const TwipsRect& Geometry(ControlId id) const { return State(id).Geometry; }
  ControlLook Look(ControlId id) const { return State(id).Look; }

  // Setting the caption of a shape or of the picture box raises error 438,
  // as the platform does for a property a control does not have.
  void SetCaption(ControlId id, std::string caption);
  void SetBackColor(ControlId id, OleColor color);
  void SetEnabled(ControlId id, bool enabled);
  void SetVisible(ControlId id, bool visible);
  void SetGeometry(ControlId id, const TwipsRect& geometry);
  void SetLook(ControlId id, ControlLook look);
  // Moves the control, keeping its size.
  void Move(ControlId id, std::int32_t left, std::int32_t top);

  // The indicator circle in front: shpUp or shpDown. shpDown lies above shpUp
  // until the first order book is shown.
  ControlId FrontShape() const { return frontShape_; }
  // Brings shpUp or shpDown to the front; any other control raises error 5.
  void BringToFront(ControlId shape);

  const std::string& WindowCaption() const { return windowCaption_; }
  void SetWindowCaption(std::string caption);

  // The window's outer size once the program has set or learnt it; empty while
  // the window keeps the size the platform gives the designed client area.
  const std::optional<TwipsSize>& OuterSize() const { return outerSize_; }
  void SetOuterSize(const TwipsSize& size);
  // Records a size the window already has (the trader dragged its border):
  // no change is reported, so a later SetOuterSize back to the layout's size
  // is a change the window follows.
  void NoteOuterSize(const TwipsSize& size) { outerSize_ = size; }

  // The client area's size as the window has it now (the designed one until
  // the window tells otherwise).
  const TwipsSize& ClientSize() const { return clientSize_; }
  void NoteClientSize(const TwipsSize& size) { clientSize_ = size; }
  // Whether the trader can see the control: shown, and its whole rectangle
  // inside the client area. A price the trader cannot read must not trade.
  bool OnScreen(ControlId id) const;

  // The status line: a text shows lblStatus with it, in the bottom line
  // where the paper position is, which it hides meanwhile (a reason the panel
  // cannot trade matters more than the position); an empty text hides the
  // line and gives the bottom line back to the paper position.
  void SetStatusLine(std::string text);

  Layout CurrentLayout() const { return layout_; }
  // Applies the layout chosen by the Compact setting: 1 hides the two
  // largest-volume buttons, sets the outer size to 3825 x 1905 and moves six
  // controls (and the paper position) into the small window; any other value
  // changes nothing.
  void SetLayout(std::int32_t compact);

  WindowState CurrentWindowState() const { return windowState_; }
  void SetWindowState(WindowState state);
  bool TrayIconShown() const { return trayIconShown_; }
  void SetTrayIconShown(bool shown);
  bool ShownInTaskbar() const { return shownInTaskbar_; }
  void SetShownInTaskbar(bool shown);

 private:
  static std::size_t Index(ControlId id);
  void NotifyControl(ControlId id, ControlProperty property);
  void NotifyWindow(WindowProperty property);

  std::array<ControlState, kControlCount> states_;
  ControlId frontShape_ = ControlId::shpDown;
  std::string windowCaption_{kDesignCaption};
  std::optional<TwipsSize> outerSize_;
  TwipsSize clientSize_ = kDesignClientSize;
  Layout layout_ = Layout::Full;
  WindowState windowState_ = WindowState::Normal;
  bool trayIconShown_ = false;
  bool shownInTaskbar_ = true;
  bool paperHiddenByStatus_ = false;
  MainWindowObserver* observer_ = nullptr;
};

}  // namespace vestrel
