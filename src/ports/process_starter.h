#pragma once

#include <string>

namespace vestrel {

// Starting outside programs. Paths are UTF-8.
class ProcessStarter {
 public:
  virtual ~ProcessStarter() = default;
  // Starts the program at programPath (the path alone, no arguments) as a
  // new process with a normal, focused window and returns at once, without
  // waiting for it. False when it could not be started.
  virtual bool Start(const std::string& programPath) = 0;
  // Whether a file (not a folder) of that path exists.
  virtual bool FileExists(const std::string& path) = 0;
};

}  // namespace vestrel
