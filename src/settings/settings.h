#pragma once

#include <cstdint>
#include <string>

#include "contract/automation_contract.h"
#include "diag/log_dispatcher.h"
#include "ports/profile_reader.h"

namespace vestrel {

// The settings of section [Main], read once at start-up.
struct Settings {
  std::string Account;
  std::string SecCode;
  std::string ClassCode;
  std::int32_t Size = 0;
  std::int32_t SafeSpread = 0;
  std::int32_t Compact = 0;
  // Kill's base contract; empty for the one it always had, RTS.
  std::string BaseContract;
};

// Reads one value the way the platform's private-profile lookup does, through
// a 128-character buffer of which 127 are offered: a value comes back cut to
// its first 126 characters.
std::string ReadProfileValue(LogDispatcher& log, ProfileReader& reader, const std::string& section,
                             const std::string& key, const std::string& file);

// Reads the six settings in their order (and BaseContract, a text, after
// ClassCode) into settings, each kept as soon as
// it is read, so a start-up that fails half-way still knows the texts read
// before the failure. A missing or non-numeric Size, SafeSpread or Compact
// raises the type-mismatch error 13 as soon as it is read; a value beyond 32
// bits raises the overflow error 6. keyBeingRead, when given, names the
// numeric key being read while it is, and is empty once all are read: after
// a failure it names the key that failed.
void ReadSettings(LogDispatcher& log, ProfileReader& reader, const std::string& iniFile,
                  char decimalSeparator, Settings& settings, std::string* keyBeingRead = nullptr);

}  // namespace vestrel
