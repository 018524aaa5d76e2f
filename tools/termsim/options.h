#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "contract/automation_contract.h"
#include "market.h"

namespace vestrel::termsim {

enum class Timing { Rate, Recorded };

struct Options {
  std::string Service = contract::kDdeService;
  std::string Topic = contract::kDdeTopic;
  std::string Replay;  // empty: generated books
  std::string Record;  // empty: nothing recorded
  std::string Item;    // empty: the sheet's range
  // The top of each generated book poked, for the stand-in transaction
  // library to fill against; empty: none.
  std::string BookFile;
  std::string Format = "XlTable";
  std::int64_t Count = -1;  // -1: the default; 0: without end
  double Rate = 10;         // 0: as fast as possible
  bool RandomGaps = false;
  Timing Pace = Timing::Rate;
  double Speed = 1;
  std::int64_t MaxWaitMs = 5000;
  double ConnectTimeout = 30;
  std::uint32_t Timeout = 5000;
  bool DryRun = false;
  bool KeepGoing = false;
  bool Quiet = false;
  MarketOptions Market;

  // The count that applies: Count, or its default for the source.
  std::int64_t PokesToSend(std::size_t recorded) const;
};

struct ParsedOptions {
  Options Values;
  bool Help = false;
  std::string Error;  // not empty: the arguments were wrong
  std::string Usage;  // every option, what it does and its default
};

// Parses the arguments after the program's name (README.md lists them, and
// --help).
ParsedOptions ParseOptions(const std::vector<std::string>& arguments);

}  // namespace vestrel::termsim
