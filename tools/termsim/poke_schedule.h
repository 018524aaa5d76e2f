#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace vestrel::termsim {

// When each poke is due, in microseconds after the first.
class PokeSchedule {
 public:
  // rate pokes a second (0: all at once), evenly or with gaps drawn at random
  // around 1/rate (exponentially, as independent arrivals come: many short
  // gaps and a few long ones), the same for the same seed; speed divides
  // every gap.
  static PokeSchedule AtRate(double rate, bool randomGaps, std::uint64_t seed, double speed);
  // The gaps between the recorded arrival times (microseconds), divided by
  // speed; a time before the one recorded ahead of it (the recording
  // machine's clock was set back) counts as no gap, and one longer than
  // maxGap (microseconds, after speed; the clock was set forward, or the
  // recording paused for a night) as maxGap. After the last poke the schedule
  // starts over, one mean gap later.
  static PokeSchedule Recorded(const std::vector<std::int64_t>& times, double speed, double maxGap);

  // The next poke's due time; the first is 0.
  std::int64_t Next();
  // The gap before the poke Next() gave last as recorded (after speed) when
  // it was longer than maxGap and cut to it; 0 when it was not cut.
  double CutGap() const { return cutGap_; }

 private:
  PokeSchedule() = default;

  double meanGap_ = 0;  // microseconds, after speed
  bool randomGaps_ = false;
  std::mt19937_64 random_;
  std::vector<double> offsets_;  // recorded: each poke's, after speed
  std::vector<double> cutGaps_;  // recorded: each poke's gap before it where cut, else 0
  double cutGap_ = 0;
  double loopSpan_ = 0;  // recorded: from one start to the next
  std::int64_t next_ = 0;
  double due_ = 0;
};

}  // namespace vestrel::termsim
