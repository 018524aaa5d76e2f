#include "transaction_text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

namespace vestrel::termsim {
namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())) != 0) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())) != 0) {
    text.remove_suffix(1);
  }
  return text;
}

bool IsKey(std::string_view key) {
  return std::all_of(key.begin(), key.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return std::isupper(byte) != 0 || std::isdigit(byte) != 0 || c == '_';
  });
}

}  // namespace

std::string Transaction::Field(std::string_view key) const {
  const auto found = Fields.find(key);
  return found == Fields.end() ? std::string() : found->second;
}

Transaction ParseTransaction(std::string_view text) {
  Transaction transaction;
  bool any = false;
  while (!text.empty()) {
    const std::size_t semicolon = text.find(';');
    const std::string_view pair = Trim(text.substr(0, semicolon));
    text = semicolon == std::string_view::npos ? std::string_view() : text.substr(semicolon + 1);
    if (pair.empty()) {
      if (!Trim(text).empty()) {
        transaction.WellFormed = false;  // ";;" in the middle
      }
      continue;
    }
    const std::size_t equals = pair.find('=');
    if (equals == 0 || equals == std::string_view::npos) {
      transaction.WellFormed = false;
      continue;
    }
    const std::string_view key = Trim(pair.substr(0, equals));
    if (!IsKey(key)) {
      transaction.WellFormed = false;
    }
    transaction.Fields[std::string(key)] = std::string(Trim(pair.substr(equals + 1)));
    any = true;
  }
  transaction.WellFormed = transaction.WellFormed && any;
  return transaction;
}

std::optional<double> ParsePrice(std::string_view text) {
  std::string dotted(Trim(text));
  for (char& c : dotted) {
    if (c == ',') {
      c = '.';
    }
  }
  double value = 0;
  const char* end = dotted.data() + dotted.size();
  const auto [stop, error] = std::from_chars(dotted.data(), end, value);
  if (dotted.empty() || error != std::errc() || stop != end || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::optional<std::int64_t> ParsePositive(std::string_view text) {
  text = Trim(text);
  std::int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end || value < 1) {
    return std::nullopt;
  }
  return value;
}

}  // namespace vestrel::termsim
