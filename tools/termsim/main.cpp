// termsim: the trading terminal's side of the panel's DDE. Connects to the
// panel's DDE service as QUIK does and pokes order books in XLTable, generated
// by a random-walk market or replayed from a recording; see options.cpp (or
// --help) for the arguments and README.md for the recording's format.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "book_top.h"
#include "dde_client.h"
#include "market.h"
#include "options.h"
#include "poke_schedule.h"
#include "recording/poke_recording.h"
#include "xltable_writer.h"

namespace {

using vestrel::RecordedPoke;
using vestrel::termsim::DdeClient;
using vestrel::termsim::Market;
using vestrel::termsim::Options;
using vestrel::termsim::PokeSchedule;
using vestrel::termsim::Timing;
using Clock = std::chrono::steady_clock;

constexpr int kAllAcknowledged = 0;
constexpr int kNotAcknowledged = 1;
constexpr int kNoServer = 2;
constexpr int kBadArguments = 3;

const char* AnswerName(DdeClient::Answer answer) {
  switch (answer) {
    case DdeClient::Answer::Acknowledged:
      return "acknowledged";
    case DdeClient::Answer::Refused:
      return "refused";
    default:
      return "failed";
  }
}

// A recording that termsim appends to: the header first when the file is new
// or empty; any other file is refused.
class RecordFile {
 public:
  bool Open(const std::string& path, std::string& problem) {
    std::vector<std::uint8_t> start(vestrel::kRecordingHeaderSize);
    std::ifstream existing(path, std::ios::binary);
    existing.read(reinterpret_cast<char*>(start.data()),
                  static_cast<std::streamsize>(start.size()));
    start.resize(existing ? start.size() : static_cast<std::size_t>(existing.gcount()));
    problem = vestrel::AppendProblem(start);
    if (!problem.empty()) {
      problem = "cannot record to " + path + ": " + problem;
      return false;
    }
    if (!start.empty() && !CutPartialPoke(path, existing, problem)) {
      return false;
    }
    existing.close();
    file_.open(path, std::ios::binary | std::ios::app);
    if (start.empty()) {
      Write(vestrel::RecordingHeader());
    }
    if (!file_) {
      problem = "cannot write " + path;
      return false;
    }
    return true;
  }

  bool IsOpen() const { return file_.is_open(); }

  bool Append(std::int64_t utcMicroseconds, const RecordedPoke& poke) {
    record_.clear();
    vestrel::AppendPokeRecord(record_, utcMicroseconds, poke.Item, poke.Data);
    Write(record_);
    return static_cast<bool>(file_);
  }

 private:
  // A recording that ends inside a poke (a power cut, a partial copy) loses
  // that poke's bytes first: appended to as it is, every later poke would be
  // read as part of it.
  static bool CutPartialPoke(const std::string& path, std::ifstream& file, std::string& problem) {
    file.clear();
    file.seekg(0, std::ios::end);
    const auto size = static_cast<std::uint64_t>(file.tellg());
    const std::uint64_t whole =
        vestrel::EndOfWholePokes(size, [&](std::uint64_t offset, std::size_t count) {
          std::vector<std::uint8_t> bytes(count);
          file.clear();
          file.seekg(static_cast<std::streamoff>(offset));
          file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
          bytes.resize(static_cast<std::size_t>(file.gcount()));
          return bytes;
        });
    if (whole == size) {
      return true;
    }
    std::error_code error;
    std::filesystem::resize_file(path, whole, error);
    if (error) {
      problem = "cannot cut the partial last poke off " + path + ": " + error.message();
      return false;
    }
    std::fprintf(stderr, "termsim: %s ended inside a poke: its last %llu bytes were cut off\n",
                 path.c_str(), static_cast<unsigned long long>(size - whole));
    return true;
  }

  void Write(const std::vector<std::uint8_t>& bytes) {
    file_.write(reinterpret_cast<const char*>(bytes.data()),
                static_cast<std::streamsize>(bytes.size()));
    file_.flush();
  }

  std::ofstream file_;
  std::vector<std::uint8_t> record_;
};

std::int64_t UtcMicrosecondsNow() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// Writes the top of the book just poked for the stand-in transaction library:
// through a new file put in its place, so that the library never reads half
// a line; in place when the file cannot be replaced (the library has it open
// on a system that does not allow that).
bool WriteBookTop(const std::string& path, const std::string& text) {
  const std::string fresh = path + ".new";
  {
    std::ofstream out(fresh, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) {
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(fresh, path, error);
  if (!error) {
    return true;
  }
  std::filesystem::remove(fresh, error);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

// The pokes to send: the recorded ones in turn, or the market's books.
class PokeSource {
 public:
  explicit PokeSource(const Options& options) : options_(options) {
    if (options.Replay.empty()) {
      market_.emplace(options.Market);
    }
  }

  // Reads the replay file; false with a message on failure.
  bool Load(std::string& problem) {
    if (options_.Replay.empty()) {
      return true;
    }
    std::ifstream file(options_.Replay, std::ios::binary);
    if (!file) {
      problem = "cannot read " + options_.Replay;
      return false;
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                          std::istreambuf_iterator<char>());
    vestrel::Recording recording;
    try {
      recording = vestrel::ReadRecording(bytes);
    } catch (const std::exception& error) {
      problem = options_.Replay + ": " + error.what();
      return false;
    }
    recorded_ = std::move(recording.Pokes);
    if (recorded_.empty()) {
      problem = options_.Replay + " holds no pokes";
      return false;
    }
    if (!recording.CutShort.empty()) {
      std::fprintf(stderr, "termsim: %s: %s; the %zu whole pokes are replayed\n",
                   options_.Replay.c_str(), recording.CutShort.c_str(), recorded_.size());
    }
    if (options_.Pace == Timing::Recorded && recording.Version < vestrel::kRecordingVersion) {
      problem =
          options_.Replay + " holds no arrival times (a text file of pokes); replay it at a --rate";
      return false;
    }
    return true;
  }

  PokeSchedule Schedule() const {
    if (options_.Pace == Timing::Recorded) {
      std::vector<std::int64_t> times;
      times.reserve(recorded_.size());
      for (const RecordedPoke& poke : recorded_) {
        times.push_back(poke.UtcMicroseconds);
      }
      return PokeSchedule::Recorded(times, options_.Speed,
                                    static_cast<double>(options_.MaxWaitMs) * 1000);
    }
    return PokeSchedule::AtRate(options_.Rate, options_.RandomGaps, options_.Market.Seed,
                                options_.Speed);
  }

  std::size_t Recorded() const { return recorded_.size(); }

  // The top of the generated book sent last, as the poke numbered sequence.
  std::optional<vestrel::termsim::BookTop> Top(std::uint64_t sequence) const {
    return market_ ? std::optional(market_->Top(sequence)) : std::nullopt;
  }

  RecordedPoke Next() {
    if (market_) {
      const auto sheet = market_->Next();
      RecordedPoke poke;
      poke.Item = options_.Item.empty()
                      ? vestrel::xltable::RangeItem(market_->Rows(), market_->Columns())
                      : options_.Item;
      poke.Data = vestrel::xltable::EncodeXLTable(sheet);
      return poke;
    }
    RecordedPoke poke = recorded_[next_++ % recorded_.size()];
    if (!options_.Item.empty()) {
      poke.Item = options_.Item;
    }
    return poke;
  }

 private:
  const Options& options_;
  std::optional<Market> market_;
  std::vector<RecordedPoke> recorded_;
  std::size_t next_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const auto parsed = vestrel::termsim::ParseOptions(arguments);
  if (parsed.Help) {
    std::fputs(parsed.Usage.c_str(), stdout);
    return kAllAcknowledged;
  }
  if (!parsed.Error.empty()) {
    std::fprintf(stderr, "termsim: %s\n%s", parsed.Error.c_str(), parsed.Usage.c_str());
    return kBadArguments;
  }
  const Options& options = parsed.Values;

  PokeSource source(options);
  std::string problem;
  if (!source.Load(problem)) {
    std::fprintf(stderr, "termsim: %s\n", problem.c_str());
    return kBadArguments;
  }
  RecordFile record;
  if (!options.Record.empty() && !record.Open(options.Record, problem)) {
    std::fprintf(stderr, "termsim: %s\n", problem.c_str());
    return kBadArguments;
  }

  std::unique_ptr<DdeClient> client;
  unsigned format = 0;
  if (!options.DryRun) {
    try {
      client = std::make_unique<DdeClient>();
    } catch (const std::exception& error) {
      std::fprintf(stderr, "termsim: %s\n", error.what());
      return kNoServer;
    }
    format = DdeClient::FormatOf(options.Format);
    const auto patience =
        std::chrono::milliseconds(static_cast<std::int64_t>(options.ConnectTimeout * 1000));
    if (!client->Connect(options.Service, options.Topic, patience)) {
      std::fprintf(stderr,
                   "termsim: no DDE server answers to service \"%s\" and topic \"%s\" "
                   "(DDEML error 0x%04x)\n",
                   options.Service.c_str(), options.Topic.c_str(), client->LastError());
      return kNoServer;
    }
  }

  const std::int64_t total = options.PokesToSend(source.Recorded());
  PokeSchedule schedule = source.Schedule();
  const auto start = Clock::now();
  const std::int64_t startUtc = UtcMicrosecondsNow();
  std::int64_t sent = 0;
  std::int64_t acknowledged = 0;
  std::int64_t refused = 0;
  std::int64_t failed = 0;
  for (std::int64_t i = 0; total == 0 || i < total; ++i) {
    const std::int64_t dueMicroseconds = schedule.Next();
    if (schedule.CutGap() > 0) {
      std::fprintf(stderr,
                   "termsim: poke %lld was recorded %.3f s after the one before; waiting %.3f s "
                   "(--max-wait-ms)\n",
                   static_cast<long long>(i + 1), schedule.CutGap() * options.Speed / 1e6,
                   static_cast<double>(options.MaxWaitMs) / 1000);
    }
    const auto due = start + std::chrono::microseconds(dueMicroseconds);
    if (client && due > Clock::now()) {
      vestrel::termsim::PumpFor(due - Clock::now());
    }
    const RecordedPoke poke = source.Next();
    if (record.IsOpen() &&
        !record.Append(client ? UtcMicrosecondsNow() : startUtc + dueMicroseconds, poke)) {
      std::fprintf(stderr, "termsim: cannot write %s\n", options.Record.c_str());
      return kBadArguments;
    }
    ++sent;
    if (!client) {
      continue;
    }
    const auto answer = client->Poke(poke.Item, poke.Data, format, options.Timeout);
    const auto top = source.Top(static_cast<std::uint64_t>(sent));
    if (!options.BookFile.empty() && top &&
        !WriteBookTop(options.BookFile, vestrel::termsim::FormatBookTop(*top))) {
      std::fprintf(stderr, "termsim: cannot write %s\n", options.BookFile.c_str());
      return kBadArguments;
    }
    switch (answer) {
      case DdeClient::Answer::Acknowledged:
        ++acknowledged;
        break;
      case DdeClient::Answer::Refused:
        ++refused;
        break;
      default:
        ++failed;
        break;
    }
    if (!options.Quiet) {
      std::printf("poke %lld %s %zu bytes: %s\n", static_cast<long long>(sent), poke.Item.c_str(),
                  poke.Data.size(), AnswerName(answer));
      std::fflush(stdout);
    }
    if (answer != DdeClient::Answer::Acknowledged && !options.KeepGoing) {
      break;
    }
    if (answer == DdeClient::Answer::Failed && !client->Connected()) {
      std::fputs("termsim: the server ended the conversation\n", stderr);
      break;
    }
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (client) {
    std::printf(
        "sent %lld pokes: %lld acknowledged, %lld refused, %lld failed in %.3f s (%.0f "
        "pokes/s)\n",
        static_cast<long long>(sent), static_cast<long long>(acknowledged),
        static_cast<long long>(refused), static_cast<long long>(failed), seconds,
        seconds > 0 ? static_cast<double>(sent) / seconds : 0.0);
  } else {
    std::printf("recorded %lld pokes to %s\n", static_cast<long long>(sent),
                options.Record.c_str());
  }
  return refused == 0 && failed == 0 ? kAllAcknowledged : kNotAcknowledged;
}
