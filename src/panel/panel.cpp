#include "panel/panel.h"

#include <algorithm>

#include "contract/automation_contract.h"
#include "diag/error_scope.h"

namespace vestrel {
namespace {

// The tick: often enough for the error log's repeat counts, and while
// recording often enough that a crash loses well under a second of it.
constexpr std::int32_t kTickMs = 10'000;
constexpr std::int32_t kRecordingTickMs = 250;

// A path from the settings: absolute ("C:\...", "\\server\...", "\..."),
// or relative to the program's folder.
std::string InProgramFolder(const std::string& folder, const std::string& path) {
  const bool absolute =
      path.starts_with('\\') || path.starts_with('/') || (path.size() >= 2 && path[1] == ':');
  return absolute ? path : folder + "\\" + path;
}

}  // namespace

Panel::Panel(PanelPorts ports)
    : ports_(ports),
      log_(LogServices{ports.AppLog, ports.Files, ports.Regional, ports.UserContexts}),
      logWindow_(log_, ports.Regional, closing_),
      display_(ports.AppLog, ports.Regional, window_, logWindow_, trading_),
      paper_(log_, ports.Regional, window_, trading_, display_),
      gateway_(log_, ports.AppLog, ports.Regional, ports.Messages, ports.Library, logWindow_),
      live_({log_, ports.AppLog, ports.Regional, ports.Streams, ports.Shell, gateway_, trading_,
             display_}),
      book_(log_, ports.Regional, ports.Messages, window_, *this),
      decoder_(log_, ports.AppLog, ports.Regional,
               [this](std::int32_t instance, const DecodedTable& table) {
                 const PokeTimings::Span span(timings_, PokeStage::Analysis);
                 const std::uint64_t shown = book_.TablesShown();
                 book_.TableArrived(instance, table);
                 if (book_.TablesShown() != shown) {
                   guard_.BookAccepted();
                   risk_.Watch();
                 }
               }),
      recorder_(ports.Files, ports.Time, ports.AppLog, &ports.Regional),
      dde_(log_, ports.Dde, ports.Messages,
           [this](std::int32_t instance, std::span<const std::uint8_t> data) {
             if (timings_ != nullptr) {
               timings_->NotePoke();
             }
             const PokeTimings::Span span(timings_, PokeStage::Decode);
             decoder_.Decode(instance, data);
           }),
      ddeServerEntry_(log_, dde_),
      lifecycle_({log_, window_, ports.Shell, *this, ports.Profile, ports.Regional, ports.AppLog,
                  logWindow_, gateway_, *this, closing_, *this}),
      commands_(log_, ports.Regional, window_, lifecycle_.CurrentSettings(),
                lifecycle_.Extensions().Orders, book_.Shown(), gateway_, ports.Windows),
      watch_(log_, lifecycle_.Extensions().Guard, ports.Time, gateway_, ports.AppLog, logWindow_,
             ports.Regional),
      guard_(log_, lifecycle_.Extensions().Guard, ports.Time, window_, logWindow_, watch_,
             ports.Regional),
      status_(window_, ports.Regional),
      sounds_(ports.Sounds, ports.AppLog, ports.Regional),
      risk_(log_, lifecycle_.Extensions().Risk, book_.Shown(), ports.AppLog, logWindow_,
            ports.Regional, sounds_, [this] { return CurrentTradingState(); }),
      ladder_(lifecycle_.Extensions().Orders, ports.Regional, ports.Time),
      ladderCommands_(log_, ports.Regional, lifecycle_.CurrentSettings(), commands_, guard_,
                      gateway_, logWindow_) {
  commands_.AttachTrading(risk_, logWindow_, [this] { return CurrentTradingState(); });
  gateway_.OnRefused([this] { sounds_.OnRefused(); });
  guard_.OnRefused([this] { sounds_.OnRefused(); });
  display_.UseSounds(sounds_);
}

const TradingState* Panel::CurrentTradingState() const {
  return paper_.IsOpen() || live_.FollowsOrders() ? &trading_ : nullptr;
}

bool Panel::Start() {
  starting_ = true;
  lifecycle_.Load();
  starting_ = false;
  status_.SetStartupBlock(lifecycle_.Blocked());
  book_.SetDdeInstance(static_cast<std::int32_t>(dde_.Handles().Instance));
  if (closeAfterStart_) {
    return false;
  }
  const ExtensionSettings& extensions = lifecycle_.Extensions();
  // Only a connection start-up made can be watched and followed.
  if (lifecycle_.Connected()) {
    watch_.Start(lifecycle_.AppPath());
    if (!paper_.IsOpen()) {
      const Settings& settings = lifecycle_.CurrentSettings();
      live_.Start(extensions.Live, settings.ClassCode, settings.SecCode);
      if (live_.FollowsOrders()) {
        gateway_.TrackOrdersIn(trading_);
      }
    }
  }
  // The trader's own orders on the ladder, on paper or live.
  ladder_.SetTradingState(CurrentTradingState());
  ladderCommands_.SetTradingState(CurrentTradingState());
  guard_.Start();
  risk_.Start();
  hotkeys_ = HotkeyMap(extensions.Hotkeys, extensions.Ladder.Enabled, ports_.AppLog,
                       ports_.Regional.InterfaceLanguage());
  if (extensions.Hotkeys.Global) {
    RegisterGlobalKeys();
  }
  started_ = true;
  return true;
}

void Panel::RegisterGlobalKeys() {
  constexpr UiText kHeldElsewhere{
      " cannot be registered for the whole system (another program holds it); it works only "
      "while the panel has the focus.",
      " не удаётся назначить для всей системы (её заняла другая программа); она действует, "
      "только пока панель в фокусе."};
  for (const HotkeyBinding& binding : hotkeys_.Bindings()) {
    const KeyChord& chord = binding.Chord;
    if (!ports_.Hotkeys.Register(chord.VirtualKey, chord.Ctrl, chord.Alt, chord.Shift)) {
      WriteWarning(ports_.AppLog, contract::IniSectionPrefix(contract::kHotkeysSection) +
                                      std::string(binding.Setting) + "=" + KeyChordText(chord) +
                                      kHeldElsewhere.In(ports_.Regional.InterfaceLanguage()));
    }
  }
}

void Panel::Shutdown() {
  if (started_) {
    started_ = false;
    watch_.Stop();
    ports_.Hotkeys.UnregisterAll();
  }
  // The streams end before the disconnect, and nothing of the library
  // reaches the panel after it.
  live_.Stop();
  lifecycle_.Unload();
  live_.Detach();
  recorder_.Stop();
  log_.Flush();
}

void Panel::TerminalEventsArrived() {
  live_.EventsArrived();
  risk_.Watch();
  status_.SetTerminalConnected(watch_.Connected() && live_.TerminalConnected());
}

void Panel::LiveBookChanged(const BookView& book) {
  ErrorScope scope(log_, "Vestrel.frmMain.LiveBookChanged");
  scope.Stop([&] {
    scope.Line = 1;
    display_.BookChanged(book);
    scope.Line = 2;
    display_.Show();
  });
}

void Panel::Tick() {
  // A message box of a tick or of a click must not start another.
  if (!started_ || ticking_) {
    return;
  }
  ticking_ = true;
  recorder_.Flush();
  watch_.Tick();
  status_.SetTerminalConnected(watch_.Connected() && live_.TerminalConnected());
  guard_.Refresh();
  log_.WriteEndedRepeats();
  ticking_ = false;
}

std::int32_t Panel::TickIntervalMs() const {
  const std::int32_t own = recorder_.Recording() ? kRecordingTickMs : kTickMs;
  const std::int32_t guard = GuardTickIntervalMs(lifecycle_.Extensions().Guard);
  return guard > 0 ? std::min(own, guard) : own;
}

bool Panel::KeyPress(const KeyChord& chord, bool autoRepeat) {
  const HotkeyBinding* binding = hotkeys_.Find(chord);
  if (binding == nullptr) {
    return false;
  }
  // A key held down is still the panel's, but acts once.
  switch (binding->Command) {
    case HotkeyCommand::Flatten:
      if (!autoRepeat) {
        commands_.Flatten();
      }
      break;
    case HotkeyCommand::ShowHideLadder:
    case HotkeyCommand::CentreLadder:
      LadderKeyPress(binding->Command, autoRepeat);
      break;
    case HotkeyCommand::Button:
      if (autoRepeat) {
        break;
      }
      // A key must not trade at a price or side the trader cannot see.
      if (OrderGuard::Guards(*binding->Button) && !window_.OnScreen(*binding->Button)) {
        NoteKeyNotActedOn(chord, *binding->Button);
      } else {
        Click(*binding->Button);
      }
      break;
  }
  return true;
}

void Panel::LadderKeyPress(HotkeyCommand command, bool autoRepeat) {
  if (Ladder() == nullptr) {
    return;
  }
  if (command == HotkeyCommand::CentreLadder) {
    ladder_.Centre();
  }
  if (!autoRepeat && ladderKeys_) {
    ladderKeys_(command);
  }
}

LadderModel* Panel::Ladder() {
  return started_ && lifecycle_.Extensions().Ladder.Enabled ? &ladder_ : nullptr;
}

void Panel::LadderClicked(const LadderClick& click) {
  if (Ladder() != nullptr) {
    ladderCommands_.Click(click);
  }
}

void Panel::NoteKeyNotActedOn(const KeyChord& chord, ControlId button) {
  constexpr UiText kKey{"Key ", "Клавиша "};
  constexpr UiText kNotActedOn{" not acted on (", " не сработала ("};
  constexpr UiText kNotOnScreen{"): the button is not on screen", "): кнопки нет на экране"};
  constexpr UiText kInCompact{" in the compact layout", " в маленьком окне"};
  const UiLanguage language = ports_.Regional.InterfaceLanguage();
  std::string line = kKey.In(language) + KeyChordText(chord) + kNotActedOn.In(language) +
                     std::string(MainWindowModel::Design(button).Name) + kNotOnScreen.In(language);
  if (window_.CurrentLayout() == Layout::Compact) {
    line += kInCompact.In(language);
  }
  ErrorScope scope(log_, "Vestrel.frmMain.KeyNotActedOn", ParamRef("strLine", line));
  scope.Stop([&] {
    scope.Line = 1;
    logWindow_.AddLine(line);
  });
}

void Panel::StartRecording() {
  const std::string& file = lifecycle_.Extensions().Record.File;
  if (file.empty() || !recorder_.Start(InProgramFolder(lifecycle_.AppPath(), file))) {
    return;
  }
  dde_.ObservePokes([this](std::string_view item, std::span<const std::uint8_t> data) {
    recorder_.Record(item, data);
  });
}

void Panel::RequestClose() {
  // The window is not shown yet while it loads: it closes once start-up ends.
  if (starting_) {
    closeAfterStart_ = true;
  } else {
    ports_.Closer.RequestClose();
  }
}

DdeRegistration Panel::StartDdeServer(const std::string& service, const std::string& topic,
                                      const std::string& adviseItem) {
  const DdeServerHandles handles = dde_.Start(service, topic, adviseItem, ddeEntry_);
  return {static_cast<std::int32_t>(handles.Instance), handles.AdviseItem};
}

DdeRegistration Panel::StopDdeServer(const DdeRegistration& registration) {
  // The server stops what it started, which is what start-up recorded.
  dde_.Stop();
  return registration;
}

void Panel::ApplyExtensions(const ExtensionSettings& extensions) {
  // Before the DDE server starts, so the first poke is recorded too.
  StartRecording();
  const auto soundFile = [&](const std::string& file) {
    return file.empty() ? file : InProgramFolder(lifecycle_.AppPath(), file);
  };
  sounds_.Use(soundFile(extensions.Sound.Fill), soundFile(extensions.Sound.Refused));
  if (extensions.Paper.Enabled && !paper_.IsOpen()) {
    gateway_.UseLibrary(paper_.Exchange());
    paper_.Open();
  }
  // Every book shown: paper fills first, so that the position and the
  // ladder show what this book filled.
  book_.SetBookListener([this](const BookView& book) { BookShown(book); });
}

void Panel::BookShown(const BookView& book) {
  if (paper_.IsOpen()) {
    paper_.BookChanged(book);
  } else if (live_.FollowsOrders()) {
    LiveBookChanged(book);
  }
  if (lifecycle_.Extensions().Ladder.Enabled) {
    ladder_.BookChanged(book);
  }
}

DdeHandle Panel::DdeEntry::Call(std::uint32_t type, std::uint32_t format, DdeHandle conversation,
                                DdeHandle topic, DdeHandle item, DdeHandle data, DdeHandle data1,
                                DdeHandle data2) {
  const PokeTimings::Span span(panel_.timings_, PokeStage::Fetch);
  return panel_.ddeServerEntry_.Call(type, format, conversation, topic, item, data, data1, data2);
}

void Panel::Click(ControlId control) {
  if (!guard_.MaySend(control)) {
    return;
  }
  const std::uint64_t sends = gateway_.SendsMade();
  switch (control) {
    case ControlId::cmdBestBid:
      commands_.SellAtBestBid();
      break;
    case ControlId::cmdBestAsk:
      commands_.BuyAtBestAsk();
      break;
    case ControlId::cmdMaxBid:
      commands_.SellAtLargestBid();
      break;
    case ControlId::cmdMaxAsk:
      commands_.BuyAtLargestAsk();
      break;
    case ControlId::cmdReverse:
      commands_.Reverse();
      break;
    case ControlId::cmdKillOrders:
      commands_.KillAllOrders();
      break;
    case ControlId::cmdLog:
      commands_.ShowLog();
      break;
    case ControlId::cmdAbout:
      commands_.ShowAbout();
      break;
    default:
      break;
  }
  if (OrderGuard::Guards(control) && gateway_.SendsMade() != sends) {
    guard_.OrderSent();
  }
}

void Panel::Resized(WindowState state, std::optional<TwipsSize> outerSize) {
  if (state == WindowState::Normal && outerSize) {
    // A size the trader dragged to is the model's now, so the compact layout
    // springs back from it.
    window_.NoteOuterSize(*outerSize);
  }
  lifecycle_.Resize(state);
}

void Panel::TrayMessage(std::int32_t message) { lifecycle_.TrayMouseMessage(message); }

}  // namespace vestrel
