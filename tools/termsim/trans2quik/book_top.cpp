#include "book_top.h"

#include <array>
#include <charconv>
#include <cmath>
#include <vector>

namespace vestrel::termsim {
namespace {

std::string PriceText(double price) {
  std::array<char, 64> buffer{};
  const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), price,
                                          std::chars_format::general, 15);
  return error == std::errc() ? std::string(buffer.data(), end) : std::string("-");
}

void AppendLevel(std::string& text, const std::optional<BookLevel>& level) {
  if (level) {
    text += ' ' + PriceText(level->Price) + ' ' + std::to_string(level->Volume);
  } else {
    text += " - -";
  }
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t start = text.find_first_not_of(" \t\r\n", at);
    if (start == std::string_view::npos) {
      break;
    }
    const std::size_t end = text.find_first_of(" \t\r\n", start);
    words.push_back(text.substr(start, end - start));
    at = end == std::string_view::npos ? text.size() : end;
  }
  return words;
}

template <typename Number>
bool Read(std::string_view word, Number& value) {
  const char* end = word.data() + word.size();
  const auto [stop, error] = std::from_chars(word.data(), end, value);
  return error == std::errc() && stop == end;
}

// A side's two words: "- -", or a finite price and a volume above 0.
bool ReadLevel(std::string_view price, std::string_view volume, std::optional<BookLevel>& level) {
  if (price == "-" && volume == "-") {
    level.reset();
    return true;
  }
  BookLevel read;
  if (!Read(price, read.Price) || !std::isfinite(read.Price) || !Read(volume, read.Volume) ||
      read.Volume < 1) {
    return false;
  }
  level = read;
  return true;
}

}  // namespace

std::string FormatBookTop(const BookTop& book) {
  std::string text = "BOOK " + std::to_string(book.Sequence);
  AppendLevel(text, book.Sell);
  AppendLevel(text, book.Buy);
  return text + "\r\n";
}

std::optional<BookTop> ParseBookTop(std::string_view text) {
  // Only a whole line counts: a writer caught half-way leaves no line end.
  if (text.empty() || text.back() != '\n') {
    return std::nullopt;
  }
  const std::vector<std::string_view> words = Words(text);
  BookTop book;
  if (words.size() != 6 || words[0] != "BOOK" || !Read(words[1], book.Sequence) ||
      !ReadLevel(words[2], words[3], book.Sell) || !ReadLevel(words[4], words[5], book.Buy)) {
    return std::nullopt;
  }
  return book;
}

}  // namespace vestrel::termsim
