// The bench's arguments, its reading of termsim's summary line and of the
// panel's timing report, and the figures made of them: a figure read or
// reckoned wrongly here would be printed as a measurement.
#include "bench_figures.h"

#include <gtest/gtest.h>

namespace vestrel::bench {
namespace {

std::string Parse(const std::vector<std::string>& arguments, Options& options) {
  return ParseOptions(arguments, options);
}

// Each option lands in its own field, none left at its default.
TEST(BenchOptions, EveryOptionIsRead) {
  Options options;
  EXPECT_EQ(Parse({}, options), "");
  EXPECT_FALSE(options.Help);
  EXPECT_EQ(Parse({"--count", "5000", "--rounds", "1000", "--warmup", "7000", "--levels", "32767",
                   "--starts", "0", "--breakdown", "1", "--screen-seconds", "2", "--flood", "3",
                   "--help"},
                  options),
            "");
  EXPECT_EQ(std::vector<long long>({options.Count, options.Rounds, options.Warmup, options.Levels,
                                    options.Starts, options.Breakdown, options.ScreenSeconds,
                                    options.Flood}),
            std::vector<long long>({5000, 1000, 7000, 32767, 0, 1, 2, 3}));
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
      {"--starts", "1002"},
      {"--count", "5"},  // fewer pokes than the default 6 rounds
      {"--rounds", "0"},
      {"--warmup", "0"},
      {"--flood", "-1"},
      {"--bogus", "1"},
      {"fast"},
  };
  for (const auto& arguments : bad) {
    Options options;
    EXPECT_NE(Parse(arguments, options), "") << arguments[0];
  }
  Options options;
  EXPECT_EQ(Parse({"--count", "5"}, options),
            "--count must give every round a poke (at least --rounds)");
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

TEST(TimedJournal, TheSendsTimesInOrderAndNothingElse) {
  EXPECT_EQ(TimedSends("CONNECT C:\\QUIK\r\n"
                       "SEND TRANS_ID=1; ACTION=NEW_ORDER;\r\n"  // before the times were asked for
                       "1000 SUBSCRIBE_ORDERS C1|S1\r\n"
                       "2000 SEND_ASYNC TRANS_ID=1; ACTION=NEW_ORDER;\r\n"
                       "2500 SEND_ASYNCHRONOUSLY\r\n"
                       "3000 SEND TRANS_ID=2; ACTION=KILL_ORDER;\r\n"
                       "4000 TRANSACTION_REPLY_CLASS_CODE 1\r\n"
                       "5000 SEND_ASYNC"),
            (std::vector<long long>{2000, 3000, 5000}));
}

TEST(Figures, MedianSpreadAndPercentiles) {
  EXPECT_EQ(Median({}), 0);
  EXPECT_EQ(Median({300, 100, 200}), 200);
  EXPECT_EQ(Median({400, 100, 300, 200}), 250);
  EXPECT_EQ(WholeNumbers({289.4, 220.6, 1000}), "289 221 1000");
  EXPECT_EQ(WholeNumbers({}), "");

  const Spread rounds = SpreadOf({0.97, 0.91, 0.99, 0.95});
  EXPECT_DOUBLE_EQ(rounds.Middle, 0.96);
  EXPECT_DOUBLE_EQ(rounds.Lowest, 0.91);
  EXPECT_DOUBLE_EQ(rounds.Highest, 0.99);

  std::vector<double> hundred;
  for (int i = 100; i >= 1; --i) {
    hundred.push_back(i);
  }
  EXPECT_EQ(Percentile(hundred, 0.5), 50);
  EXPECT_EQ(Percentile(hundred, 0.99), 99);
  EXPECT_EQ(Percentile(hundred, 1.0), 100);
  EXPECT_EQ(Percentile({7}, 0.99), 7);
  EXPECT_EQ(Percentile({}, 0.5), 0);
}

TEST(PokeTimings, ReadsThePanelsReportAndRefusesAPartOne) {
  const std::string whole =
      "pokes 3\nfetch_ns 30\ndecode_ns 20\nanalysis_ns 10\nmodel_ns 5\npaint_ns 900\n"
      "rounds 2\nround 1 1000 1500\nround 3 2000 2600\n";
  const auto report = ParsePokeTimings(whole);
  ASSERT_TRUE(report.has_value());
  EXPECT_EQ(report->Pokes, 3);
  EXPECT_EQ(report->StepNanoseconds, (std::array<long long, 5>{30, 20, 10, 5, 900}));
  EXPECT_EQ(report->RoundCount, 2);
  ASSERT_EQ(report->Rounds.size(), 2U);
  EXPECT_EQ(report->Rounds[1].Pokes, 3);
  EXPECT_EQ(report->Rounds[1].EndNanoseconds, 2600);

  EXPECT_FALSE(ParsePokeTimings("").has_value());
  EXPECT_FALSE(ParsePokeTimings(whole.substr(0, whole.find("paint_ns"))).has_value());
  EXPECT_FALSE(ParsePokeTimings(whole + "round 4 5\n").has_value());
}

TEST(PokeTimings, EachPokeReachesTheScreenWithTheFirstRoundThatCarriesIt) {
  // Pokes 11 to 15 acknowledged at 1, 2, 3, 20 and 30 ms; the panel painted
  // poke 11 by 1.5 ms, 12 and 13 together by 18 ms, 14 before its
  // acknowledgement was seen, and 15 not at all.
  const std::vector<PaintRound> rounds = {{10, 0, 500'000},
                                          {11, 1'200'000, 1'500'000},
                                          {13, 17'000'000, 18'000'000},
                                          {14, 19'000'000, 19'900'000}};
  const std::vector<double> latencies =
      ScreenLatencies(rounds, 11, {1'000'000, 2'000'000, 3'000'000, 20'000'000, 30'000'000});
  EXPECT_EQ(latencies, (std::vector<double>{0.5, 16, 15, 0}));
}

}  // namespace
}  // namespace vestrel::bench
