#include "bench_figures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vestrel::bench {
namespace {

std::optional<long long> ParseCount(const std::string& text, long long lowest, long long highest) {
  if (text.empty() || text.size() > 12) {
    return std::nullopt;
  }
  long long value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') {
      return std::nullopt;
    }
    value = value * 10 + (c - '0');
  }
  if (value < lowest || value > highest) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::string ParseOptions(const std::vector<std::string>& arguments, Options& options) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& name = arguments[i];
    if (name == "--help") {
      options.Help = true;
      continue;
    }
    std::optional<long long> parsed;
    long long lowest = 1;
    long long highest = 100'000'000;
    if (name == "--levels") {
      highest = 32767;  // termsim's limit
    } else if (name == "--starts" || name == "--screen-seconds") {
      lowest = 0;
      highest = 1000;
    } else if (name == "--rounds") {
      highest = 1000;
    } else if (name == "--breakdown" || name == "--flood") {
      lowest = 0;
    } else if (name != "--count" && name != "--warmup") {
      return "unknown option " + name;
    }
    if (i + 1 >= arguments.size()) {
      return name + " needs a value";
    }
    const std::string& value = arguments[++i];
    parsed = ParseCount(value, lowest, highest);
    if (!parsed) {
      return "bad value for " + name + " (a whole number from " + std::to_string(lowest) + " to " +
             std::to_string(highest) + "): " + value;
    }
    if (name == "--count") {
      options.Count = *parsed;
    } else if (name == "--rounds") {
      options.Rounds = static_cast<int>(*parsed);
    } else if (name == "--warmup") {
      options.Warmup = *parsed;
    } else if (name == "--levels") {
      options.Levels = static_cast<int>(*parsed);
    } else if (name == "--starts") {
      options.Starts = static_cast<int>(*parsed);
    } else if (name == "--breakdown") {
      options.Breakdown = *parsed;
    } else if (name == "--screen-seconds") {
      options.ScreenSeconds = static_cast<int>(*parsed);
    } else {
      options.Flood = *parsed;
    }
  }
  if (options.Count < options.Rounds) {
    return "--count must give every round a poke (at least --rounds)";
  }
  return "";
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
