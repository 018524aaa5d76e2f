// The timing of a poke's steps: nested steps count to the innermost one only,
// so the steps add up to the time spent, and the report the bench reads.
#include "diag/poke_timings.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "fakes/fake_window_ports.h"

namespace vestrel {
namespace {

using testing::FakeClock;

TEST(PokeTimings, NestedStepsCountToTheInnermostAndTheReportListsRounds) {
  FakeClock clock;
  PokeTimings timings(clock);
  {
    const PokeTimings::Span fetch(&timings, PokeStage::Fetch);
    clock.Monotonic += 10;
    timings.NotePoke();
    {
      const PokeTimings::Span decode(&timings, PokeStage::Decode);
      clock.Monotonic += 5;
      {
        const PokeTimings::Span analysis(&timings, PokeStage::Analysis);
        clock.Monotonic += 2;
        const PokeTimings::Span model(&timings, PokeStage::Model);
        clock.Monotonic += 1;
      }
      clock.Monotonic += 1;
    }
    clock.Monotonic += 3;
  }
  const PokeTimings::Span off(nullptr, PokeStage::Paint);  // timings off: nothing happens
  timings.NoteRound(7000, 9000);

  EXPECT_EQ(timings.Nanoseconds(PokeStage::Fetch), 13000);
  EXPECT_EQ(timings.Nanoseconds(PokeStage::Decode), 6000);
  EXPECT_EQ(timings.Nanoseconds(PokeStage::Analysis), 2000);
  EXPECT_EQ(timings.Nanoseconds(PokeStage::Model), 1000);
  EXPECT_EQ(timings.Nanoseconds(PokeStage::Paint), 0);
  EXPECT_EQ(timings.Report(),
            "pokes 1\nfetch_ns 13000\ndecode_ns 6000\nanalysis_ns 2000\nmodel_ns 1000\n"
            "paint_ns 0\nrounds 1\nround 1 7000 9000\n");
}

TEST(PokeTimings, StepsBeyondTheDepthKeptAreLeftUncountedNotMisplaced) {
  FakeClock clock;
  PokeTimings timings(clock);
  {
    const PokeTimings::Span outer(&timings, PokeStage::Paint);
    std::vector<std::unique_ptr<PokeTimings::Span>> nested;
    for (int i = 0; i < 20; ++i) {
      nested.push_back(std::make_unique<PokeTimings::Span>(&timings, PokeStage::Model));
    }
    clock.Monotonic += 4;
    while (!nested.empty()) {
      nested.pop_back();
    }
    clock.Monotonic += 1;
  }
  EXPECT_EQ(timings.Nanoseconds(PokeStage::Model), 4000);
  EXPECT_EQ(timings.Nanoseconds(PokeStage::Paint), 1000);
}

}  // namespace
}  // namespace vestrel
