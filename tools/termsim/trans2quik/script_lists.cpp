#include "script_lists.h"

#include <charconv>

#include "transaction_text.h"

namespace vestrel::termsim {
namespace {

std::vector<std::string_view> Split(std::string_view text, std::string_view separators) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t start = text.find_first_not_of(separators, at);
    if (start == std::string_view::npos) {
      break;
    }
    const std::size_t end = text.find_first_of(separators, start);
    words.push_back(text.substr(start, end - start));
    at = end == std::string_view::npos ? text.size() : end;
  }
  return words;
}

template <typename Number>
bool ReadWhole(std::string_view word, Number& value) {
  const char* end = word.data() + word.size();
  const auto [stop, error] = std::from_chars(word.data(), end, value);
  return !word.empty() && error == std::errc() && stop == end;
}

}  // namespace

std::optional<std::vector<ConnectionStep>> ParseConnectionSteps(std::string_view text) {
  std::vector<ConnectionStep> steps;
  bool anyEvent = false;
  for (std::string_view word : Split(text, " \t,")) {
    ConnectionStep step;
    if (word.size() > 2 && word.substr(word.size() - 2) == "ms") {
      if (!ReadWhole(word.substr(0, word.size() - 2), step.PauseMs)) {
        return std::nullopt;
      }
      if (step.PauseMs == 0) {
        continue;
      }
    } else if (ReadWhole(word, step.Event)) {
      anyEvent = true;
    } else {
      return std::nullopt;
    }
    steps.push_back(step);
  }
  if (!anyEvent) {
    return std::nullopt;
  }
  return steps;
}

std::optional<std::vector<SeededTrade>> ParseSeededTrades(std::string_view text) {
  std::vector<SeededTrade> trades;
  for (std::string_view item : Split(text, ";")) {
    const std::vector<std::string_view> words = Split(item, " \t");
    if (words.empty()) {
      continue;
    }
    if (words.size() != 5 || (words[2] != "B" && words[2] != "S")) {
      return std::nullopt;
    }
    const auto lots = ParsePositive(words[3]);
    const auto price = ParsePrice(words[4]);
    if (!lots || !price) {
      return std::nullopt;
    }
    trades.push_back(
        {std::string(words[0]), std::string(words[1]), words[2] == "S", *lots, *price});
  }
  return trades;
}

}  // namespace vestrel::termsim
