// e2e_bench.exe: the panel's end-to-end throughput, memory, start-up and
// time to the screen, each next to a bare Win32 yardstick or a target, in one
// run under the same conditions.
//
//   e2e_bench.exe [--count N] [--rounds N] [--warmup N] [--levels N] [--starts N]
//                 [--breakdown N] [--screen-seconds N] [--flood N]
//
// 1. Throughput: the terminal simulator (termsim.exe) pokes a generated order
//    book of --levels levels a side as fast as DDE allows to the real panel
//    and to bare_dde_server.exe, a DDEML server that fetches each poke and
//    acknowledges it without decoding (under a service name of its own, so
//    both run throughout). After --warmup pokes to each, the panel's memory
//    is read; then --count pokes to each, in --rounds rounds, the servers
//    taking turns and the order swapped every round, so that a change in the
//    machine's load touches both alike. The ratio is each round's.
// 2. Where a poke's time goes: a panel started with VESTREL_POKE_TIMINGS
//    times its steps (fetch, decode, analysis, model, paint) for --breakdown
//    pokes, next to the bare server's time for as many.
// 3. Poke to screen: the bench pokes books at 10 and then at 100 a second
//    for --screen-seconds each to a timing panel, and takes each poke's time
//    from its acknowledgement to the end of the repaint round that carried
//    it (the panel reports its rounds). Then a flood of --flood books cut
//    short: the time a refused poke takes and the day's text log's growth.
// 4. Live orders: the throughput rounds again with a panel trading live
//    (its order and trade streams, an order across the book clicked every
//    second, termsim writing each book's top for the stand-in library to
//    fill against); a live panel whose replies come 300 ms late, clicked on
//    its own (each click timed to the library's call, from its timed
//    journal), then poked at 100 a second with a click every half second,
//    with and without Async.
// 5. Start-up: --starts starts each of the panel and of bare_window.exe, in
//    turn; the time from CreateProcess to the window being shown, and for the
//    panel also to its DDE service answering a connect.
//
// The panel, the stand-in TRANS2QUIK.DLL, termsim.exe and the bare programs
// are taken from beside this program unless VESTREL_EXE, VESTREL_T2Q_DLL,
// TERMSIM_EXE name them. The targets are reported, never enforced: the exit
// code is 0 when every measurement ran, 1 when one could not (a program did
// not start, a poke was refused or failed), 2 on bad arguments.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench_figures.h"
#include "contract/automation_contract.h"
#include "decode_timing.h"
#include "direct_pokes.h"
#include "harness/panel_session.h"
#include "harness/program_under_test.h"
#include "win32/executable_folder.h"
#include "win32/text_encoding.h"
#include "window_rules/repaint_pacer.h"
// after windows.h
#include <shlobj.h>

namespace {

namespace fs = std::filesystem;
namespace contract = vestrel::contract;
using vestrel::bench::Options;
using vestrel::bench::PokeSummary;
using vestrel::bench::PokeTimingsReport;
using vestrel::e2e::PanelSettings;
using vestrel::e2e::ProcessMemory;
using vestrel::e2e::ProgramUnderTest;
using vestrel::e2e::TerminalClient;
using vestrel::e2e::TerminalFolder;
using vestrel::e2e::WaitUntil;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kRan = 0;
constexpr int kFailed = 1;
constexpr int kBadArguments = 2;

constexpr double kThroughputTarget = 0.95;
constexpr double kFairStartTarget = 1.1;
constexpr double kQuietScreenTarget = 2;  // ms, p50 at 10 pokes/s
constexpr double kBusyScreenTarget = 17;  // ms, p99 at 100 pokes/s
constexpr double kFloodTimeTarget = 1;    // ms a refused poke
constexpr double kClickTarget = 1;        // ms, p50 from a click to the library's call
// Live orders: their replies' delay while the books come 100 a second, a
// click every half second meanwhile (an order waits 60% of the time), and
// the clicks timed on their own, 50 ms apart.
constexpr int kReplyDelayMs = 300;
constexpr long long kPokesBetweenClicks = 50;
constexpr auto kClickSpacing = 50ms;
// In the live throughput rounds: a click a second, each order a fill.
constexpr auto kFillEvery = 1s;
// Books poked while posted messages queue up, and the rounds' bound: the
// repaint pacer's longest gap between rounds (plus the poke being handled).
constexpr long long kBacklogBooks = 2000;
constexpr double kLongestRoundGap = vestrel::RepaintPacer::kLongestGapMs;
constexpr double kFloodLogTarget = 200;  // bytes of text log a refused poke
constexpr wchar_t kBareServerClass[] = L"VestrelBareDdeServer";
constexpr wchar_t kBareWindowClass[] = L"VestrelBareWindow";
constexpr wchar_t kBarePanelClass[] = L"VestrelBarePanel";
// The bare server's service while the panel serves the contract's.
constexpr wchar_t kBareService[] = L"vestrelbare";

// A run could not be measured: the message says what and why.
struct BenchFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

const char* Verdict(bool met) { return met ? "met" : "NOT met"; }

fs::path ProgramFolder() { return fs::path(vestrel::win32::ExecutableFolder()); }

// A build product: named by the variable, else beside this program. The
// variable is set for the harness, which reads it too.
fs::path Product(const char* variable, const wchar_t* name) {
  const char* value = std::getenv(variable);
  fs::path path;
  if (value != nullptr && *value != '\0') {
    path = vestrel::e2e::PathFromEnvironment(variable);
  } else {
    path = ProgramFolder() / name;
    const std::string assignment = std::string(variable) + "=" + path.string();
    _putenv(assignment.c_str());
  }
  if (!fs::exists(path)) {
    throw BenchFailure("not found: " + path.string() + " (set " + variable + " or build it)");
  }
  return path;
}

struct Products {
  fs::path Termsim;
  fs::path BareServer;
  fs::path BareWindow;
  fs::path BarePanel;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs termsim.exe for that many pokes to the service and returns what its
// summary line says; throws unless every poke was acknowledged.
PokeSummary RunTermsim(const fs::path& termsim, const fs::path& folder, const wchar_t* service,
                       long long count, int levels, int& runs) {
  const fs::path outputPath = folder / (L"termsim-" + std::to_wstring(++runs) + L".txt");
  const std::wstring arguments = L"--service " + std::wstring(service) + L" --levels " +
                                 std::to_wstring(levels) + L" --rate 0 --count " +
                                 std::to_wstring(count) + L" --quiet";
  long exitCode = 0;
  bool ended = false;
  {
    ProgramUnderTest termsimRun(termsim, folder, {}, arguments, outputPath);
    // Even at a few pokes a second the run ends in time; a hung one does not
    // (and is ended when it goes out of scope).
    const auto patience = 120s + std::chrono::milliseconds(count * 50);
    ended = WaitUntil([&] { return !termsimRun.Running(); }, patience);
    exitCode = ended ? termsimRun.WaitForExit(0ms) : -1;
  }

  const std::string text = ReadFile(outputPath);
  if (!ended) {
    throw BenchFailure("termsim did not end in time; its output: " + text);
  }
  const std::optional<PokeSummary> summary = vestrel::bench::FindPokeSummary(text);
  if (!summary) {
    throw BenchFailure("termsim exited with " + std::to_string(exitCode) +
                       " without a summary; its output: " + text);
  }
  if (exitCode != 0 || summary->Acknowledged != count || summary->Sent != count) {
    throw BenchFailure("not every poke was acknowledged (termsim exited with " +
                       std::to_string(exitCode) + "): " + text);
  }
  return *summary;
}

// Pokes to one server over several runs.
struct Pokes {
  long long Count = 0;
  double Seconds = 0;

  void Add(const PokeSummary& run) {
    Count += run.Sent;
    Seconds += run.Seconds;
  }
  double Rate() const { return Seconds > 0 ? static_cast<double>(Count) / Seconds : 0; }
  double MicrosecondsEach() const {
    return Count > 0 ? Seconds * 1e6 / static_cast<double>(Count) : 0;
  }
};

struct Throughput {
  PokeSummary PanelWarmup;
  PokeSummary BareWarmup;
  Pokes Panel;
  Pokes Bare;
  std::vector<double> Ratios;  // each round's, panel / bare server
  ProcessMemory AfterStart;
  ProcessMemory AfterWarmup;
  ProcessMemory AfterAll;
  long long Clicks = 0;  // orders clicked during the rounds (live orders only)
  long long Fills = 0;   // the fills the panel logged
};

// The panel trading live against the stand-in library: subscribed to its
// order and trade streams, and sending without waiting for the replies
// unless async is false.
PanelSettings LiveSettings(bool async) {
  PanelSettings settings;
  settings.MoreSections = std::string("[Live]\r\nOrders=1\r\n") + (async ? "Async=1\r\n" : "");
  return settings;
}

// The transactions sent asynchronously so far, in the stand-in library's
// journal, and the last one's PRICE (with "." before decimals).
struct AsyncSends {
  std::size_t Count = 0;
  std::string LastPrice;
};
AsyncSends ReadAsyncSends(const fs::path& journal) {
  AsyncSends sends;
  std::istringstream lines(ReadFile(journal));
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("SEND_ASYNC ", 0) != 0) {
      continue;
    }
    ++sends.Count;
    const std::size_t at = line.find("PRICE=");
    const std::size_t end = at == std::string::npos ? at : line.find(';', at);
    sends.LastPrice = end == std::string::npos ? "" : line.substr(at + 6, end - at - 6);
    std::replace(sends.LastPrice.begin(), sends.LastPrice.end(), ',', '.');
  }
  return sends;
}

// Once a period, from a thread of its own: clicks the panel's best prices,
// buying at the best sell price and selling at the best buy price in turn,
// and once the order has reached the library, writes a book that crosses it
// at its price where the library reads the book (an empty one before each
// click, so that the order rests until then): every order fills and the
// order and trade streams flow. The book is written here, not by termsim,
// which would write it after every poke, to the bare server's pokes too.
class Filler {
 public:
  Filler(HWND window, const TerminalFolder& terminal, std::chrono::milliseconds every)
      : journal_(terminal.Journal()),
        book_(terminal.Path() / L"trans2quik-book.txt"),
        thread_([this, window, every] { Run(window, every); }) {}
  Filler(const Filler&) = delete;
  Filler& operator=(const Filler&) = delete;
  ~Filler() { Stop(); }

  // Stops clicking; the clicks posted.
  long long Stop() {
    {
      std::lock_guard lock(lock_);
      stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) {
      thread_.join();
    }
    return clicks_;
  }

 private:
  void WriteBook(const std::string& price) {
    std::ofstream out(book_, std::ios::binary | std::ios::trunc);
    out << "BOOK " << ++books_ << ' '
        << (price.empty() ? std::string("- - - -") : price + " 1000 " + price + " 1000") << "\r\n";
  }

  void Run(HWND window, std::chrono::milliseconds every) {
    std::unique_lock lock(lock_);
    while (!changed_.wait_for(lock, every, [this] { return stopping_; })) {
      const std::size_t before = ReadAsyncSends(journal_).Count;
      WriteBook("");
      const int button = clicks_ % 2 == 0 ? contract::kCmdBestAsk : contract::kCmdBestBid;
      if (vestrel::bench::PostClick(window, button) == 0) {
        continue;
      }
      ++clicks_;
      // Its transaction in the journal, looked for until the next click.
      const auto due = Clock::now() + every;
      AsyncSends sends;
      while (!stopping_ && Clock::now() < due) {
        sends = ReadAsyncSends(journal_);
        if (sends.Count > before) {
          break;
        }
        changed_.wait_for(lock, 10ms);
      }
      if (sends.Count > before && !sends.LastPrice.empty()) {
        WriteBook(sends.LastPrice);
      }
    }
  }

  fs::path journal_;
  fs::path book_;
  std::mutex lock_;
  std::condition_variable changed_;
  bool stopping_ = false;
  long long clicks_ = 0;
  long long books_ = 0;
  std::thread thread_;
};

// The fills the panel logged (its live "FILL ..." entries).
long long LoggedFills(const TerminalFolder& terminal) {
  long long fills = 0;
  for (const std::string& line : terminal.EventLogLines()) {
    fills += line.find("FILL ") != std::string::npos && line.find("PAPER FILL") == std::string::npos
                 ? 1
                 : 0;
  }
  return fills;
}

// Asks the program's window to close and waits for the program to end; a
// program that does not is ended by force, and that is an error.
void Close(ProgramUnderTest& program, const wchar_t* windowClass, const char* what) {
  const HWND window = program.WaitForWindow(windowClass, 0ms);
  if (window != nullptr) {
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
  const long code = program.WaitForExit(60s);
  if (code != 0) {
    throw BenchFailure(std::string(what) + (code == -1
                                                ? " did not end when closed"
                                                : " ended with exit code " + std::to_string(code)));
  }
}

void RequireNoServer(TerminalClient& client) {
  if (client.ServiceAnswers()) {
    throw BenchFailure(
        "a DDE server already answers service \"a\", topic \"b\" in this Wine prefix; run the "
        "bench in a prefix of its own (VESTREL_WINEPREFIX)");
  }
}

HWND StartedPanelWindow(const ProgramUnderTest& panel) {
  const HWND window = panel.WaitForWindow(contract::kMainWindowClass);
  if (window == nullptr) {
    throw BenchFailure("the panel's window did not appear");
  }
  return window;
}

// The panel and the bare server both up, the warm-up pokes to each, then the
// rounds. With live orders, an order is clicked into the panel and filled
// every second of the rounds.
Throughput MeasureThroughput(const TerminalFolder& terminal, const Products& products,
                             const Options& options, int& runs, bool liveOrders = false) {
  Throughput result;
  ProgramUnderTest panel(terminal.Panel(), terminal.Path(), terminal.Environment());
  const HWND window = StartedPanelWindow(panel);
  ProgramUnderTest bare(products.BareServer, terminal.Path(), {},
                        L"--service " + std::wstring(kBareService));
  if (bare.WaitForWindow(kBareServerClass) == nullptr) {
    throw BenchFailure("bare_dde_server did not start");
  }

  const auto poke = [&](const wchar_t* service, long long count) {
    return RunTermsim(products.Termsim, terminal.Path(), service, count, options.Levels, runs);
  };
  result.AfterStart = panel.Memory();
  result.PanelWarmup = poke(contract::kDdeServiceWide, options.Warmup);
  result.AfterWarmup = panel.Memory();
  result.BareWarmup = poke(kBareService, options.Warmup);

  std::optional<Filler> filler;
  if (liveOrders) {
    filler.emplace(window, terminal, kFillEvery);
  }

  for (int round = 0; round < options.Rounds; ++round) {
    // The pokes split as evenly as they go; the first rounds take the rest.
    const long long count =
        options.Count / options.Rounds + (round < options.Count % options.Rounds ? 1 : 0);
    PokeSummary panelRun;
    PokeSummary bareRun;
    if (round % 2 == 0) {
      panelRun = poke(contract::kDdeServiceWide, count);
      bareRun = poke(kBareService, count);
    } else {
      bareRun = poke(kBareService, count);
      panelRun = poke(contract::kDdeServiceWide, count);
    }
    result.Panel.Add(panelRun);
    result.Bare.Add(bareRun);
    result.Ratios.push_back(bareRun.Rate() > 0 ? panelRun.Rate() / bareRun.Rate() : 0);
  }
  result.AfterAll = panel.Memory();
  if (filler) {
    result.Clicks = filler->Stop();
  }
  if (!panel.Running() || !bare.Running()) {
    throw BenchFailure("a server ended during the pokes");
  }
  const std::wstring bestBid = vestrel::e2e::Caption(window, contract::kCmdBestBid);
  Close(panel, contract::kMainWindowClass, "the panel");
  Close(bare, kBareServerClass, "bare_dde_server");
  if (bestBid.empty() || bestBid == L"*") {
    throw BenchFailure("the panel acknowledged the pokes but shows no book");
  }
  result.Fills = LoggedFills(terminal);
  return result;
}

double Megabytes(std::size_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

// Wine gives no private bytes for another process: those show as n/a.
std::string PrivateText(std::size_t bytes) {
  if (bytes == 0) {
    return "n/a";
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.2f MB", Megabytes(bytes));
  return text;
}

void PrintMemory(const char* when, const ProcessMemory& memory) {
  std::printf("panel memory %-22s working set %7.2f MB, peak working set %7.2f MB, private %s\n",
              when, Megabytes(memory.WorkingSet), Megabytes(memory.PeakWorkingSet),
              PrivateText(memory.PrivateBytes).c_str());
}

void PrintThroughput(const char* label, const Pokes& pokes, const PokeSummary& warmup, int rounds) {
  std::printf(
      "%-18s %lld pokes in %d rounds, %.3f s: %.0f pokes/s, %.1f us a poke (warm-up %lld: "
      "%.0f pokes/s)\n",
      label, pokes.Count, rounds, pokes.Seconds, pokes.Rate(), pokes.MicrosecondsEach(),
      warmup.Sent, warmup.Rate());
}

void PrintThroughputFigures(const Throughput& run, const Options& options) {
  PrintThroughput("panel:", run.Panel, run.PanelWarmup, options.Rounds);
  PrintThroughput("bare DDEML server:", run.Bare, run.BareWarmup, options.Rounds);
  const vestrel::bench::Spread ratio = vestrel::bench::SpreadOf(run.Ratios);
  std::printf(
      "throughput panel / bare server: %.3f (rounds %.3f-%.3f, median of %d rounds of %lld pokes "
      "each, the order swapped every round; target >= %.2f: %s)\n",
      ratio.Middle, ratio.Lowest, ratio.Highest, options.Rounds, options.Count / options.Rounds,
      kThroughputTarget, Verdict(ratio.Middle >= kThroughputTarget));

  PrintMemory("after start:", run.AfterStart);
  std::string when = "after " + std::to_string(run.PanelWarmup.Sent) + " pokes:";
  PrintMemory(when.c_str(), run.AfterWarmup);
  const long long all = run.PanelWarmup.Sent + run.Panel.Count;
  when = "after " + std::to_string(all) + " pokes:";
  PrintMemory(when.c_str(), run.AfterAll);
  const double growth =
      Megabytes(run.AfterAll.PeakWorkingSet) - Megabytes(run.AfterWarmup.PeakWorkingSet);
  if (run.AfterAll.PeakWorkingSet == 0 || run.AfterWarmup.PeakWorkingSet == 0) {
    std::printf("panel peak working set growth: n/a (the system gave no memory figures)\n");
  } else {
    std::printf("panel peak working set growth from %lld to %lld pokes: %+.2f MB (%+.0f KB)\n",
                run.PanelWarmup.Sent, all, growth, growth * 1024);
  }
  std::fflush(stdout);
}

void PrintLiveThroughputFigures(const Throughput& run, const Options& options) {
  PrintThroughput("panel, live orders:", run.Panel, run.PanelWarmup, options.Rounds);
  PrintThroughput("bare DDEML server:", run.Bare, run.BareWarmup, options.Rounds);
  const vestrel::bench::Spread ratio = vestrel::bench::SpreadOf(run.Ratios);
  std::printf(
      "throughput panel with live orders / bare server: %.3f (rounds %.3f-%.3f, median of %d "
      "rounds of %lld pokes each, the order swapped every round; [Live] Orders=1, Async=1, an "
      "order across the book every %lld ms: %lld clicked, %lld fills logged; target >= %.2f: "
      "%s)\n",
      ratio.Middle, ratio.Lowest, ratio.Highest, options.Rounds, options.Count / options.Rounds,
      static_cast<long long>(std::chrono::milliseconds(kFillEvery).count()), run.Clicks, run.Fills,
      kThroughputTarget, Verdict(ratio.Middle >= kThroughputTarget));
  std::fflush(stdout);
}

using Environment = std::vector<std::pair<std::wstring, std::wstring>>;

// A panel that reports where its pokes' time went when it closes.
class TimedPanel {
 public:
  TimedPanel(const TerminalFolder& terminal, const wchar_t* reportName,
             const Environment& more = {})
      : report_(terminal.Path() / reportName),
        panel_(terminal.Panel(), terminal.Path(), PanelEnvironment(terminal, report_, more)),
        window_(StartedPanelWindow(panel_)) {}

  HWND Window() const { return window_; }

  // Closes the panel and reads its report.
  PokeTimingsReport Close() {
    ::Close(panel_, contract::kMainWindowClass, "the timing panel");
    const auto report = vestrel::bench::ParsePokeTimings(ReadFile(report_));
    if (!report) {
      throw BenchFailure("the panel wrote no timing report to " + report_.string());
    }
    return *report;
  }

 private:
  static Environment PanelEnvironment(const TerminalFolder& terminal, const fs::path& report,
                                      const Environment& more) {
    auto environment = terminal.Environment();
    environment.emplace_back(L"VESTREL_POKE_TIMINGS", report.wstring());
    environment.insert(environment.end(), more.begin(), more.end());
    return environment;
  }

  fs::path report_;
  ProgramUnderTest panel_;
  HWND window_;
};

void MeasureBreakdown(const TerminalFolder& terminal, const Products& products,
                      const Options& options, int& runs) {
  TimedPanel panel(terminal, L"timings-breakdown.txt");
  const PokeSummary panelRun =
      RunTermsim(products.Termsim, terminal.Path(), contract::kDdeServiceWide, options.Breakdown,
                 options.Levels, runs);
  const PokeTimingsReport report = panel.Close();
  PokeSummary bareRun;
  {
    ProgramUnderTest bare(products.BareServer, terminal.Path(), {},
                          L"--service " + std::wstring(kBareService));
    if (bare.WaitForWindow(kBareServerClass) == nullptr) {
      throw BenchFailure("bare_dde_server did not start");
    }
    bareRun = RunTermsim(products.Termsim, terminal.Path(), kBareService, options.Breakdown,
                         options.Levels, runs);
    Close(bare, kBareServerClass, "bare_dde_server");
  }
  const auto each = [](const PokeSummary& run) {
    return run.Sent > 0 ? run.Seconds * 1e6 / static_cast<double>(run.Sent) : 0.0;
  };
  std::printf(
      "poke breakdown, a panel timing its steps: %lld pokes, %.1f us a poke; bare server %.1f us "
      "a poke (%+.1f us)\n",
      panelRun.Sent, each(panelRun), each(bareRun), each(panelRun) - each(bareRun));
  const double pokes = static_cast<double>(std::max(1LL, report.Pokes));
  double inside = 0;
  std::string steps;
  for (std::size_t i = 0; i < vestrel::bench::kPokeSteps.size(); ++i) {
    const double microseconds = static_cast<double>(report.StepNanoseconds[i]) / 1e3 / pokes;
    inside += microseconds;
    char step[64];
    std::snprintf(step, sizeof step, "%s%s %.1f", i == 0 ? "" : ", ", vestrel::bench::kPokeSteps[i],
                  microseconds);
    steps += step;
  }
  const double paintEach = report.RoundCount > 0
                               ? static_cast<double>(report.StepNanoseconds.back()) / 1e3 /
                                     static_cast<double>(report.RoundCount)
                               : 0.0;
  std::printf(
      "poke breakdown inside the panel, us a poke: %s (in all %.1f; %lld repaint rounds, %.0f us "
      "each)\n",
      steps.c_str(), inside, report.RoundCount, paintEach);
  std::fflush(stdout);
}

void PrintScreenLatency(int rate, const std::vector<double>& latencies, long long poked,
                        double targetMs, bool targetIsMedian, const char* with = "") {
  const double p50 = vestrel::bench::Percentile(latencies, 0.5);
  const double p99 = vestrel::bench::Percentile(latencies, 0.99);
  std::printf(
      "poke to screen%s at %d pokes/s: p50 %.2f ms, p99 %.2f ms (%zu of %lld pokes seen on "
      "screen; target %s <= %.0f ms: %s)\n",
      with, rate, p50, p99, latencies.size(), poked, targetIsMedian ? "p50" : "p99", targetMs,
      Verdict(latencies.size() == static_cast<std::size_t>(poked) &&
              (targetIsMedian ? p50 : p99) <= targetMs));
}

// The size of every file in the user's text-log folder.
std::uintmax_t TextLogBytes() {
  wchar_t appData[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathW(nullptr, appData, CSIDL_APPDATA, FALSE)) {
    throw BenchFailure("no application-data folder");
  }
  std::error_code error;
  std::uintmax_t bytes = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(appData) / L"Zel_Project", error)) {
    if (entry.is_regular_file(error)) {
      bytes += entry.file_size(error);
    }
  }
  return bytes;
}

void MeasureScreenAndFlood(const TerminalFolder& terminal, const Options& options) {
  TimedPanel panel(terminal, L"timings-screen.txt");
  std::vector<long long> quiet;
  std::vector<long long> busy;
  double floodSeconds = 0;
  vestrel::bench::BacklogRun backlog;
  std::uintmax_t logBefore = 0;
  const long long quietCount = 10LL * options.ScreenSeconds;
  const long long busyCount = 100LL * options.ScreenSeconds;
  {
    TerminalClient client;
    if (!client.Connect(60s)) {
      throw BenchFailure("the timing panel's DDE service did not answer");
    }
    quiet = vestrel::bench::PokeAtRate(client, options.Levels, 10, quietCount, 0).Acknowledged;
    busy =
        vestrel::bench::PokeAtRate(client, options.Levels, 100, busyCount, quietCount).Acknowledged;
    // The last book's caption, as another process reads it, once its round
    // has had time to run.
    WaitUntil([] { return false; }, 100ms, 10ms);
    const std::wstring expected =
        vestrel::bench::BookForTurn(options.Levels, quietCount + busyCount - 1).BestBid;
    const std::wstring shown =
        vestrel::bench::ShownText(GetDlgItem(panel.Window(), contract::kCmdBestBid));
    if (options.ScreenSeconds > 0 && shown != expected) {
      throw BenchFailure("cmdBestBid shows \"" + vestrel::win32::WideToUtf8(shown) +
                         "\" to other programs after the last book, not \"" +
                         vestrel::win32::WideToUtf8(expected) + "\"");
    }
    if (options.ScreenSeconds > 0) {
      backlog = vestrel::bench::PokeUnderPostedBacklog(client, panel.Window(), options.Levels,
                                                       kBacklogBooks, quietCount + busyCount);
      WaitUntil([] { return false; }, 100ms, 10ms);  // the last books' round
    }
    logBefore = TextLogBytes();
    floodSeconds = vestrel::bench::PokeTruncatedBooks(client, options.Levels, options.Flood);
  }
  const PokeTimingsReport report = panel.Close();
  const std::uintmax_t logAfter = TextLogBytes();

  if (options.ScreenSeconds > 0) {
    PrintScreenLatency(10, vestrel::bench::ScreenLatencies(report.Rounds, 1, quiet), quietCount,
                       kQuietScreenTarget, true);
    PrintScreenLatency(100, vestrel::bench::ScreenLatencies(report.Rounds, 1 + quietCount, busy),
                       busyCount, kBusyScreenTarget, false);
    // A timer's message comes only when no posted message waits: the rounds
    // must keep their bound while posted messages queue up: at most the
    // pacer's longest gap apart plus the poke being handled when one fell due.
    const long long first = 1 + quietCount + busyCount;
    const double gap =
        vestrel::bench::LargestRoundGap(report.Rounds, first, first + kBacklogBooks - 1);
    const double longestPoke = vestrel::bench::LongestBetween(backlog.Acknowledged);
    const std::vector<double> latencies =
        vestrel::bench::ScreenLatencies(report.Rounds, first, backlog.Acknowledged);
    std::printf(
        "repaint rounds under a backlog of posted messages: %lld books as fast as answered, %lld "
        "messages posted meanwhile; largest gap between rounds %.1f ms (bound %.0f ms plus the "
        "longest poke, %.1f ms: %s); poke to screen p50 %.1f ms, slowest %.1f ms\n",
        kBacklogBooks, backlog.Posted, gap, kLongestRoundGap, longestPoke,
        Verdict(gap > 0 && gap <= kLongestRoundGap + longestPoke),
        vestrel::bench::Percentile(latencies, 0.5), vestrel::bench::Percentile(latencies, 1.0));
  }
  if (options.Flood > 0) {
    const double flood = static_cast<double>(options.Flood);
    const double milliseconds = floodSeconds * 1e3 / flood;
    const double bytes = static_cast<double>(logAfter - std::min(logAfter, logBefore)) / flood;
    std::printf(
        "refused poke in a flood: %.2f ms, %.0f bytes of text log (%lld books cut short in %.1f "
        "s; targets <= %.0f ms and <= %.0f bytes: %s)\n",
        milliseconds, bytes, options.Flood, floodSeconds, kFloodTimeTarget, kFloodLogTarget,
        Verdict(milliseconds <= kFloodTimeTarget && bytes <= kFloodLogTarget));
  }
  std::fflush(stdout);
}

// A live panel whose orders wait for their replies: clicks timed to the
// library's call, and books at 100 a second with an order clicked now and
// then.
struct PendingOrdersRun {
  std::vector<double> ClickLatencies;    // ms, each timed click to its transaction's call
  std::vector<double> CommandLatencies;  // the same for the button's WM_COMMAND posted
  std::vector<double> ScreenLatencies;   // ms, each poke from its sending to the screen
  long long Pokes = 0;
  long long Clicks = 0;  // all the clicks, the timed ones and those among the pokes
};

// Starts a live panel (with or without Async) whose transactions are
// answered kReplyDelayMs late; clicks its best prices timedClicks times,
// kClickSpacing apart, buying and selling in turn, then posts the buttons'
// WM_COMMAND as many times (what the panel's own part of a click costs,
// without the button's press and release), then pokes books at 100 a
// second for --screen-seconds with a click every kPokesBetweenClicks pokes.
// The books' screen times are taken from each poke's sending, not its
// acknowledgement: a window that waits for a reply holds the poke up too.
PendingOrdersRun RunWithPendingOrders(const Options& options, bool async, long long timedClicks) {
  const TerminalFolder terminal(LiveSettings(async));
  TimedPanel panel(terminal, L"timings-pending.txt",
                   {{L"TERMSIM_T2Q_SEND_DELAY_MS", std::to_wstring(kReplyDelayMs)},
                    {L"TERMSIM_T2Q_JOURNAL_TIMES", L"1"}});
  PendingOrdersRun result;
  result.Pokes = 100LL * options.ScreenSeconds;
  std::vector<long long> clicked;
  const auto click = [&](bool command = false) {
    const int button = clicked.size() % 2 == 0 ? contract::kCmdBestAsk : contract::kCmdBestBid;
    const long long posted = command ? vestrel::bench::PostCommand(panel.Window(), button)
                                     : vestrel::bench::PostClick(panel.Window(), button);
    if (posted == 0) {
      throw BenchFailure("a click could not be posted to the panel");
    }
    clicked.push_back(posted);
  };
  std::vector<long long> sent;
  {
    TerminalClient client;
    if (!client.Connect(60s)) {
      throw BenchFailure("the live panel's DDE service did not answer");
    }
    // A book first, whose prices the clicks send (the panel's poke 1).
    vestrel::bench::PokeAtRate(client, options.Levels, 100, 1, 0);
    WaitUntil([] { return false; }, 100ms, 10ms);
    for (long long i = 0; i < 2 * timedClicks; ++i) {
      click(i >= timedClicks);
      WaitUntil([] { return false; }, kClickSpacing, 5ms);
    }
    sent = vestrel::bench::PokeAtRate(client, options.Levels, 100, result.Pokes, 1,
                                      [&](long long poke) {
                                        if (poke % kPokesBetweenClicks == kPokesBetweenClicks / 2) {
                                          click();
                                        }
                                      })
               .Sent;
    // The last order's reply and the last books' round.
    WaitUntil([] { return false; }, 600ms, 10ms);
  }
  const PokeTimingsReport report = panel.Close();
  result.Clicks = static_cast<long long>(clicked.size());
  result.ScreenLatencies = vestrel::bench::ScreenLatencies(report.Rounds, 2, sent);

  const std::vector<long long> calls = vestrel::bench::TimedSends(ReadFile(terminal.Journal()));
  if (calls.size() != clicked.size()) {
    throw BenchFailure(std::to_string(clicked.size()) + " clicks posted to the live panel, but " +
                       std::to_string(calls.size()) + " transactions reached the library");
  }
  for (long long i = 0; i < 2 * timedClicks; ++i) {
    const auto index = static_cast<std::size_t>(i);
    (i < timedClicks ? result.ClickLatencies : result.CommandLatencies)
        .push_back(static_cast<double>(calls[index] - clicked[index]) / 1e6);
  }
  return result;
}

void MeasurePendingOrders(const Options& options) {
  const long long timedClicks = 10LL * options.ScreenSeconds;
  const PendingOrdersRun async = RunWithPendingOrders(options, true, timedClicks);
  const double clickP50 = vestrel::bench::Percentile(async.ClickLatencies, 0.5);
  std::printf(
      "click to transaction sent: p50 %.2f ms, p99 %.2f ms (%lld clicks on cmdBestAsk and "
      "cmdBestBid in turn, %lld ms apart, posted to a panel with [Live] Orders=1, Async=1 whose "
      "orders wait %d ms for their replies, to the library's call; target p50 <= %.0f ms: %s); "
      "the button's WM_COMMAND posted instead, without its press and release: p50 %.2f ms, p99 "
      "%.2f ms\n",
      clickP50, vestrel::bench::Percentile(async.ClickLatencies, 0.99), timedClicks,
      static_cast<long long>(std::chrono::milliseconds(kClickSpacing).count()), kReplyDelayMs,
      kClickTarget, Verdict(!async.ClickLatencies.empty() && clickP50 <= kClickTarget),
      vestrel::bench::Percentile(async.CommandLatencies, 0.5),
      vestrel::bench::Percentile(async.CommandLatencies, 0.99));
  std::fflush(stdout);

  const PendingOrdersRun sync = RunWithPendingOrders(options, false, 0);
  const double p99 = vestrel::bench::Percentile(async.ScreenLatencies, 0.99);
  std::printf(
      "poke to screen while orders wait %d ms for their replies, at 100 pokes/s: p50 %.2f ms, "
      "p99 %.2f ms (Async=1; %zu of %lld pokes seen on screen, from each poke's sending, %lld "
      "orders clicked among them; target p99 <= %.0f ms: %s); without Async the window waits for "
      "each reply: p50 %.2f ms, p99 %.2f ms (%zu of %lld pokes seen, %lld orders; no goal)\n",
      kReplyDelayMs, vestrel::bench::Percentile(async.ScreenLatencies, 0.5), p99,
      async.ScreenLatencies.size(), async.Pokes, async.Clicks - 2 * timedClicks, kBusyScreenTarget,
      Verdict(async.ScreenLatencies.size() == static_cast<std::size_t>(async.Pokes) &&
              p99 <= kBusyScreenTarget),
      vestrel::bench::Percentile(sync.ScreenLatencies, 0.5),
      vestrel::bench::Percentile(sync.ScreenLatencies, 0.99), sync.ScreenLatencies.size(),
      sync.Pokes, sync.Clicks);
  std::fflush(stdout);
}

HWND ShownWindow(const ProgramUnderTest& program, const wchar_t* className) {
  return program.TopLevelWindow(className, true);
}

double Milliseconds(Clock::duration duration) {
  return std::chrono::duration<double, std::milli>(duration).count();
}

struct StartTime {
  double Shown = 0;    // ms from CreateProcess to the window shown
  double Serving = 0;  // ms to the DDE service answering (the panel only)
};

constexpr auto kStartPatience = 300s;
constexpr auto kPollEvery = 2ms;

// Starts the program and polls, every couple of milliseconds, for its window
// shown and, when asked, for the DDE service answering. The service is asked
// only once the window is shown (the panel registers it before it shows the
// window): under Wine every connect that finds no server leaves a hidden
// window behind in the caller, and each such window slows every later
// connect on the desktop, the panel's own start-up probe among them.
StartTime TimeStart(const fs::path& program, const fs::path& folder,
                    const std::vector<std::pair<std::wstring, std::wstring>>& environment,
                    const wchar_t* windowClass, TerminalClient* client, const char* what) {
  StartTime result;
  bool shown = false;
  bool serving = client == nullptr;
  const auto start = Clock::now();
  ProgramUnderTest started(program, folder, environment);
  WaitUntil(
      [&] {
        if (!shown && ShownWindow(started, windowClass) != nullptr) {
          shown = true;
          result.Shown = Milliseconds(Clock::now() - start);
        }
        if (!serving && shown && client->ServiceAnswers()) {
          serving = true;
          result.Serving = Milliseconds(Clock::now() - start);
        }
        return (shown && serving) || !started.Running();
      },
      kStartPatience, kPollEvery);
  if (!shown || !serving) {
    throw BenchFailure(std::string(what) + (started.Running() ? " did not come up in time"
                                                              : " ended during its start"));
  }
  Close(started, windowClass, what);
  return result;
}

void MeasureStarts(const TerminalFolder& terminal, const Products& products, const Options& options,
                   TerminalClient& client) {
  RequireNoServer(client);
  std::vector<double> panelShown;
  std::vector<double> panelServing;
  std::vector<double> bareShown;
  std::vector<double> barePanelServing;
  // In turn, so that a change in the machine's load touches all alike.
  for (int i = 0; i < options.Starts; ++i) {
    const StartTime panel = TimeStart(terminal.Panel(), terminal.Path(), terminal.Environment(),
                                      contract::kMainWindowClass, &client, "the panel");
    panelShown.push_back(panel.Shown);
    panelServing.push_back(panel.Serving);
    bareShown.push_back(TimeStart(products.BareWindow, terminal.Path(), {}, kBareWindowClass,
                                  nullptr, "bare_window")
                            .Shown);
    barePanelServing.push_back(
        TimeStart(products.BarePanel, terminal.Path(), {}, kBarePanelClass, &client, "bare_panel")
            .Serving);
  }
  const double bare = vestrel::bench::Median(bareShown);
  const double serving = vestrel::bench::Median(panelServing);
  std::printf("start-up, panel to window shown:       median %6.0f ms (%s)\n",
              vestrel::bench::Median(panelShown), vestrel::bench::WholeNumbers(panelShown).c_str());
  std::printf("start-up, panel to DDE serving:        median %6.0f ms (%s)\n", serving,
              vestrel::bench::WholeNumbers(panelServing).c_str());
  std::printf("start-up, bare window to window shown: median %6.0f ms (%s)\n", bare,
              vestrel::bench::WholeNumbers(bareShown).c_str());
  const double ratio = bare > 0 ? serving / bare : 0.0;
  // For comparison only: the bare program below, with the panel's controls,
  // library and server, is the yardstick start-up is held to.
  std::printf("start-up panel serving / bare window: %.2f (%+.0f ms; no goal)\n", ratio,
              serving - bare);
  const double barePanel = vestrel::bench::Median(barePanelServing);
  std::printf(
      "start-up, bare program with the same controls and server to DDE serving: median "
      "%6.0f ms (%s)\n",
      barePanel, vestrel::bench::WholeNumbers(barePanelServing).c_str());
  const double fair = barePanel > 0 ? serving / barePanel : 0.0;
  std::printf(
      "start-up panel serving / bare program with the same controls and server: %.2f (%+.0f ms; "
      "target <= %.1f: %s)\n",
      fair, serving - barePanel, kFairStartTarget,
      Verdict(barePanel > 0 && fair <= kFairStartTarget));
  std::fflush(stdout);
}

// The throughput and the busy poke-to-screen figures again with the ladder
// open beside the panel (40 rows, drawn in the same repaint rounds).
void MeasureWithLadder(const Products& products, const Options& options, int& runs,
                       TerminalClient& client) {
  vestrel::e2e::PanelSettings settings;
  settings.MoreSections = "[Ladder]\r\nEnabled=1\r\n";
  const TerminalFolder terminal(settings);
  RequireNoServer(client);
  const Throughput run = MeasureThroughput(terminal, products, options, runs);
  const vestrel::bench::Spread ratio = vestrel::bench::SpreadOf(run.Ratios);
  std::printf(
      "throughput panel with the ladder / bare server: %.3f (rounds %.3f-%.3f, median of %d "
      "rounds of %lld pokes each, the order swapped every round; target >= %.2f: %s)\n",
      ratio.Middle, ratio.Lowest, ratio.Highest, options.Rounds, options.Count / options.Rounds,
      kThroughputTarget, Verdict(ratio.Middle >= kThroughputTarget));
  std::fflush(stdout);
  if (options.ScreenSeconds <= 0) {
    return;
  }
  RequireNoServer(client);
  TimedPanel panel(terminal, L"timings-ladder.txt");
  const long long quietCount = 10LL * options.ScreenSeconds;
  const long long busyCount = 100LL * options.ScreenSeconds;
  std::vector<long long> busy;
  {
    TerminalClient pokes;
    if (!pokes.Connect(60s)) {
      throw BenchFailure("the ladder panel's DDE service did not answer");
    }
    vestrel::bench::PokeAtRate(pokes, options.Levels, 10, quietCount, 0);
    busy =
        vestrel::bench::PokeAtRate(pokes, options.Levels, 100, busyCount, quietCount).Acknowledged;
    WaitUntil([] { return false; }, 100ms, 10ms);  // the last book's round
  }
  const PokeTimingsReport report = panel.Close();
  PrintScreenLatency(100, vestrel::bench::ScreenLatencies(report.Rounds, 1 + quietCount, busy),
                     busyCount, kBusyScreenTarget, false, " with the ladder");
  std::fflush(stdout);
}

int Run(const Options& options) {
  Product("VESTREL_EXE", L"Vestrel.exe");
  Product("VESTREL_T2Q_DLL", L"TRANS2QUIK.DLL");
  const Products products{
      Product("TERMSIM_EXE", L"termsim.exe"), ProgramFolder() / L"bare_dde_server.exe",
      ProgramFolder() / L"bare_window.exe", ProgramFolder() / L"bare_panel.exe"};
  for (const fs::path& bare : {products.BareServer, products.BareWindow, products.BarePanel}) {
    if (!fs::exists(bare)) {
      throw BenchFailure("not found: " + bare.string());
    }
  }

  std::printf(
      "e2e bench: %d-bit, a book of %d levels a side, %lld pokes to each server in %d rounds "
      "(after %lld to warm up), %d starts of each program\n",
      static_cast<int>(sizeof(void*) * 8), options.Levels, options.Count, options.Rounds,
      options.Warmup, options.Starts);
  std::fflush(stdout);

  TerminalClient client;
  RequireNoServer(client);
  const TerminalFolder terminal;
  int runs = 0;

  PrintThroughputFigures(MeasureThroughput(terminal, products, options, runs), options);
  {
    RequireNoServer(client);
    const TerminalFolder live(LiveSettings(true));
    PrintLiveThroughputFigures(MeasureThroughput(live, products, options, runs, true), options);
  }
  // After the throughput rounds: Wine's own services are busy for a while
  // after the first program of a prefix starts.
  vestrel::bench::PrintDecodeTiming(options.Levels);
  if (options.Breakdown > 0) {
    RequireNoServer(client);
    MeasureBreakdown(terminal, products, options, runs);
  }
  if (options.ScreenSeconds > 0 || options.Flood > 0) {
    RequireNoServer(client);
    MeasureScreenAndFlood(terminal, options);
  }
  if (options.ScreenSeconds > 0) {
    RequireNoServer(client);
    MeasurePendingOrders(options);
  }
  MeasureWithLadder(products, options, runs, client);
  if (options.Starts > 0) {
    MeasureStarts(terminal, products, options, client);
  }
  return kRan;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  const std::string problem =
      vestrel::bench::ParseOptions(std::vector<std::string>(argv + 1, argv + argc), options);
  if (!problem.empty()) {
    std::fprintf(stderr, "e2e_bench: %s\n%s", problem.c_str(), vestrel::bench::Usage().c_str());
    return kBadArguments;
  }
  if (options.Help) {
    std::fputs(vestrel::bench::Usage().c_str(), stdout);
    return kRan;
  }
  try {
    return Run(options);
  } catch (const std::exception& error) {
    std::fflush(stdout);
    std::fprintf(stderr, "e2e_bench: %s\n", error.what());
    return kFailed;
  }
}
