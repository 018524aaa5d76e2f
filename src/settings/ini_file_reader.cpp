#include "settings/ini_file_reader.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <string_view>

namespace vestrel {
namespace {

std::string_view Trim(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && blank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && blank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

bool SameName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

std::string_view StripQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

}  // namespace

std::string IniFileReader::GetPrivateProfileString(const std::string& section,
                                                   const std::string& key, const std::string& file,
                                                   int bufferSize) {
  if (bufferSize <= 0) {
    return {};
  }
  std::ifstream in(file, std::ios::binary);
  std::string line;
  bool inSection = false;
  while (std::getline(in, line)) {
    const std::string_view text = Trim(line);
    if (text.empty() || text.front() == ';') {
      continue;
    }
    if (text.front() == '[') {
      const auto close = text.find(']');
      inSection =
          close != std::string_view::npos && SameName(Trim(text.substr(1, close - 1)), section);
      continue;
    }
    const auto equals = text.find('=');
    if (!inSection || equals == std::string_view::npos ||
        !SameName(Trim(text.substr(0, equals)), key)) {
      continue;
    }
    const std::string_view value = StripQuotes(Trim(text.substr(equals + 1)));
    return std::string(value.substr(0, static_cast<std::size_t>(bufferSize - 1)));
  }
  return {};
}

}  // namespace vestrel
