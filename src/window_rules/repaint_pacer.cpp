#include "window_rules/repaint_pacer.h"

#include <algorithm>
#include <limits>

namespace vestrel {

RepaintPacer::Request RepaintPacer::Changed(bool caption) {
  if (caption) {
    ++captionsSinceRound_;
  }
  const std::int64_t now = clock_.MonotonicNanoseconds();
  const double since = MillisecondsSinceRound();
  if (posted_) {
    // Held up behind a backlog: a frame past the round's time, and a little
    // past its posting (the changes one poke makes come together).
    const bool heldUp = since >= static_cast<double>(intervalMs_ + kFrameMs) &&
                        now - postedNs_ >= std::int64_t{kPostedGraceMs} * 1'000'000;
    return heldUp ? Request{Ask::RunNow} : Request{};
  }
  if (since >= static_cast<double>(intervalMs_)) {
    // Due (after a quiet spell), or overdue because the timer's message is
    // held behind posted ones.
    posted_ = true;
    postedNs_ = now;
    return {Ask::Post};
  }
  if (timerRunning_) {
    return {};
  }
  timerRunning_ = true;
  const double wait = std::max(1.0, static_cast<double>(intervalMs_) - since);
  return {Ask::Timer, static_cast<std::int32_t>(wait + 0.5)};
}

void RepaintPacer::AskFailed() {
  posted_ = false;
  timerRunning_ = false;
}

RepaintPacer::Start RepaintPacer::RoundStarts() {
  Start start{clock_.MonotonicNanoseconds(), timerRunning_};
  posted_ = false;
  timerRunning_ = false;
  return start;
}

std::int64_t RepaintPacer::RoundCarried(std::int64_t beganNs) {
  const std::int64_t ended = clock_.MonotonicNanoseconds();
  lastRoundNs_ = beganNs;
  // Smoothed, so that one round held up by the machine does not slow the
  // next ones. On a machine busy with other work a round takes longer, and a
  // terminal that pokes as fast as DDE goes would otherwise be held back by
  // the panel's painting.
  const double roundMs = static_cast<double>(ended - beganNs) / 1e6;
  averageRoundMs_ = 0.75 * averageRoundMs_ + 0.25 * roundMs;
  const bool flooded = captionsSinceRound_ > kFloodCaptions;
  captionsSinceRound_ = 0;
  const double wanted =
      flooded ? std::clamp(averageRoundMs_ * kPaintShare, static_cast<double>(kFloodFrameMs),
                           static_cast<double>(kLongestRoundInterval))
              : static_cast<double>(kFrameMs);
  intervalMs_ = static_cast<std::int32_t>(wanted + 0.5);
  return ended;
}

double RepaintPacer::MillisecondsSinceRound() const {
  if (!lastRoundNs_) {
    return std::numeric_limits<double>::infinity();
  }
  return static_cast<double>(clock_.MonotonicNanoseconds() - *lastRoundNs_) / 1e6;
}

}  // namespace vestrel
