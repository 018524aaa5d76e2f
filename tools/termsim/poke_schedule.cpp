#include "poke_schedule.h"

#include <algorithm>
#include <cmath>

namespace vestrel::termsim {
namespace {

constexpr double kMicrosecondsPerSecond = 1e6;

// A draw from [0, 1) made the same way everywhere, unlike the standard
// distributions, whose algorithms each library chooses.
double Uniform(std::mt19937_64& random) { return static_cast<double>(random() >> 11) * 0x1.0p-53; }

}  // namespace

PokeSchedule PokeSchedule::AtRate(double rate, bool randomGaps, std::uint64_t seed, double speed) {
  PokeSchedule schedule;
  schedule.meanGap_ = rate > 0 ? kMicrosecondsPerSecond / (rate * speed) : 0;
  schedule.randomGaps_ = randomGaps;
  // Not the market's stream, so the books stay those of the seed.
  schedule.random_.seed(seed ^ 0x9E3779B97F4A7C15ULL);
  return schedule;
}

PokeSchedule PokeSchedule::Recorded(const std::vector<std::int64_t>& times, double speed,
                                    double maxGap) {
  PokeSchedule schedule;
  double offset = 0;
  for (std::size_t i = 0; i < times.size(); ++i) {
    double cut = 0;
    if (i > 0) {
      // In double: a difference of times far apart would overflow.
      const double gap =
          std::max(static_cast<double>(times[i]) - static_cast<double>(times[i - 1]), 0.0) / speed;
      if (gap > maxGap) {
        cut = gap;
      }
      offset += std::min(gap, maxGap);
    }
    schedule.offsets_.push_back(offset);
    schedule.cutGaps_.push_back(cut);
  }
  const double gaps = times.size() > 1 ? static_cast<double>(times.size() - 1) : 1;
  schedule.loopSpan_ = offset + offset / gaps;
  return schedule;
}

std::int64_t PokeSchedule::Next() {
  const std::int64_t index = next_++;
  if (!offsets_.empty()) {
    const auto count = static_cast<std::int64_t>(offsets_.size());
    const std::int64_t loop = index / count;
    cutGap_ = cutGaps_[static_cast<std::size_t>(index % count)];
    return std::llround(static_cast<double>(loop) * loopSpan_ +
                        offsets_[static_cast<std::size_t>(index % count)]);
  }
  if (!randomGaps_) {
    return std::llround(static_cast<double>(index) * meanGap_);
  }
  if (index > 0) {
    due_ += -std::log1p(-Uniform(random_)) * meanGap_;
  }
  return std::llround(due_);
}

}  // namespace vestrel::termsim
