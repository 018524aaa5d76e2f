// What recording costs a poke: the copy into the recorder's buffer with the
// time stamp, and that plus writing the buffer out to a real file at every
// tick (here every 10 pokes, as 10 pokes a second meet a tick of 250 ms).

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "recording/poke_recorder.h"
#include "xltable_writer.h"

namespace {

using vestrel::BinaryAppendFile;

// The calendar as the panel reads it, from the system.
class SystemClock : public vestrel::Clock {
 public:
  std::int64_t MonotonicMicroseconds() const override { return Count<std::chrono::steady_clock>(); }
  std::int64_t UtcMicroseconds() const override { return Count<std::chrono::system_clock>(); }

 private:
  template <class C>
  static std::int64_t Count() {
    return std::chrono::duration_cast<std::chrono::microseconds>(C::now().time_since_epoch())
        .count();
  }
};

class NoEventLog : public vestrel::EventLog {
 public:
  void Write(std::string_view /*text*/, vestrel::EventType /*type*/) override {}
};

// Files under the system's temporary folder, written through stdio and
// flushed to the system at every append, as the Win32 adapter does.
class StdioFiles : public vestrel::FileSystem {
 public:
  std::string AppDataFolder() override { return "/tmp"; }
  bool FolderExists(const std::string& /*path*/) override { return true; }
  void CreateFolder(const std::string& /*path*/) override {}
  std::unique_ptr<vestrel::AppendFile> OpenForAppend(const std::string& /*path*/) override {
    return nullptr;
  }
  std::unique_ptr<BinaryAppendFile> OpenForBinaryAppend(const std::string& path) override {
    return std::make_unique<StdioFile>(path);
  }
  void DeleteFile(const std::string& path) override { std::remove(path.c_str()); }
  char PathSeparator() const override { return '/'; }

 private:
  class StdioFile : public BinaryAppendFile {
   public:
    explicit StdioFile(const std::string& path) : file_(std::fopen(path.c_str(), "w+b")) {}
    ~StdioFile() override { std::fclose(file_); }
    StdioFile(const StdioFile&) = delete;
    StdioFile& operator=(const StdioFile&) = delete;
    std::vector<std::uint8_t> ReadStart(std::size_t /*count*/) override { return {}; }
    void Append(std::span<const std::uint8_t> bytes) override {
      std::fwrite(bytes.data(), 1, bytes.size(), file_);
      std::fflush(file_);
    }

   private:
    std::FILE* file_;
  };
};

void RecordPokes(benchmark::State& state) {
  const auto levels = static_cast<int>(state.range(0));
  const std::int64_t pokesPerTick = state.range(1);
  const std::vector<std::uint8_t> poke =
      vestrel::xltable::EncodeXLTable(vestrel::xltable::OrderBookSheet(levels, 100000, 10));
  StdioFiles files;
  SystemClock clock;
  NoEventLog log;
  const std::string path = "/tmp/vestrel-recording-bench-" + std::to_string(levels) + ".rec";
  vestrel::PokeRecorder recorder(files, clock, log);
  recorder.Start(path);
  std::int64_t pokes = 0;
  for (auto _ : state) {
    recorder.Record("R1C1:R21C3", poke);
    if (pokesPerTick > 0 && ++pokes % pokesPerTick == 0) {
      recorder.Flush();
    }
  }
  recorder.Stop();
  files.DeleteFile(path);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(poke.size()));
  state.counters["poke_bytes"] = static_cast<double>(poke.size());
}

// Levels a side; pokes between writes (0: only when the buffer is full).
BENCHMARK(RecordPokes)
    ->ArgNames({"levels", "pokes_per_tick"})
    ->Args({10, 0})
    ->Args({50, 0})
    ->Args({10, 10})
    ->Args({50, 10});

}  // namespace
