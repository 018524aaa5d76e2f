#pragma once

#include <memory>
#include <string>

#include "diag/poke_timings.h"
#include "ports/clock.h"

namespace vestrel::win32 {

// Where the pokes' time goes, when VESTREL_POKE_TIMINGS names a file for the
// report (written when the window closes); off otherwise.
class PokeTimingsReport {
 public:
  explicit PokeTimingsReport(const Clock& clock);
  // Null when the report is off.
  PokeTimings* Timings() const { return timings_.get(); }
  // Writes the report to its file, when it is on.
  void Write() const;

 private:
  std::wstring file_;
  std::unique_ptr<PokeTimings> timings_;
};

}  // namespace vestrel::win32
