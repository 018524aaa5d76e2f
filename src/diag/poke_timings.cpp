#include "diag/poke_timings.h"

namespace vestrel {

const char* PokeStageName(PokeStage stage) {
  switch (stage) {
    case PokeStage::Fetch:
      return "fetch";
    case PokeStage::Decode:
      return "decode";
    case PokeStage::Analysis:
      return "analysis";
    case PokeStage::Model:
      return "model";
    case PokeStage::Paint:
      return "paint";
  }
  return "?";
}

void PokeTimings::Enter(PokeStage stage) {
  if (depth_ == kMaxDepth) {
    ++untracked_;
    return;
  }
  const std::int64_t now = Now();
  if (depth_ > 0) {
    totals_[static_cast<std::size_t>(open_[depth_ - 1])] += now - since_;
  }
  open_[depth_++] = stage;
  since_ = now;
}

void PokeTimings::Leave() {
  if (untracked_ > 0) {
    --untracked_;
    return;
  }
  if (depth_ == 0) {
    return;
  }
  const std::int64_t now = Now();
  totals_[static_cast<std::size_t>(open_[--depth_])] += now - since_;
  since_ = now;
}

void PokeTimings::NoteRound(std::int64_t startNanoseconds, std::int64_t endNanoseconds) {
  ++roundCount_;
  if (rounds_.size() < kMaxRounds) {
    rounds_.push_back({pokes_, startNanoseconds, endNanoseconds});
  }
}

std::string PokeTimings::Report() const {
  std::string text = "pokes " + std::to_string(pokes_) + "\n";
  for (std::size_t i = 0; i < kPokeStageCount; ++i) {
    text += std::string(PokeStageName(static_cast<PokeStage>(i))) + "_ns " +
            std::to_string(totals_[i]) + "\n";
  }
  text += "rounds " + std::to_string(roundCount_) + "\n";
  for (const Round& round : rounds_) {
    text += "round " + std::to_string(round.Pokes) + " " + std::to_string(round.StartNanoseconds) +
            " " + std::to_string(round.EndNanoseconds) + "\n";
  }
  return text;
}

}  // namespace vestrel
