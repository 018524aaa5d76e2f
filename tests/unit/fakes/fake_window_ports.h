#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ports/clock.h"
#include "ports/global_hotkeys.h"
#include "ports/main_window_closer.h"
#include "ports/main_window_shell.h"
#include "ports/modeless_windows.h"
#include "ports/profile_reader.h"
#include "ports/sound_player.h"

namespace vestrel::testing {

// Records the calls of the window system in one journal, so tests can check
// their order against other calls.
struct Journal {
  std::vector<std::string> Calls;
};

class FakeShell : public MainWindowShell {
 public:
  explicit FakeShell(Journal& journal) : journal_(journal) {}
  void AddTrayIcon(const std::string& tip) override {
    journal_.Calls.push_back("AddTrayIcon " + tip);
  }
  void DeleteTrayIcon() override { journal_.Calls.push_back("DeleteTrayIcon"); }
  void HideWindow() override { journal_.Calls.push_back("HideWindow"); }
  void ShowWindow() override { journal_.Calls.push_back("ShowWindow"); }
  void RestoreWindow() override {
    journal_.Calls.push_back("RestoreWindow");
    if (OnRestore) {
      OnRestore();
    }
  }
  std::string ProgramFolder() override { return "C:\\QUIK"; }
  void WakeFromAnyThread() override { ++Wakes; }
  std::atomic<int> Wakes{0};
  std::function<void()> OnRestore;

 private:
  Journal& journal_;
};

class FakeCloser : public MainWindowCloser {
 public:
  explicit FakeCloser(Journal& journal) : journal_(journal) {}
  void RequestClose() override { journal_.Calls.push_back("RequestClose"); }

 private:
  Journal& journal_;
};

class FakeWindows : public ModelessWindows {
 public:
  explicit FakeWindows(Journal& journal) : journal_(journal) {}
  void ShowLog() override { journal_.Calls.push_back("ShowLog"); }
  void ShowAbout() override { journal_.Calls.push_back("ShowAbout"); }

 private:
  Journal& journal_;
};

// Settings as "section/key" -> value; every file asked for is recorded.
class MapProfile : public ProfileReader {
 public:
  std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                      const std::string& file, int) override {
    Files.push_back(file);
    const auto found = Values.find(section + "/" + key);
    return found == Values.end() ? "" : found->second;
  }
  std::map<std::string, std::string> Values{{"Main/Account", "A1"},    {"Main/SecCode", "S1"},
                                            {"Main/ClassCode", "C1"},  {"Main/Size", "2"},
                                            {"Main/SafeSpread", "10"}, {"Main/Compact", "1"}};
  std::vector<std::string> Files;
};

// A clock that moves only when the test moves it.
class FakeClock : public Clock {
 public:
  std::int64_t MonotonicMicroseconds() const override { return Monotonic; }
  std::int64_t UtcMicroseconds() const override { return Utc; }
  void AdvanceMilliseconds(std::int64_t milliseconds) {
    Monotonic += milliseconds * 1000;
    Utc += milliseconds * 1000;
  }

  std::int64_t Monotonic = 1'000'000;
  std::int64_t Utc = 1'796'000'000'000'000;  // 2026-11-30
};

// System-wide keys: records what is registered; keys in Held belong to
// another program and are refused.
class FakeGlobalHotkeys : public GlobalHotkeys {
 public:
  struct Key {
    std::uint16_t VirtualKey;
    bool Ctrl, Alt, Shift;
    bool operator==(const Key&) const = default;
  };
  bool Register(std::uint16_t virtualKey, bool ctrl, bool alt, bool shift) override {
    if (Held.count(virtualKey) != 0) {
      return false;
    }
    Registered.push_back({virtualKey, ctrl, alt, shift});
    return true;
  }
  void UnregisterAll() override { Registered.clear(); }

  std::vector<Key> Registered;
  std::set<std::uint16_t> Held;
};

// Sounds: records each file played; files in Unplayable fail.
class FakeSoundPlayer : public SoundPlayer {
 public:
  bool Play(const std::string& file) override {
    Played.push_back(file);
    return !Unplayable.contains(file);
  }
  std::vector<std::string> Played;
  std::set<std::string> Unplayable;
};

}  // namespace vestrel::testing
