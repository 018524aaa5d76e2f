// e2e_bench.exe: the panel's end-to-end throughput, memory and start-up,
// each next to a bare Win32 yardstick, in one run under the same conditions.
//
//   e2e_bench.exe [--count N] [--warmup N] [--levels N] [--starts N]
//
// 1. Throughput: the terminal simulator (termsim.exe) pokes a generated order
//    book of --levels levels a side as fast as DDE allows, --count pokes in
//    all, first to the real panel and then to bare_dde_server.exe, a DDEML
//    server that fetches each poke and acknowledges it without decoding. The
//    pokes go in two runs per server, --warmup pokes and then the rest, and
//    the panel's memory is read after each.
// 2. Start-up: --starts starts each of the panel and of bare_window.exe, in
//    turn; the time from CreateProcess to the window being shown, and for the
//    panel also to its DDE service answering a connect.
//
// The panel, the stand-in TRANS2QUIK.DLL, termsim.exe and the bare programs
// are taken from beside this program unless VESTREL_EXE, VESTREL_T2Q_DLL,
// TERMSIM_EXE name them. The targets are reported, never enforced: the exit
// code is 0 when every measurement ran, 1 when one could not (a program did
// not start, a poke was refused or failed), 2 on bad arguments.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_figures.h"
#include "harness/panel_session.h"
#include "harness/program_under_test.h"
#include "win32/executable_folder.h"

namespace {

namespace fs = std::filesystem;
using vestrel::bench::Options;
using vestrel::bench::PokeSummary;
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

constexpr double kThroughputTarget = 0.85;
constexpr wchar_t kPanelClass[] = L"VestrelMain";
constexpr int kBestBidButton = 1002;  // the automation contract's cmdBestBid
constexpr wchar_t kBareServerClass[] = L"VestrelBareDdeServer";
constexpr wchar_t kBareWindowClass[] = L"VestrelBareWindow";

// A run could not be measured: the message says what and why.
struct BenchFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

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
};

// Runs termsim.exe for that many pokes and returns what its summary line
// says; throws unless every poke was acknowledged.
PokeSummary RunTermsim(const fs::path& termsim, const fs::path& folder, long long count, int levels,
                       int run) {
  const fs::path outputPath = folder / (L"termsim-" + std::to_wstring(run) + L".txt");
  const std::wstring arguments = L"--levels " + std::to_wstring(levels) + L" --rate 0 --count " +
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

  std::ifstream in(outputPath, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
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

struct Throughput {
  PokeSummary First;
  PokeSummary Rest;
  ProcessMemory AfterStart;
  ProcessMemory AfterFirst;
  ProcessMemory AfterAll;

  long long Pokes() const { return First.Sent + Rest.Sent; }
  double Seconds() const { return First.Seconds + Rest.Seconds; }
  double Rate() const { return Seconds() > 0 ? static_cast<double>(Pokes()) / Seconds() : 0; }
};

// Runs the pokes against the server that is up: the warm-up run, then the
// rest, reading the server's memory before, between and after.
Throughput Poke(const ProgramUnderTest& server, const Products& products, const fs::path& folder,
                const Options& options, int& runs) {
  Throughput result;
  result.AfterStart = server.Memory();
  result.First = RunTermsim(products.Termsim, folder, options.Warmup, options.Levels, ++runs);
  result.AfterFirst = server.Memory();
  if (options.Count > options.Warmup) {
    result.Rest = RunTermsim(products.Termsim, folder, options.Count - options.Warmup,
                             options.Levels, ++runs);
  }
  result.AfterAll = server.Memory();
  if (!server.Running()) {
    throw BenchFailure("the server ended during the pokes");
  }
  return result;
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

void PrintThroughput(const char* label, const Throughput& run) {
  std::printf("%-18s %lld pokes in %.3f s: %.0f pokes/s, %.1f us a poke (first %lld: %.0f pokes/s",
              label, run.Pokes(), run.Seconds(), run.Rate(),
              run.Pokes() > 0 ? run.Seconds() * 1e6 / static_cast<double>(run.Pokes()) : 0.0,
              run.First.Sent, run.First.Rate());
  if (run.Rest.Sent > 0) {
    std::printf(", then %lld: %.0f pokes/s", run.Rest.Sent, run.Rest.Rate());
  }
  std::printf(")\n");
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

int Run(const Options& options) {
  Product("VESTREL_EXE", L"Vestrel.exe");
  Product("VESTREL_T2Q_DLL", L"TRANS2QUIK.DLL");
  const Products products{Product("TERMSIM_EXE", L"termsim.exe"),
                          ProgramFolder() / L"bare_dde_server.exe",
                          ProgramFolder() / L"bare_window.exe"};
  for (const fs::path& bare : {products.BareServer, products.BareWindow}) {
    if (!fs::exists(bare)) {
      throw BenchFailure("not found: " + bare.string());
    }
  }

  std::printf(
      "e2e bench: %d-bit, a book of %d levels a side, %lld pokes to each server "
      "(memory read after %lld), %d starts of each program\n",
      static_cast<int>(sizeof(void*) * 8), options.Levels, options.Count, options.Warmup,
      options.Starts);
  std::fflush(stdout);

  TerminalClient client;
  RequireNoServer(client);
  const TerminalFolder terminal;
  int runs = 0;

  Throughput panelRun;
  std::wstring bestBid;
  {
    ProgramUnderTest panel(terminal.Panel(), terminal.Path(), terminal.Environment());
    const HWND window = panel.WaitForWindow(kPanelClass);
    if (window == nullptr) {
      throw BenchFailure("the panel's window did not appear");
    }
    panelRun = Poke(panel, products, terminal.Path(), options, runs);
    bestBid = vestrel::e2e::Caption(window, kBestBidButton);
    Close(panel, kPanelClass, "the panel");
  }
  PrintThroughput("panel:", panelRun);
  if (bestBid.empty() || bestBid == L"*") {
    throw BenchFailure("the panel acknowledged the pokes but shows no book");
  }

  RequireNoServer(client);
  Throughput bareRun;
  {
    ProgramUnderTest bare(products.BareServer, terminal.Path());
    if (bare.WaitForWindow(kBareServerClass) == nullptr) {
      throw BenchFailure("bare_dde_server did not start");
    }
    bareRun = Poke(bare, products, terminal.Path(), options, runs);
    Close(bare, kBareServerClass, "bare_dde_server");
  }
  PrintThroughput("bare DDEML server:", bareRun);

  const double ratio = bareRun.Rate() > 0 ? panelRun.Rate() / bareRun.Rate() : 0;
  std::printf("throughput panel / bare server: %.3f (target >= %.2f: %s)\n", ratio,
              kThroughputTarget, ratio >= kThroughputTarget ? "met" : "NOT met");

  PrintMemory("after start:", panelRun.AfterStart);
  std::string when = "after " + std::to_string(panelRun.First.Sent) + " pokes:";
  PrintMemory(when.c_str(), panelRun.AfterFirst);
  when = "after " + std::to_string(panelRun.Pokes()) + " pokes:";
  PrintMemory(when.c_str(), panelRun.AfterAll);
  const double growth =
      Megabytes(panelRun.AfterAll.PeakWorkingSet) - Megabytes(panelRun.AfterFirst.PeakWorkingSet);
  if (panelRun.AfterAll.PeakWorkingSet == 0 || panelRun.AfterFirst.PeakWorkingSet == 0) {
    std::printf("panel peak working set growth: n/a (the system gave no memory figures)\n");
  } else {
    std::printf("panel peak working set growth from %lld to %lld pokes: %+.2f MB (%+.0f KB)\n",
                panelRun.First.Sent, panelRun.Pokes(), growth, growth * 1024);
  }
  std::fflush(stdout);

  if (options.Starts > 0) {
    RequireNoServer(client);
    std::vector<double> panelShown;
    std::vector<double> panelServing;
    std::vector<double> bareShown;
    // In turn, so that a change in the machine's load touches both alike.
    for (int i = 0; i < options.Starts; ++i) {
      const StartTime panel = TimeStart(terminal.Panel(), terminal.Path(), terminal.Environment(),
                                        kPanelClass, &client, "the panel");
      panelShown.push_back(panel.Shown);
      panelServing.push_back(panel.Serving);
      bareShown.push_back(TimeStart(products.BareWindow, terminal.Path(), {}, kBareWindowClass,
                                    nullptr, "bare_window")
                              .Shown);
    }
    const double bare = vestrel::bench::Median(bareShown);
    const double serving = vestrel::bench::Median(panelServing);
    std::printf("start-up, panel to window shown:       median %6.0f ms (%s)\n",
                vestrel::bench::Median(panelShown),
                vestrel::bench::WholeNumbers(panelShown).c_str());
    std::printf("start-up, panel to DDE serving:        median %6.0f ms (%s)\n", serving,
                vestrel::bench::WholeNumbers(panelServing).c_str());
    std::printf("start-up, bare window to window shown: median %6.0f ms (%s)\n", bare,
                vestrel::bench::WholeNumbers(bareShown).c_str());
    std::printf("start-up panel serving / bare window: %.2f (%+.0f ms)\n",
                bare > 0 ? serving / bare : 0.0, serving - bare);
  }
  std::fflush(stdout);
  return kRan;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  const std::string problem =
      vestrel::bench::ParseOptions(std::vector<std::string>(argv + 1, argv + argc), options);
  if (!problem.empty()) {
    std::fprintf(stderr, "e2e_bench: %s\n%s", problem.c_str(), vestrel::bench::kUsage);
    return kBadArguments;
  }
  if (options.Help) {
    std::fputs(vestrel::bench::kUsage, stdout);
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
