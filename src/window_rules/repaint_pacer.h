#pragma once

#include <cstdint>
#include <optional>

#include "ports/clock.h"

namespace vestrel {

// When the screen catches up with the model: in repaint rounds, at most one a
// screen frame however fast the terminal pokes books. A change a frame or
// more after the last round began (after a quiet spell) is carried at once,
// right after the poke that made it has been answered; one within that frame
// when the frame is over. While books flood in (more than kFloodCaptions
// caption changes between two rounds: several books a frame, more than anyone
// can read) rounds are two frames apart or more, so that painting takes at
// most a kPaintShare-th of the time, and never more than
// kLongestRoundInterval apart. A panel that painted every book would hold the
// terminal's DDE export back to its own painting speed.
//
// The window asks for a round by posting itself a message or by a timer. A
// timer's message comes only when no posted message waits, so under a
// backlog of posted messages a timed round would starve: a change that finds
// its timed round overdue asks for one posted at once instead, which comes
// after the messages already waiting. When even that one is held up behind
// them a frame past the round's time, the next change carries the round
// itself, so rounds are never more than kLongestGapMs apart plus the time
// until the next change is handled.
class RepaintPacer {
 public:
  static constexpr std::int32_t kFrameMs = 15;
  static constexpr std::int32_t kFloodFrameMs = 2 * kFrameMs;
  static constexpr double kPaintShare = 60;
  static constexpr std::int32_t kLongestRoundInterval = 50;
  static constexpr int kFloodCaptions = 40;
  static constexpr std::int32_t kLongestGapMs = kLongestRoundInterval + kFrameMs;
  static constexpr std::int32_t kPostedGraceMs = 5;

  // How the window is to ask for the next round.
  enum class Ask {
    Nothing,  // a round is coming and carries this change too
    Post,     // post the round's message now
    Timer,    // run the round's timer for TimerMs
    RunNow,   // the asked-for round is held up: run it now
  };
  struct Request {
    Ask What = Ask::Nothing;
    std::int32_t TimerMs = 0;
    bool operator==(const Request&) const = default;
  };

  explicit RepaintPacer(const Clock& clock) : clock_(clock) {}

  // A change the next round carries; caption: a control's caption changed
  // (what a flood of books is counted in).
  Request Changed(bool caption);
  // The window could not post or set its timer: it carries the changes now
  // rather than never.
  void AskFailed();

  // A round starts (its posted message or its timer came). StopTimer: the
  // window's timer still runs and must be stopped.
  struct Start {
    std::int64_t BeganNs = 0;
    bool StopTimer = false;
  };
  Start RoundStarts();
  // The round carried something to the screen (a round with nothing to do
  // does not count). Returns when it ended, on the same clock.
  std::int64_t RoundCarried(std::int64_t beganNs);

  // Milliseconds rounds are apart now.
  std::int32_t IntervalMs() const { return intervalMs_; }

 private:
  double MillisecondsSinceRound() const;

  const Clock& clock_;
  bool posted_ = false;
  std::int64_t postedNs_ = 0;
  bool timerRunning_ = false;
  std::optional<std::int64_t> lastRoundNs_;
  std::int32_t intervalMs_ = kFrameMs;
  double averageRoundMs_ = 0;
  int captionsSinceRound_ = 0;
};

}  // namespace vestrel
