#include "recording/device_names.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace vestrel {
namespace {

bool SameText(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) ==
           std::toupper(static_cast<unsigned char>(y));
  });
}

bool IsDevice(std::string_view name) {
  constexpr std::array<std::string_view, 6> kNamed{"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  if (std::any_of(kNamed.begin(), kNamed.end(),
                  [&](std::string_view device) { return SameText(name, device); })) {
    return true;
  }
  return name.size() == 4 &&
         (SameText(name.substr(0, 3), "COM") || SameText(name.substr(0, 3), "LPT")) &&
         std::isdigit(static_cast<unsigned char>(name[3])) != 0;
}

}  // namespace

std::string DeviceName(std::string_view path) {
  const auto separator = [](char c) { return c == '\\' || c == '/'; };
  if (path.size() >= 4 && separator(path[0]) && separator(path[1]) && path[2] == '.' &&
      separator(path[3])) {
    return std::string(path.substr(0, 4));
  }
  std::string_view name = path.substr(path.find_last_of("\\/") + 1);
  // "C:NUL" is the device too.
  if (name.size() >= 2 && name[1] == ':') {
    name.remove_prefix(2);
  }
  name = name.substr(0, name.find('.'));
  while (!name.empty() && (name.back() == ' ' || name.back() == '.')) {
    name.remove_suffix(1);
  }
  return IsDevice(name) ? std::string(name) : std::string();
}

}  // namespace vestrel
