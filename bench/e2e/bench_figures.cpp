#include "bench_figures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "command_line.h"

namespace vestrel::bench {
namespace {

// The bench's options, each a whole number in its range, on the command line
// given.
void AddOptions(CLI::App& app, Options& options) {
  using cli::WholeNumber;
  constexpr long long kMost = 100'000'000;
  app.add_option("--count", options.Count, "pokes to each server in the timed rounds, in all")
      ->check(WholeNumber(1LL, kMost))
      ->type_name("N")
      ->capture_default_str();
  app.add_option("--rounds", options.Rounds,
                 "rounds the pokes are split into, the servers taking turns")
      ->check(WholeNumber(1, 1000))
      ->type_name("N")
      ->capture_default_str();
  app.add_option("--warmup", options.Warmup,
                 "pokes to each server before the rounds, after which the panel's memory is read")
      ->check(WholeNumber(1LL, kMost))
      ->type_name("N")
      ->capture_default_str();
  app.add_option("--levels", options.Levels,
                 "price levels a side of the poked book (termsim builds at most 32767)")
      ->check(WholeNumber(1, 32767))
      ->type_name("N")
      ->capture_default_str();
  app.add_option("--starts", options.Starts,
                 "starts of the panel and of the bare window each (0: none)")
      ->check(WholeNumber(0, 1000))
      ->type_name("N")
      ->capture_default_str();
  app.add_option("--breakdown", options.Breakdown, "pokes to a panel timing its steps (0: none)")
      ->check(WholeNumber(0LL, kMost))
      ->type_name("N")
      ->capture_default_str();
  app.add_option("--screen-seconds", options.ScreenSeconds,
                 "seconds of pokes at 10 and at 100 a second, timed to the screen (0: none)")
      ->check(WholeNumber(0, 1000))
      ->type_name("N")
      ->capture_default_str();
  app.add_option("--flood", options.Flood, "refused pokes in the flood (0: none)")
      ->check(WholeNumber(0LL, kMost))
      ->type_name("N")
      ->capture_default_str();
}

constexpr const char* kDescription =
    "The panel against bare Win32 yardsticks under Wine: throughput, start-up, poke to screen, "
    "the flood.";

}  // namespace

std::string ParseOptions(const std::vector<std::string>& arguments, Options& options) {
  cli::CommandLine line(kDescription, "e2e_bench");
  AddOptions(line.App(), options);
  const cli::ParseResult result = line.Parse(arguments);
  options.Help = result.Help;
  if (!result.Error.empty()) {
    return result.Error;
  }
  if (options.Count < options.Rounds) {
    return "--count must give every round a poke (at least --rounds)";
  }
  return "";
}

std::string Usage() {
  Options defaults;
  cli::CommandLine line(kDescription, "e2e_bench");
  AddOptions(line.App(), defaults);
  return line.Help();
}

double PokeSummary::Rate() const { return Seconds > 0 ? static_cast<double>(Sent) / Seconds : 0; }

std::optional<PokeSummary> FindPokeSummary(std::string_view output) {
  std::optional<PokeSummary> found;
  std::size_t start = 0;
  while (start < output.size()) {
    std::size_t end = output.find('\n', start);
    if (end == std::string_view::npos) {
      end = output.size();
    }
    const std::string line(output.substr(start, end - start));
    start = end + 1;
    PokeSummary summary;
    int consumed = 0;
    if (std::sscanf(line.c_str(),
                    "sent %lld pokes: %lld acknowledged, %lld refused, %lld failed in %lf s%n",
                    &summary.Sent, &summary.Acknowledged, &summary.Refused, &summary.Failed,
                    &summary.Seconds, &consumed) == 5 &&
        consumed > 0 && summary.Sent >= 0 && std::isfinite(summary.Seconds) &&
        summary.Seconds >= 0) {
      found = summary;
    }
  }
  return found;
}

std::vector<long long> TimedSends(std::string_view journal) {
  std::vector<long long> times;
  std::size_t start = 0;
  while (start < journal.size()) {
    std::size_t end = journal.find('\n', start);
    if (end == std::string_view::npos) {
      end = journal.size();
    }
    const std::string line(journal.substr(start, end - start));
    start = end + 1;
    long long time = 0;
    char call[32] = {};
    if (std::sscanf(line.c_str(), "%lld %31s", &time, call) == 2 &&
        (std::string_view(call) == "SEND" || std::string_view(call) == "SEND_ASYNC")) {
      times.push_back(time);
    }
  }
  return times;
}

double Median(std::vector<double> values) {
  if (values.empty()) {
    return 0;
  }
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string WholeNumbers(const std::vector<double>& values) {
  std::string text;
  for (const double value : values) {
    char number[32];
    std::snprintf(number, sizeof number, "%.0f", value);
    if (!text.empty()) {
      text += ' ';
    }
    text += number;
  }
  return text;
}

Spread SpreadOf(const std::vector<double>& values) {
  if (values.empty()) {
    return {};
  }
  const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
  return {Median(values), *lowest, *highest};
}

double Percentile(std::vector<double> values, double share) {
  if (values.empty()) {
    return 0;
  }
  std::sort(values.begin(), values.end());
  const double rank = std::ceil(share * static_cast<double>(values.size()));
  const std::size_t index = rank < 1 ? 0 : static_cast<std::size_t>(rank) - 1;
  return values[std::min(index, values.size() - 1)];
}

std::optional<PokeTimingsReport> ParsePokeTimings(std::string_view text) {
  PokeTimingsReport report;
  std::size_t stepsSeen = 0;
  bool pokesSeen = false;
  bool roundsSeen = false;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      end = text.size();
    }
    const std::string line(text.substr(start, end - start));
    start = end + 1;
    char name[32] = {};
    long long values[3] = {};
    int consumed = 0;
    if (std::sscanf(line.c_str(), "round %lld %lld %lld%n", &values[0], &values[1], &values[2],
                    &consumed) == 3 &&
        consumed == static_cast<int>(line.size())) {
      report.Rounds.push_back({values[0], values[1], values[2]});
    } else if (std::sscanf(line.c_str(), "%31s %lld%n", name, &values[0], &consumed) == 2 &&
               consumed == static_cast<int>(line.size())) {
      const std::string key = name;
      if (key == "pokes") {
        report.Pokes = values[0];
        pokesSeen = true;
      } else if (key == "rounds") {
        report.RoundCount = values[0];
        roundsSeen = true;
      }
      for (std::size_t i = 0; i < kPokeSteps.size(); ++i) {
        if (key == std::string(kPokeSteps[i]) + "_ns") {
          report.StepNanoseconds[i] = values[0];
          stepsSeen |= std::size_t{1} << i;
        }
      }
    } else if (!line.empty()) {
      return std::nullopt;
    }
  }
  if (!pokesSeen || !roundsSeen || stepsSeen != (std::size_t{1} << kPokeSteps.size()) - 1) {
    return std::nullopt;
  }
  return report;
}

std::vector<double> ScreenLatencies(const std::vector<PaintRound>& rounds, long long firstPoke,
                                    const std::vector<long long>& ackNanoseconds) {
  std::vector<double> latencies;
  auto round = rounds.begin();
  for (std::size_t i = 0; i < ackNanoseconds.size(); ++i) {
    const long long poke = firstPoke + static_cast<long long>(i);
    // Rounds come in time order, each carrying every poke decoded before it.
    round = std::find_if(round, rounds.end(),
                         [&](const PaintRound& candidate) { return candidate.Pokes >= poke; });
    if (round == rounds.end()) {
      break;
    }
    const long long nanoseconds = std::max(0LL, round->EndNanoseconds - ackNanoseconds[i]);
    latencies.push_back(static_cast<double>(nanoseconds) / 1e6);
  }
  return latencies;
}

}  // namespace vestrel::bench
