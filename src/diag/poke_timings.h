#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ports/clock.h"

namespace vestrel {

// The steps a poke's time inside the panel is divided into.
enum class PokeStage : std::uint8_t {
  Fetch,     // the DDE callback's own work: the item's name and the data fetched
  Decode,    // the XLTable decoder
  Analysis,  // the order book's check and analysis
  Model,     // the main window's model telling its view what changed
  Paint,     // carrying the changes to the screen
};
inline constexpr std::size_t kPokeStageCount = 5;

// Where the pokes' time goes inside the panel, for the end-to-end bench: the
// time spent in each step (nested steps count to the innermost one only),
// the pokes decoded, and every repaint round that carried something to the
// screen, with the pokes it carried.
//
// Present only when asked for at start-up; the panel's parts hold a pointer
// that is null otherwise, so they pay one test of it per step.
class PokeTimings {
 public:
  struct Round {
    std::int64_t Pokes = 0;  // pokes decoded when the round began
    std::int64_t StartNanoseconds = 0;
    std::int64_t EndNanoseconds = 0;
  };

  // The rounds kept; later ones are counted but not kept.
  static constexpr std::size_t kMaxRounds = 200000;

  explicit PokeTimings(const Clock& clock) : clock_(clock) {}
  PokeTimings(const PokeTimings&) = delete;
  PokeTimings& operator=(const PokeTimings&) = delete;

  // Times one step for as long as it lives; nothing when timings is null.
  class Span {
   public:
    Span(PokeTimings* timings, PokeStage stage) : timings_(timings) {
      if (timings_ != nullptr) {
        timings_->Enter(stage);
      }
    }
    ~Span() {
      if (timings_ != nullptr) {
        timings_->Leave();
      }
    }
    Span(const Span&) = delete;
    Span& operator=(const Span&) = delete;

   private:
    PokeTimings* timings_;
  };

  void NotePoke() { ++pokes_; }
  // A repaint round from its start to its end, the paint included.
  void NoteRound(std::int64_t startNanoseconds, std::int64_t endNanoseconds);
  std::int64_t Now() const { return clock_.MonotonicNanoseconds(); }

  std::int64_t Pokes() const { return pokes_; }
  std::int64_t Nanoseconds(PokeStage stage) const {
    return totals_[static_cast<std::size_t>(stage)];
  }
  const std::vector<Round>& Rounds() const { return rounds_; }
  std::int64_t RoundCount() const { return roundCount_; }

  // Everything as lines of text: "pokes N", "<stage>_ns N" for each step,
  // "rounds N", then "round POKES START END" for each round kept.
  std::string Report() const;

 private:
  void Enter(PokeStage stage);
  void Leave();

  static constexpr std::size_t kMaxDepth = 8;

  const Clock& clock_;
  std::array<std::int64_t, kPokeStageCount> totals_{};
  // The steps entered and not yet left; only the innermost one is running.
  std::array<PokeStage, kMaxDepth> open_{};
  std::size_t depth_ = 0;
  std::size_t untracked_ = 0;  // steps entered beyond kMaxDepth
  std::int64_t since_ = 0;     // when the innermost step last started running
  std::int64_t pokes_ = 0;
  std::vector<Round> rounds_;
  std::int64_t roundCount_ = 0;
};

// The step names the report uses, in PokeStage order.
const char* PokeStageName(PokeStage stage);

}  // namespace vestrel
