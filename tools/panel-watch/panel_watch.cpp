// panel-watch.exe: watches a running panel through its automation contract
// and says what happens, as it happens: every caption change, the indicator,
// the clicks it was asked to make, the transactions the transaction library
// received and the panel's event-log entries. The demo runs it beside the
// panel.
//
//   panel-watch [--seconds N] [--captions] [--log] [--click NAME@SECONDS]...
//               [--key KEY@SECONDS]... [--ladder-click WHAT@SECONDS]...
//               [--journal FILE] [--events FILE]
//
// --seconds N       stop after N seconds (default: when the panel closes)
// --captions        print caption and indicator changes
// --log             print the lines the panel adds to its log window
// --click C@S       click the control named C (cmdBestBid, cmdReverse, ...)
//                   S seconds after the panel is found, as a hotkey tool does
// --key K@S         press the key K (F2, Ctrl+K, Shift+Alt+B: as the settings
//                   write keys) S seconds after the panel is found, posted to
//                   its focused control as a hotkey tool does
// --ladder-click W@S  click the ladder S seconds after the panel is found: take
//                   (the buy column of the best sell price), buy
//                   (the buy column eight rows below the best buy price),
//                   sell (the sell column eight rows above the best sell
//                   price) or cancel (the price column of the last buy's row)
// --journal FILE    print the SEND lines the stand-in transaction library adds
// --events FILE     print the lines the panel adds to its event-log mirror
//
// Exit codes: 0 done, 1 no panel appeared within a minute, 2 bad arguments.
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "command_line.h"
#include "common/json_string.h"
#include "contract/automation_contract.h"
#include "models/main_window_model.h"
#include "panel_automation.h"
#include "settings/key_chord.h"
#include "win32/text_encoding.h"
#include "win32/windows_api.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using vestrel::ControlDesign;
using vestrel::ControlId;
using vestrel::ControlKind;
using vestrel::MainWindowModel;

constexpr auto kPollInterval = 50ms;
constexpr auto kFindTimeout = 60s;

struct PlannedClick {
  const ControlDesign* Control;
  double AtSeconds;
  bool Done = false;
};

struct PlannedKey {
  std::string Name;
  vestrel::KeyChord Chord;
  double AtSeconds;
  bool Done = false;
};

struct PlannedLadderClick {
  std::string What;  // take, buy, sell, cancel
  double AtSeconds;
  bool Done = false;
};

struct Options {
  std::optional<double> Seconds;
  bool Captions = false;
  bool Log = false;
  std::vector<PlannedClick> Clicks;
  std::vector<PlannedKey> Keys;
  std::vector<PlannedLadderClick> LadderClicks;
  std::string Journal;
  std::string Events;
};

const ControlDesign* ControlNamed(const std::string& name) {
  for (const ControlDesign& design : MainWindowModel::Controls()) {
    if (design.Name == name) {
      return &design;
    }
  }
  return nullptr;
}

// The options, or nothing after saying what is wrong (or printing the help:
// help is then true).
std::optional<Options> ParseArguments(int argc, char** argv, bool& help) {
  using vestrel::cli::NumberFrom;
  Options options;
  double seconds = 0;
  std::vector<std::string> clicks;
  std::vector<std::string> keys;
  std::vector<std::string> ladderClicks;
  vestrel::cli::CommandLine line(
      "Watches a running panel through its automation contract and prints what happens.",
      "panel-watch");
  CLI::App& app = line.App();
  app.footer("Exit codes: 0 done, 1 no panel appeared within a minute, 2 bad arguments.");
  CLI::Option* secondsOption =
      app.add_option("--seconds", seconds, "stop after N seconds (default: when the panel closes)")
          ->check(NumberFrom(0, true, "a number of seconds"))
          ->type_name("N");
  app.add_flag("--captions", options.Captions, "print caption and indicator changes");
  app.add_flag("--log", options.Log, "print the lines the panel adds to its log window");
  app.add_option("--click", clicks,
                 "click the control NAME (cmdBestBid, cmdReverse, ...) SECONDS "
                 "after the panel is found, as a hotkey tool does")
      ->type_name("NAME@SECONDS")
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("--key", keys,
                 "press KEY (F2, Ctrl+K, Shift+Alt+B: as the settings write keys) "
                 "SECONDS after the panel is found, posted to its focused control")
      ->type_name("KEY@SECONDS")
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("--ladder-click", ladderClicks,
                 "click the ladder SECONDS after the panel is found: take (buy at the best sell "
                 "price), buy eight rows below the best buy price, sell eight rows above the "
                 "best sell price, or cancel the last resting buy by its price")
      ->type_name("take|buy|sell|cancel@SECONDS")
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("--journal", options.Journal,
                 "print the SEND lines the stand-in transaction library adds to FILE")
      ->type_name("FILE");
  app.add_option("--events", options.Events,
                 "print the lines the panel adds to its event-log mirror FILE")
      ->type_name("FILE");

  const vestrel::cli::ParseResult parsed = line.Parse(vestrel::cli::ArgumentsOf(argc, argv));
  help = parsed.Help && parsed.Error.empty();
  if (help) {
    std::fputs(line.Help().c_str(), stdout);
    return std::nullopt;
  }
  if (!parsed.Error.empty()) {
    std::fprintf(stderr, "panel-watch: %s\n%s", parsed.Error.c_str(), line.Help().c_str());
    return std::nullopt;
  }
  if (secondsOption->count() > 0) {
    options.Seconds = seconds;
  }
  for (const std::string& plan : keys) {
    const std::size_t at = plan.rfind('@');
    const std::optional<vestrel::KeyChord> chord =
        at == std::string::npos ? std::nullopt : vestrel::ParseKeyChord(plan.substr(0, at));
    if (!chord) {
      std::fprintf(stderr, "panel-watch: no key in %s (KEY@SECONDS)\n", plan.c_str());
      return std::nullopt;
    }
    options.Keys.push_back({plan.substr(0, at), *chord, std::atof(plan.c_str() + at + 1)});
  }
  for (const std::string& plan : clicks) {
    const std::size_t at = plan.find('@');
    const ControlDesign* control =
        at == std::string::npos ? nullptr : ControlNamed(plan.substr(0, at));
    if (control == nullptr || control->Kind != ControlKind::CommandButton) {
      std::fprintf(stderr, "panel-watch: no button in %s (NAME@SECONDS)\n", plan.c_str());
      return std::nullopt;
    }
    options.Clicks.push_back({control, std::atof(plan.c_str() + at + 1)});
  }
  for (const std::string& plan : ladderClicks) {
    const std::size_t at = plan.find('@');
    const std::string what = plan.substr(0, at);
    if (at == std::string::npos ||
        (what != "take" && what != "buy" && what != "sell" && what != "cancel")) {
      std::fprintf(stderr, "panel-watch: no ladder click in %s (take|buy|sell|cancel@SECONDS)\n",
                   plan.c_str());
      return std::nullopt;
    }
    options.LadderClicks.push_back({what, std::atof(plan.c_str() + at + 1)});
  }
  return options;
}

// The lines a file gains, as they are written.
class FileTail {
 public:
  explicit FileTail(std::string path) : path_(std::move(path)) {
    // Only what is written from now on.
    std::ifstream file(path_, std::ios::binary | std::ios::ate);
    if (file) {
      offset_ = static_cast<std::streamoff>(file.tellg());
    }
  }

  std::vector<std::string> NewLines() {
    std::vector<std::string> lines;
    if (path_.empty()) {
      return lines;
    }
    std::ifstream file(path_, std::ios::binary);
    if (!file) {
      return lines;
    }
    file.seekg(offset_);
    std::string line;
    // Only whole lines: one being written is read next time.
    while (std::getline(file, line) && !file.eof()) {
      offset_ += static_cast<std::streamoff>(line.size() + 1);
      if (!line.empty() && line.back() == '\r') {
        line.pop_back();
      }
      lines.push_back(line);
    }
    return lines;
  }

 private:
  std::string path_;
  std::streamoff offset_ = 0;
};

// The entry's text from a mirror line {"type": N, "text": "..."}, its line
// breaks shown as " / ", after "error: " or "warning: " for those types; the
// line itself when it is not one.
std::string EventText(const std::string& line) {
  const std::string key = "\"text\": ";
  std::size_t position = line.find(key);
  std::optional<std::string> entry;
  if (position != std::string::npos) {
    position += key.size();
    entry = vestrel::ReadJsonString(line, position);
  }
  if (!entry || line.compare(position, std::string::npos, "}") != 0) {
    return line;
  }
  std::string text = line.rfind("{\"type\": 1,", 0) == 0   ? "error: "
                     : line.rfind("{\"type\": 2,", 0) == 0 ? "warning: "
                                                           : "";
  for (const char c : *entry) {
    if (c == '\n') {
      text += " / ";
    } else if (c == '\t') {
      text += ' ';
    } else if (static_cast<unsigned char>(c) < 0x20) {
      text += c == '\r' ? "" : "?";  // a line's \r\n is its break; other controls show as ?
    } else {
      text += c;
    }
  }
  return text;
}

class Watch {
 public:
  explicit Watch(Options options)
      : options_(std::move(options)),
        start_(Clock::now()),
        journal_(options_.Journal),
        events_(options_.Events) {}

  int Run() {
    HWND panel = nullptr;
    while (panel == nullptr) {
      panel = FindWindowW(vestrel::contract::kMainWindowClass, nullptr);
      if (Clock::now() - start_ > kFindTimeout) {
        std::fprintf(stderr, "panel-watch: no panel window appeared\n");
        return 1;
      }
      std::this_thread::sleep_for(kPollInterval);
    }
    start_ = Clock::now();
    Say("watching \"" + Text(panel) + "\"");
    while (IsWindow(panel) != FALSE) {
      if (options_.Seconds && Seconds() >= *options_.Seconds) {
        return 0;
      }
      if (options_.Captions) {
        ReportCaptions(panel);
      }
      MakeDueClicks(panel);
      PressDueKeys(panel);
      MakeDueLadderClicks(panel);
      if (options_.Log) {
        ReportLogLines(panel);
      }
      for (const std::string& line : journal_.NewLines()) {
        if (line.rfind("SEND ", 0) == 0) {
          Say("transaction sent: " + vestrel::win32::AnsiToUtf8(line.substr(5)));
        }
      }
      for (const std::string& line : events_.NewLines()) {
        Say("event log: " + EventText(line));
      }
      std::this_thread::sleep_for(kPollInterval);
    }
    Say("the panel has closed");
    return 0;
  }

 private:
  double Seconds() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }

  void Say(const std::string& what) const {
    std::printf("[%6.2f s] %s\n", Seconds(), what.c_str());
    std::fflush(stdout);
  }

  // A watch must not stop on a busy panel (a message box open): short waits.
  static constexpr UINT kReadTimeoutMs = 1000;
  static constexpr UINT kClickTimeoutMs = 5000;

  static std::string Text(HWND window) {
    return vestrel::win32::WideToUtf8(vestrel::automation::WindowText(window, kReadTimeoutMs));
  }

  static std::string Text(HWND panel, ControlId id) {
    return Text(GetDlgItem(panel, static_cast<int>(id)));
  }

  void ReportCaptions(HWND panel) {
    std::string changes;
    for (const ControlDesign& design : MainWindowModel::Controls()) {
      if (design.Kind != ControlKind::CommandButton && design.Kind != ControlKind::Label) {
        continue;
      }
      const std::string caption = Text(panel, design.Id);
      std::string& last = captions_[static_cast<std::size_t>(design.Id) - kFirstId];
      if (caption != last) {
        changes += "  " + std::string(design.Name) + " " + caption;
        last = caption;
      }
    }
    const std::string indicator =
        vestrel::automation::ShapeInFront(panel, static_cast<int>(ControlId::shpUp),
                                          static_cast<int>(ControlId::shpDown))
            ? "up"
            : "down";
    if (indicator != indicator_) {
      changes += "  indicator " + indicator;
      indicator_ = indicator;
    }
    if (!changes.empty()) {
      Say("captions:" + changes);
    }
  }

  void MakeDueClicks(HWND panel) {
    for (PlannedClick& click : options_.Clicks) {
      if (click.Done || Seconds() < click.AtSeconds) {
        continue;
      }
      click.Done = true;
      const int id = static_cast<int>(click.Control->Id);
      Say("click " + std::string(click.Control->Name) + " (automation ID " + std::to_string(id) +
          ", caption " + Text(panel, click.Control->Id) + ")");
      vestrel::automation::Click(panel, id, kClickTimeoutMs);
    }
  }

  void PressDueKeys(HWND panel) {
    for (PlannedKey& key : options_.Keys) {
      if (key.Done || Seconds() < key.AtSeconds) {
        continue;
      }
      key.Done = true;
      Say("key " + vestrel::KeyChordText(key.Chord) + " (posted to the panel's focused control)");
      const std::size_t lines = vestrel::automation::LogWindowLines(panel, kReadTimeoutMs).size();
      // The modifiers are held until the press has written its log window
      // line, or for at most two seconds (a key that sends nothing writes
      // none).
      vestrel::automation::PressKey(
          panel, {key.Chord.VirtualKey, key.Chord.Ctrl, key.Chord.Alt, key.Chord.Shift},
          [&] { return vestrel::automation::LogWindowLines(panel, kReadTimeoutMs).size() > lines; },
          2s);
    }
  }

  // A row's price field ("PRICE<TAB>BUY<TAB>SELL<TAB>MINE") and whether its
  // field of that number (1 buy, 2 sell) holds anything.
  static std::wstring Field(const std::wstring& row, int number) {
    std::size_t begin = 0;
    for (int i = 0; i < number && begin != std::wstring::npos; ++i) {
      begin = row.find(L'\t', begin);
      begin = begin == std::wstring::npos ? begin : begin + 1;
    }
    if (begin == std::wstring::npos) {
      return {};
    }
    return row.substr(begin, row.find(L'\t', begin) - begin);
  }

  void MakeDueLadderClicks(HWND panel) {
    for (PlannedLadderClick& click : options_.LadderClicks) {
      if (click.Done || Seconds() < click.AtSeconds) {
        continue;
      }
      click.Done = true;
      const HWND rows = vestrel::automation::LadderRows(panel);
      const std::vector<std::wstring> lines = vestrel::automation::ListLines(rows, kReadTimeoutMs);
      // The best sell row is the lowest with a sell volume, the best buy row
      // the highest with a buy volume.
      int bestSell = -1;
      int bestBuy = -1;
      for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!Field(lines[i], 2).empty()) {
          bestSell = static_cast<int>(i);
        }
        if (bestBuy < 0 && !Field(lines[i], 1).empty()) {
          bestBuy = static_cast<int>(i);
        }
      }
      int row = -1;
      int third = 1;
      if (click.What == "take" && bestSell >= 0) {
        row = bestSell;
        third = 0;
      } else if (click.What == "buy" && bestBuy >= 0) {
        row = bestBuy + 8;
        third = 0;
      } else if (click.What == "sell" && bestSell >= 0) {
        row = bestSell - 8;
        third = 2;
      } else if (click.What == "cancel") {
        for (std::size_t i = 0; i < lines.size(); ++i) {
          if (Field(lines[i], 0) == lastBuyPrice_) {
            row = static_cast<int>(i);
          }
        }
      }
      if (row < 0 || static_cast<std::size_t>(row) >= lines.size()) {
        Say("ladder " + click.What + ": no such row on the ladder now");
        continue;
      }
      const std::wstring price = Field(lines[static_cast<std::size_t>(row)], 0);
      if (click.What == "buy") {
        lastBuyPrice_ = price;
      }
      Say("ladder click " + click.What + " at " + vestrel::win32::WideToUtf8(price) + " (row " +
          std::to_string(row) + ")");
      vestrel::automation::ClickLadderRow(rows, row, third);
    }
  }

  void ReportLogLines(HWND panel) {
    const std::vector<std::wstring> lines =
        vestrel::automation::LogWindowLines(panel, kReadTimeoutMs);
    for (std::size_t i = logLinesSeen_; i < lines.size(); ++i) {
      Say("log window: " + vestrel::win32::WideToUtf8(lines[i]));
    }
    logLinesSeen_ = std::max(logLinesSeen_, lines.size());
  }

  static constexpr std::size_t kFirstId = static_cast<std::size_t>(ControlId::cmdMaxBid);

  Options options_;
  Clock::time_point start_;
  FileTail journal_;
  FileTail events_;
  std::array<std::string, vestrel::kControlCount> captions_{};
  std::string indicator_;
  std::size_t logLinesSeen_ = 0;
  std::wstring lastBuyPrice_;
};

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);  // UTF-8 lines ending in LF, as written
  bool help = false;
  std::optional<Options> options = ParseArguments(argc, argv, help);
  if (!options) {
    return help ? 0 : 2;
  }
  return Watch(std::move(*options)).Run();
}
