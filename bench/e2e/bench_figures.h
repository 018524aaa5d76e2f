#pragma once

// The end-to-end bench's arguments, the terminal simulator's summary line and
// the figures made of them: the parts of e2e_bench that need no Windows.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vestrel::bench {

inline constexpr char kUsage[] =
    "usage: e2e_bench [--count N] [--warmup N] [--levels N] [--starts N]\n"
    "  --count N   pokes to each server in all (default 100000)\n"
    "  --warmup N  pokes of the first run, after which the panel's memory is read\n"
    "              again (default 1000)\n"
    "  --levels N  price levels a side of the poked book, 1 to 32767 (default 50)\n"
    "  --starts N  starts of the panel and of the bare window each (default 5; 0: none)\n";

struct Options {
  long long Count = 100000;
  long long Warmup = 1000;
  int Levels = 50;
  int Starts = 5;
  bool Help = false;
};

// Fills the options from the arguments (the program's name left out); empty
// on success, else what is wrong.
std::string ParseOptions(const std::vector<std::string>& arguments, Options& options);

// termsim's summary line:
// "sent N pokes: A acknowledged, R refused, F failed in S s (P pokes/s)".
struct PokeSummary {
  long long Sent = 0;
  long long Acknowledged = 0;
  long long Refused = 0;
  long long Failed = 0;
  double Seconds = 0;

  // Pokes a second over the run; 0 for a run that took no measurable time.
  double Rate() const;
};

// The last summary line in termsim's output, if there is one.
std::optional<PokeSummary> FindPokeSummary(std::string_view output);

// The middle value (the mean of the two middle ones for an even count); 0
// for none.
double Median(std::vector<double> values);

// The values rounded to whole numbers, separated by spaces.
std::string WholeNumbers(const std::vector<double>& values);

}  // namespace vestrel::bench
