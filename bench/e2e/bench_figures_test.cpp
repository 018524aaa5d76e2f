// The bench's arguments and its reading of termsim's summary line: a figure
// read wrongly here would be printed as a measurement.
#include "bench_figures.h"

#include <gtest/gtest.h>

namespace vestrel::bench {
namespace {

std::string Parse(const std::vector<std::string>& arguments, Options& options) {
  return ParseOptions(arguments, options);
}

TEST(BenchOptions, DefaultsAndEveryOption) {
  Options options;
  EXPECT_EQ(Parse({}, options), "");
  EXPECT_EQ(options.Count, 100000);
  EXPECT_EQ(options.Warmup, 1000);
  EXPECT_EQ(options.Levels, 50);
  EXPECT_EQ(options.Starts, 5);
  EXPECT_FALSE(options.Help);

  EXPECT_EQ(
      Parse({"--count", "5000", "--warmup", "5000", "--levels", "32767", "--starts", "0", "--help"},
            options),
      "");
  EXPECT_EQ(options.Count, 5000);
  EXPECT_EQ(options.Warmup, 5000);
  EXPECT_EQ(options.Levels, 32767);
  EXPECT_EQ(options.Starts, 0);
  EXPECT_TRUE(options.Help);
}

TEST(BenchOptions, RefusesWhatCannotBeRun) {
  const std::vector<std::vector<std::string>> bad = {
      {"--count"},                          // no value
      {"--count", "0"},                     // nothing to measure
      {"--count", "-5"},                    // not a whole number
      {"--count", "12abc"},                 // trailing text
      {"--count", "99999999999999999999"},  // would overflow
      {"--levels", "32768"},                // more than termsim builds
      {"--starts", "1001"},
      {"--count", "500"},  // the default warm-up of 1000 exceeds it
      {"--warmup", "0"},
      {"--bogus", "1"},
      {"fast"},
  };
  for (const auto& arguments : bad) {
    Options options;
    EXPECT_NE(Parse(arguments, options), "") << arguments[0];
  }
  Options options;
  EXPECT_EQ(Parse({"--count", "500"}, options), "--warmup must not exceed --count");
}

TEST(PokeSummaryLine, ReadsTheLastSummaryAmongOtherOutput) {
  const auto summary = FindPokeSummary(
      "poke 1 R1C1:R101C3 2637 bytes: acknowledged\r\n"
      "sent 3 pokes: 1 acknowledged, 1 refused, 1 failed in 0.500 s (6 pokes/s)\r\n"
      "termsim: the server ended the conversation\n"
      "sent 99000 pokes: 98999 acknowledged, 0 refused, 1 failed in 49.500 s (2000 pokes/s)\n");
  ASSERT_TRUE(summary.has_value());
  EXPECT_EQ(summary->Sent, 99000);
  EXPECT_EQ(summary->Acknowledged, 98999);
  EXPECT_EQ(summary->Refused, 0);
  EXPECT_EQ(summary->Failed, 1);
  EXPECT_DOUBLE_EQ(summary->Seconds, 49.5);
  EXPECT_DOUBLE_EQ(summary->Rate(), 2000);
}

TEST(PokeSummaryLine, NoSummaryIsNoFigure) {
  EXPECT_FALSE(FindPokeSummary("").has_value());
  EXPECT_FALSE(FindPokeSummary("termsim: no DDE server answers to service \"a\"\n").has_value());
  // Cut off before the time: no rate can be made of it.
  EXPECT_FALSE(
      FindPokeSummary("sent 10 pokes: 10 acknowledged, 0 refused, 0 failed in").has_value());
  EXPECT_FALSE(
      FindPokeSummary("recorded 10 pokes to books.pokes\n").has_value());  // a dry run's line
  // A run too short to time has no rate rather than an infinite one.
  const auto instant =
      FindPokeSummary("sent 1 pokes: 1 acknowledged, 0 refused, 0 failed in 0.000 s");
  ASSERT_TRUE(instant.has_value());
  EXPECT_EQ(instant->Rate(), 0);
}

TEST(StartTimes, MedianAndSamples) {
  EXPECT_EQ(Median({}), 0);
  EXPECT_EQ(Median({300, 100, 200}), 200);
  EXPECT_EQ(Median({400, 100, 300, 200}), 250);
  EXPECT_EQ(WholeNumbers({289.4, 220.6, 1000}), "289 221 1000");
  EXPECT_EQ(WholeNumbers({}), "");
}

}  // namespace
}  // namespace vestrel::bench
