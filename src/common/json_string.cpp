#include "common/json_string.h"

#include <cstdint>

namespace vestrel {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

std::optional<std::uint32_t> HexQuad(std::string_view json, std::size_t at) {
  if (at + 4 > json.size()) {
    return std::nullopt;
  }
  std::uint32_t value = 0;
  for (std::size_t i = at; i < at + 4; ++i) {
    const char c = json[i];
    const int digit = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                             : -1;
    if (digit < 0) {
      return std::nullopt;
    }
    value = value * 16 + static_cast<std::uint32_t>(digit);
  }
  return value;
}

void AppendUtf8(std::string& out, std::uint32_t codePoint) {
  const auto byte = [&out](std::uint32_t bits) { out += static_cast<char>(bits); };
  if (codePoint < 0x80) {
    byte(codePoint);
  } else if (codePoint < 0x800) {
    byte(0xC0 | (codePoint >> 6));
    byte(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    byte(0xE0 | (codePoint >> 12));
    byte(0x80 | ((codePoint >> 6) & 0x3F));
    byte(0x80 | (codePoint & 0x3F));
  } else {
    byte(0xF0 | (codePoint >> 18));
    byte(0x80 | ((codePoint >> 12) & 0x3F));
    byte(0x80 | ((codePoint >> 6) & 0x3F));
    byte(0x80 | (codePoint & 0x3F));
  }
}

// The code point of the \u escape at json[at] ('\'), a surrogate pair read
// whole; at moves to the escape's last character.
std::optional<std::uint32_t> UnicodeEscape(std::string_view json, std::size_t& at) {
  const std::optional<std::uint32_t> first = HexQuad(json, at + 2);
  if (!first || (*first >= 0xDC00 && *first <= 0xDFFF)) {
    return std::nullopt;
  }
  if (*first < 0xD800 || *first > 0xDBFF) {
    at += 5;
    return first;
  }
  if (json.substr(at + 6, 2) != "\\u") {
    return std::nullopt;
  }
  const std::optional<std::uint32_t> second = HexQuad(json, at + 8);
  if (!second || *second < 0xDC00 || *second > 0xDFFF) {
    return std::nullopt;
  }
  at += 11;
  return 0x10000 + ((*first - 0xD800) << 10) + (*second - 0xDC00);
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
  out += '"';
  for (const char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          out += "\\u00";
          out += kHexDigits[static_cast<unsigned char>(c) >> 4];
          out += kHexDigits[static_cast<unsigned char>(c) & 0xF];
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

std::optional<std::string> ReadJsonString(std::string_view json, std::size_t& position) {
  if (position >= json.size() || json[position] != '"') {
    return std::nullopt;
  }
  std::string text;
  for (std::size_t i = position + 1; i < json.size(); ++i) {
    const char c = json[i];
    if (c == '"') {
      position = i + 1;
      return text;
    }
    if (static_cast<unsigned char>(c) < 0x20) {
      return std::nullopt;  // a raw control character: not JSON
    }
    if (c != '\\') {
      text += c;
      continue;
    }
    if (i + 1 >= json.size()) {
      return std::nullopt;
    }
    switch (json[i + 1]) {
      case '"':
      case '\\':
      case '/':
        text += json[++i];
        break;
      case 'b':
        text += '\b';
        ++i;
        break;
      case 'f':
        text += '\f';
        ++i;
        break;
      case 'n':
        text += '\n';
        ++i;
        break;
      case 'r':
        text += '\r';
        ++i;
        break;
      case 't':
        text += '\t';
        ++i;
        break;
      case 'u': {
        const std::optional<std::uint32_t> codePoint = UnicodeEscape(json, i);
        if (!codePoint) {
          return std::nullopt;
        }
        AppendUtf8(text, *codePoint);
        break;
      }
      default:
        return std::nullopt;
    }
  }
  return std::nullopt;
}

}  // namespace vestrel
