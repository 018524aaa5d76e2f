#include "poke_file.h"

#include <stdexcept>

namespace vestrel::termsim {
namespace {

constexpr const char* kDigits = "0123456789abcdef";

int DigitValue(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

[[noreturn]] void Fail(std::size_t line, const std::string& problem) {
  throw std::runtime_error("line " + std::to_string(line) + ": " + problem);
}

}  // namespace

std::string FormatPokeLine(const RecordedPoke& poke) {
  std::string line;
  line.reserve(poke.Item.size() + 2 + 2 * poke.Data.size());
  line += poke.Item;
  line += '\t';
  for (const std::uint8_t byte : poke.Data) {
    line += kDigits[byte >> 4];
    line += kDigits[byte & 0x0F];
  }
  line += '\n';
  return line;
}

std::vector<RecordedPoke> ParsePokeFile(std::string_view text) {
  std::vector<RecordedPoke> pokes;
  std::size_t number = 0;
  while (!text.empty()) {
    ++number;
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    if (line.empty() || line.front() == '#') {
      continue;
    }
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) {
      Fail(number, "no tab between the item and the data");
    }
    const std::string_view hex = line.substr(tab + 1);
    if (hex.size() % 2 != 0) {
      Fail(number, "the data has an odd number of hexadecimal digits");
    }
    RecordedPoke& poke = pokes.emplace_back();
    poke.Item = std::string(line.substr(0, tab));
    poke.Data.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
      const int high = DigitValue(hex[i]);
      const int low = DigitValue(hex[i + 1]);
      if (high < 0 || low < 0) {
        Fail(number, "the data is not hexadecimal");
      }
      poke.Data.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
  }
  return pokes;
}

}  // namespace vestrel::termsim
