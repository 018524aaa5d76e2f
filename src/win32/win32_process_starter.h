#pragma once

#include "ports/process_starter.h"

namespace vestrel::win32 {

// Starts programs with CreateProcess, the path given as the program's name
// (never searched for or split at blanks), in a normal, activated window.
class Win32ProcessStarter : public ProcessStarter {
 public:
  bool Start(const std::string& programPath) override;
  bool FileExists(const std::string& path) override;
};

}  // namespace vestrel::win32
