#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vestrel {

// JSON string literals, for the one-object-a-line files the program writes
// for other programs (the event-log mirror) and the tools that read them.

// Appends text as a JSON string literal, quotes included: '"', '\' and the
// control characters below 0x20 are escaped (\n, \r, \t by name, the others
// as \u00XX); every other byte, UTF-8 included, is kept as it is.
void AppendJsonString(std::string& out, std::string_view text);

// Reads the JSON string literal that starts at position (its opening quote)
// and returns its text, \uXXXX escapes (surrogate pairs included) as UTF-8;
// position moves past the closing quote. Nothing (position unchanged) when
// there is no literal there, it is not closed, or an escape is malformed.
std::optional<std::string> ReadJsonString(std::string_view json, std::size_t& position);

}  // namespace vestrel
