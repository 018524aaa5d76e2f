#pragma once

#include "fakes/fake_dde_library.h"
#include "fakes/fake_ports.h"
#include "fakes/fake_terminal_streams.h"
#include "fakes/fake_transaction_library.h"
#include "fakes/fake_window_ports.h"
#include "panel/panel.h"

namespace vestrel::testing {

// Every port the whole panel reaches, faked, and the panel on them. A test's
// rig derives from it and sets the profile before Start.
struct FakePanelPorts {
  FakeLogServices services;
  FakeMessageBox boxes;
  MapProfile profile;
  FakeTransactionLibrary library;
  FakeTerminalStreams streams{library.Calls};
  FakeDdeLibrary dde;
  Journal journal;
  FakeShell shell{journal};
  FakeCloser closer{journal};
  FakeWindows windows{journal};
  FakeClock clock;
  FakeGlobalHotkeys hotkeys;
  FakeSoundPlayer sounds;
  Panel panel{{services.AppLog, services.Files, services.Regional, services.UserContexts, boxes,
               profile, library, streams, dde, shell, closer, windows, clock, hotkeys, sounds}};
};

}  // namespace vestrel::testing
