#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vestrel::termsim {

// One step of a scripted change of the terminal's connection: an event
// reported through the connection-status callback, or a pause before the
// next step.
struct ConnectionStep {
  long Event = 0;             // when PauseMs is 0
  std::uint32_t PauseMs = 0;  // a pause, not an event, when above 0
  bool operator==(const ConnectionStep&) const = default;
};

// "9 500ms 8": event codes and pauses ("<N>ms"), separated by blanks or
// commas. None when a word is neither, or when there is no event.
std::optional<std::vector<ConnectionStep>> ParseConnectionSteps(std::string_view text);

// A trade done earlier in the day.
struct SeededTrade {
  std::string ClassCode;
  std::string SecCode;
  bool IsSell = false;
  std::int64_t Lots = 0;
  double Price = 0;
  bool operator==(const SeededTrade&) const = default;
};

// "SPBFUT RIH6 B 2 98660; SPBFUT RIH6 S 1 98700": trades separated by ";",
// each its class code, instrument code, B or S, lots above 0 and price ("."
// or "," before decimals). None when any of them cannot be read.
std::optional<std::vector<SeededTrade>> ParseSeededTrades(std::string_view text);

}  // namespace vestrel::termsim
