#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ports/clock.h"
#include "ports/event_log.h"
#include "ports/file_system.h"
#include "ports/regional_settings.h"

namespace vestrel {

// Appends every poke the panel receives to a recording (poke_recording.h),
// stamped with its arrival time. A poke costs a copy into memory; the buffer
// goes to the file at every Flush (the panel's tick, well within a second), at
// Stop, and whenever it grows past a few megabytes. Nothing here reaches the
// trading: a file that cannot be opened or written is one warning in the
// application log, and recording ends there.
class PokeRecorder {
 public:
  // Its warnings are in the trader's interface language (English without
  // regional settings).
  PokeRecorder(FileSystem& files, const Clock& clock, EventLog& appLog,
               const RegionalSettings* regional = nullptr)
      : files_(files), clock_(clock), appLog_(appLog), regional_(regional) {}

  PokeRecorder(const PokeRecorder&) = delete;
  PokeRecorder& operator=(const PokeRecorder&) = delete;
  ~PokeRecorder() { Stop(); }

  // Starts recording to the file at path, appending to the recording it
  // holds after its last whole poke; false (and one warning) when it names a
  // device, cannot be opened or holds anything else.
  bool Start(const std::string& path);
  bool Recording() const { return file_ != nullptr; }

  // Buffers one poke with the time it arrived (now). Never throws.
  void Record(std::string_view item, std::span<const std::uint8_t> data) noexcept;
  // Writes what is buffered. Never throws.
  void Flush() noexcept;
  // Flushes and closes the file.
  void Stop() noexcept;

  // What grows the buffer before the file is written at once.
  static constexpr std::size_t kFlushAtBytes = std::size_t{4} << 20;

 private:
  // A recording that ends inside a poke loses that poke's bytes (one
  // warning); a file that cannot be cut throws.
  void CutPartialPoke(BinaryAppendFile& file);
  // One warning; recording ends.
  void Fail(const std::string& problem) noexcept;
  UiLanguage Language() const {
    return regional_ != nullptr ? regional_->InterfaceLanguage() : UiLanguage::English;
  }

  FileSystem& files_;
  const Clock& clock_;
  EventLog& appLog_;
  const RegionalSettings* regional_;
  std::string path_;
  std::unique_ptr<BinaryAppendFile> file_;
  std::vector<std::uint8_t> buffer_;
  std::size_t bufferedPokes_ = 0;
};

}  // namespace vestrel
