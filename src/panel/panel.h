#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "book/order_book.h"
#include "dde/dde_server.h"
#include "dde/xltable_decoder.h"
#include "diag/log_dispatcher.h"
#include "diag/poke_timings.h"
#include "guard/connection_watch.h"
#include "guard/order_guard.h"
#include "guard/risk_gate.h"
#include "hotkeys/hotkey_map.h"
#include "ladder/ladder_commands.h"
#include "ladder/ladder_model.h"
#include "lifecycle/main_window_lifecycle.h"
#include "lifecycle/status_line.h"
#include "live/live_trading.h"
#include "models/log_window_model.h"
#include "models/main_window_model.h"
#include "paper/paper_trading.h"
#include "ports/clock.h"
#include "ports/dde_library.h"
#include "ports/event_log.h"
#include "ports/file_system.h"
#include "ports/global_hotkeys.h"
#include "ports/main_window_closer.h"
#include "ports/main_window_shell.h"
#include "ports/message_box.h"
#include "ports/modeless_windows.h"
#include "ports/profile_reader.h"
#include "ports/regional_settings.h"
#include "ports/sound_player.h"
#include "ports/terminal_streams.h"
#include "ports/transaction_library.h"
#include "ports/user_context_source.h"
#include "recording/poke_recorder.h"
#include "settings/key_chord.h"
#include "settings/settings.h"
#include "trade/gateway.h"
#include "trade/order_commands.h"
#include "trade/trade_sounds.h"
#include "trade/trading_display.h"
#include "trading/trading_state.h"

namespace vestrel {

// Everything the panel reaches outside itself.
struct PanelPorts {
  EventLog& AppLog;
  FileSystem& Files;
  RegionalSettings& Regional;
  UserContextSource& UserContexts;
  MessageBox& Messages;
  ProfileReader& Profile;
  TransactionLibrary& Library;
  // The same library's order, trade, reply and connection streams ([Live]).
  TerminalStreams& Streams;
  DdeLibrary& Dde;
  // The main window as the window system has it: tray, show and hide, the
  // program's folder.
  MainWindowShell& Shell;
  // Closes the main window; the window then calls Shutdown.
  MainWindowCloser& Closer;
  // The log window and the About dialog on screen.
  ModelessWindows& Windows;
  Clock& Time;
  // The trader's keys while another program has the focus ([Hotkeys] Global).
  GlobalHotkeys& Hotkeys;
  // The [Sound] files, played without waiting.
  SoundPlayer& Sounds;
};

// The whole panel, composed: the main and log window models, the XLTable
// decoder, the order book, the DDE server, the trading gateway and the
// trader's commands, wired as the terminal's order books and the trader's
// clicks travel through them. A window shows the models and turns what
// happens to it into the calls below; everything else is here.
//
// With [Paper] Enabled=1 the gateway trades against the built-in paper
// exchange from start-up on, and the terminal's library is never called.
// Otherwise [Live] may follow the terminal's order and trade streams and send
// without waiting. Paper and live keep one trading state, shown alike.
class Panel : private MainWindowCloser, private DdeServerLifecycle, private ExtensionSetup {
 public:
  explicit Panel(PanelPorts ports);

  Panel(const Panel&) = delete;
  Panel& operator=(const Panel&) = delete;

  // Start-up: settings, the terminal connection, the DDE server. False when
  // the panel asked to close during start-up (no terminal): the window is
  // then closed without being shown.
  bool Start();
  // Shutdown, when the main window is being destroyed. Writes the error
  // log's repeat counts still held.
  void Shutdown();

  // A click on a control of the main window (its fixed identifier). Orders
  // the trader's guard holds back are not sent.
  void Click(ControlId control);
  // A key pressed while a window of the panel has the keyboard focus, or a
  // global key: true when it is one of the trader's keys, which then acts
  // exactly as a click on its button. A key held down (autoRepeat) sends
  // nothing more; it is still the panel's key. The key of a price button or
  // of Reverse that is not on screen (hidden, or outside the client area)
  // sends nothing and adds one log window line saying so. [Hotkeys] Flatten
  // closes the position (OrderCommands::Flatten).
  bool KeyPress(const KeyChord& chord, bool autoRepeat = false);
  // Periodic work, called every TickIntervalMs() once Start has returned:
  // writes out the recording's buffer, brings the stale look up to date and
  // checks the connection when the guard is on, and writes the error log's
  // repeat counts whose minute is over (so that the count of a flood that
  // stopped is not held until the next error).
  void Tick();
  // How often Tick wants to run, in milliseconds: every 10 s, more often
  // while recording or when the guard is on.
  std::int32_t TickIntervalMs() const;
  // The window's state changed (or its size, in the normal state: outerSize
  // is then the size the window has now, in twips).
  void Resized(WindowState state, std::optional<TwipsSize> outerSize);
  // A mouse message of the tray icon (e.g. 515 for a left double click).
  void TrayMessage(std::int32_t message);
  // The window's thread, woken by the terminal's library (the shell's
  // WakeFromAnyThread): applies what its streams reported.
  void TerminalEventsArrived();

  // The ladder's model with [Ladder] Enabled=1 (once started); null without.
  LadderModel* Ladder();
  // A click on the ladder: an order or a cancel at its row's price.
  void LadderClicked(const LadderClick& click);
  // The ladder's keys ([Hotkeys] Ladder and Centre) as the window is to act on
  // them: ShowHideLadder or CentreLadder.
  void SetLadderKeyListener(std::function<void(HotkeyCommand)> listener) {
    ladderKeys_ = std::move(listener);
  }

  MainWindowModel& Window() { return window_; }
  LogWindowModel& TransactionLog() { return logWindow_; }
  const Settings& CurrentSettings() const { return lifecycle_.CurrentSettings(); }
  const ExtensionSettings& Extensions() const { return lifecycle_.Extensions(); }
  bool Closing() const { return closing_; }
  const OrderBook& Book() const { return book_; }
  // The trader's orders, fills and position, on paper or live.
  const TradingState& Trading() const { return trading_; }
  bool Recording() const { return recorder_.Recording(); }
  // The trader's commands beyond the buttons (cancel one order, the orders
  // at a price, Flatten); every new order they send passes the [Risk]
  // limits.
  OrderCommands& Commands() { return commands_; }
  // The trading state while the panel keeps one (paper mode, or the
  // terminal's streams followed); null otherwise.
  const TradingState* CurrentTradingState() const;

  // Times every poke's steps from now on (null: no more); the timings must
  // outlive the panel or be taken back first.
  void SetPokeTimings(PokeTimings* timings) { timings_ = timings; }

 private:
  // MainWindowCloser: a failed connection at start-up, a wrong order book.
  void RequestClose() override;
  // DdeServerLifecycle: start-up and shutdown of the DDE server.
  DdeRegistration StartDdeServer(const std::string& service, const std::string& topic,
                                 const std::string& adviseItem) override;
  DdeRegistration StopDdeServer(const DdeRegistration& registration) override;
  // ExtensionSetup: paper trading, sounds and the book's listener, once the
  // optional settings are read.
  void ApplyExtensions(const ExtensionSettings& extensions) override;
  // Every book the panel has shown whole: paper's exchange or the live
  // position's open profit, then the ladder.
  void BookShown(const BookView& book);
  // A book shown while the terminal's streams are followed: the open profit
  // against it.
  void LiveBookChanged(const BookView& book);
  // [Hotkeys] Global: every key of the panel for the whole system.
  void RegisterGlobalKeys();

  // [Hotkeys] Ladder or Centre (bound only when the ladder is on).
  void LadderKeyPress(HotkeyCommand command, bool autoRepeat);
  // A key of a price button or Reverse that is not on screen: one log
  // window line saying so, no order.
  void NoteKeyNotActedOn(const KeyChord& chord, ControlId button);

  // Starts the recording [Record] File names, if any.
  void StartRecording();

  // The callback the DDE server registers: the error chain's entry, timed
  // when timings are on.
  class DdeEntry : public DdeCallback {
   public:
    explicit DdeEntry(Panel& panel) : panel_(panel) {}
    DdeHandle Call(std::uint32_t type, std::uint32_t format, DdeHandle conversation,
                   DdeHandle topic, DdeHandle item, DdeHandle data, DdeHandle data1,
                   DdeHandle data2) override;

   private:
    Panel& panel_;
  };

  PanelPorts ports_;
  PokeTimings* timings_ = nullptr;
  bool starting_ = false;
  bool closeAfterStart_ = false;
  bool closing_ = false;

  LogDispatcher log_;
  MainWindowModel window_;
  LogWindowModel logWindow_;
  TradingState trading_;
  TradingDisplay display_;
  PaperTrading paper_;
  TradingGateway gateway_;
  LiveTrading live_;
  OrderBook book_;
  XLTableDecoder decoder_;
  PokeRecorder recorder_;
  DdeServer dde_;
  DdeServerEntry ddeServerEntry_;
  DdeEntry ddeEntry_{*this};
  MainWindowLifecycle lifecycle_;
  OrderCommands commands_;
  ConnectionWatch watch_;
  OrderGuard guard_;
  StatusLine status_;
  HotkeyMap hotkeys_;
  TradeSounds sounds_;
  RiskGate risk_;
  LadderModel ladder_;
  LadderCommands ladderCommands_;
  std::function<void(HotkeyCommand)> ladderKeys_;
  bool started_ = false;
  bool ticking_ = false;
};

}  // namespace vestrel
