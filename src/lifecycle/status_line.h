#pragma once

#include <string>

#include "models/main_window_model.h"
#include "ports/regional_settings.h"
#include "ports/transaction_library.h"

namespace vestrel {

// What start-up found that keeps the panel from trading until the trader
// mends it: a [Main] value that cannot be read, or a transaction library that
// would not load. Both last until the next start.
struct StartupBlock {
  std::string UnreadableSetting;  // the [Main] key, empty when all were read
  LibraryLoadFailure Library;
  bool operator==(const StartupBlock&) const = default;
};

// The status line (lblStatus): shown only while the panel cannot trade for a
// reason the trader must mend, naming it in the trader's interface language
// (Russian or English). A start-up block comes first; otherwise a terminal
// the connection watch finds unconnected. The line goes when its reason goes.
class StatusLine {
 public:
  StatusLine(MainWindowModel& window, const RegionalSettings& regional)
      : window_(window), regional_(regional) {}

  void SetStartupBlock(const StartupBlock& block);
  void SetTerminalConnected(bool connected);

  // The line's text for the reasons known now; empty when none.
  std::string Text() const;

 private:
  void Show() { window_.SetStatusLine(Text()); }

  MainWindowModel& window_;
  const RegionalSettings& regional_;
  StartupBlock startup_;
  bool terminalConnected_ = true;
};

}  // namespace vestrel
