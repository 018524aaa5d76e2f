#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fakes/fake_dde_library.h"
#include "fakes/fake_ports.h"
#include "fakes/fake_terminal_streams.h"
#include "fakes/fake_transaction_library.h"
#include "fakes/fake_window_ports.h"
#include "panel/panel.h"

namespace vestrel::testing {

// Sell volume, price, buy volume of one level of a book; a volume of 0 is a
// blank cell, as the terminal sends the other side's volumes.
struct Level {
  double Sell;
  double Price;
  double Buy;
};

// A book in the terminal's columns, as it pokes it.
std::vector<std::uint8_t> BookBytes(const std::vector<Level>& levels,
                                    std::string_view priceTitle = "PRICE");

// Every port the whole panel reaches, faked, and the panel on them, in the
// full layout. A test's rig derives from it and sets the profile before Start.
struct FakePanelPorts {
  FakePanelPorts() { profile.Values["Main/Compact"] = "0"; }

  // Pokes the book to the item that names its whole range.
  DdeHandle PokeBook(const std::vector<Level>& levels);
  // The log window's lines without their time stamps.
  std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    for (const std::string& line : panel.TransactionLog().Lines()) {
      lines.push_back(line.substr(line.find('|') + 1));
    }
    return lines;
  }
  std::vector<std::string> AppLogTexts() const {
    std::vector<std::string> texts;
    for (const EventLogEntry& entry : services.AppLog.Entries) {
      texts.push_back(entry.Text);
    }
    return texts;
  }
  std::vector<EventLogEntry> Warnings() const {
    std::vector<EventLogEntry> warnings;
    for (const EventLogEntry& entry : services.AppLog.Entries) {
      if (entry.Type == EventType::Warning) {
        warnings.push_back(entry);
      }
    }
    return warnings;
  }

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
