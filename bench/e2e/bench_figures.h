#pragma once

// The end-to-end bench's arguments, the terminal simulator's summary line and
// the figures made of them: the parts of e2e_bench that need no Windows.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vestrel::bench {

struct Options {
  long long Count = 24000;
  int Rounds = 6;
  long long Warmup = 1000;
  int Levels = 50;
  int Starts = 5;
  long long Breakdown = 4000;
  int ScreenSeconds = 10;
  long long Flood = 2000;
  bool Help = false;
};

// Fills the options from the arguments (the program's name left out); empty
// on success, else what is wrong.
std::string ParseOptions(const std::vector<std::string>& arguments, Options& options);

// The options and what each does, for --help and a wrong argument.
std::string Usage();

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

// The times of the transactions sent (SEND and SEND_ASYNC), in order, in the
// stand-in library's journal when it times its lines
// (TERMSIM_T2Q_JOURNAL_TIMES=1: "<nanoseconds> <call> ..."); a line without
// a time is left out.
std::vector<long long> TimedSends(std::string_view journal);

// The middle value (the mean of the two middle ones for an even count); 0
// for none.
double Median(std::vector<double> values);

// The values rounded to whole numbers, separated by spaces.
std::string WholeNumbers(const std::vector<double>& values);

// The middle, lowest and highest of the rounds' figures.
struct Spread {
  double Middle = 0;
  double Lowest = 0;
  double Highest = 0;
};
Spread SpreadOf(const std::vector<double>& values);

// The value that share (0 to 1) of the values do not exceed: the nearest
// rank, so p99 of 100 values is the 99th smallest; 0 for none.
double Percentile(std::vector<double> values, double share);

// The panel's report of where the pokes' time went (VESTREL_POKE_TIMINGS):
// the pokes it decoded, the nanoseconds of each step, and its repaint rounds.
inline constexpr std::array<const char*, 5> kPokeSteps = {"fetch", "decode", "analysis", "model",
                                                          "paint"};
struct PaintRound {
  long long Pokes = 0;  // pokes decoded when the round ran
  long long StartNanoseconds = 0;
  long long EndNanoseconds = 0;
};
struct PokeTimingsReport {
  long long Pokes = 0;
  std::array<long long, kPokeSteps.size()> StepNanoseconds{};
  long long RoundCount = 0;
  std::vector<PaintRound> Rounds;
};

// Empty when the text is not a whole report.
std::optional<PokeTimingsReport> ParsePokeTimings(std::string_view text);

// The time each poke took to the screen, in milliseconds: from its
// acknowledgement (ackNanoseconds[i], the same clock as the rounds') to the
// end of the first round that ran once the panel had decoded it (the panel's
// poke number firstPoke + i). A poke that reached the screen before the
// acknowledgement was seen counts 0; one no round carried is left out.
std::vector<double> ScreenLatencies(const std::vector<PaintRound>& rounds, long long firstPoke,
                                    const std::vector<long long>& ackNanoseconds);

}  // namespace vestrel::bench
