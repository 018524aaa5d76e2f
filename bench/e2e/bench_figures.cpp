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
    } else if (name == "--starts") {
      lowest = 0;
      highest = 1000;
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
    } else if (name == "--warmup") {
      options.Warmup = *parsed;
    } else if (name == "--levels") {
      options.Levels = static_cast<int>(*parsed);
    } else {
      options.Starts = static_cast<int>(*parsed);
    }
  }
  if (options.Warmup > options.Count) {
    return "--warmup must not exceed --count";
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

}  // namespace vestrel::bench
