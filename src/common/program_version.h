#pragma once

#include <string>

#include "vestrel/version.h"

namespace vestrel {

// The program's version numbers, shown in the caption and the About dialog.
struct ProgramVersion {
  int Major = 0;
  int Minor = 0;
  int Revision = 0;
};

inline constexpr ProgramVersion kProgramVersion{VESTREL_VERSION_MAJOR, VESTREL_VERSION_MINOR,
                                                VESTREL_VERSION_PATCH};

// "1.0.65": the numbers joined by ".".
inline std::string VersionText(const ProgramVersion& version) {
  return std::to_string(version.Major) + "." + std::to_string(version.Minor) + "." +
         std::to_string(version.Revision);
}

}  // namespace vestrel
