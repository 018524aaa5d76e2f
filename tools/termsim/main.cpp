// termsim: the trading terminal's side of the panel's DDE. Connects to the
// panel's DDE service as QUIK does and pokes order books in XLTable, generated
// by a random-walk market or replayed from a file of recorded pokes; see
// options.h for the arguments and README.md for the file format.

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dde_client.h"
#include "market.h"
#include "options.h"
#include "poke_file.h"
#include "xltable_writer.h"

namespace {

using vestrel::termsim::DdeClient;
using vestrel::termsim::Market;
using vestrel::termsim::Options;
using vestrel::termsim::RecordedPoke;
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
    const std::string text((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    try {
      recorded_ = vestrel::termsim::ParsePokeFile(text);
    } catch (const std::exception& error) {
      problem = options_.Replay + ": " + error.what();
      return false;
    }
    if (recorded_.empty()) {
      problem = options_.Replay + " holds no pokes";
      return false;
    }
    return true;
  }

  std::size_t Recorded() const { return recorded_.size(); }

  RecordedPoke Next() {
    if (market_) {
      const auto sheet = market_->Next();
      RecordedPoke poke;
      poke.Item = options_.Item.empty()
                      ? vestrel::termsim::RangeItem(market_->Rows(), market_->Columns())
                      : options_.Item;
      poke.Data = vestrel::termsim::EncodeXLTable(sheet);
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
    std::fputs(vestrel::termsim::kUsage, stdout);
    return kAllAcknowledged;
  }
  if (!parsed.Error.empty()) {
    std::fprintf(stderr, "termsim: %s\n%s", parsed.Error.c_str(), vestrel::termsim::kUsage);
    return kBadArguments;
  }
  const Options& options = parsed.Values;

  PokeSource source(options);
  std::string problem;
  if (!source.Load(problem)) {
    std::fprintf(stderr, "termsim: %s\n", problem.c_str());
    return kBadArguments;
  }
  std::ofstream record;
  if (!options.Record.empty()) {
    record.open(options.Record, std::ios::binary | std::ios::app);
    if (!record) {
      std::fprintf(stderr, "termsim: cannot write %s\n", options.Record.c_str());
      return kBadArguments;
    }
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
  const auto start = Clock::now();
  const auto interval = options.Rate > 0 ? std::chrono::duration_cast<Clock::duration>(
                                               std::chrono::duration<double>(1 / options.Rate))
                                         : Clock::duration::zero();
  std::int64_t sent = 0;
  std::int64_t acknowledged = 0;
  std::int64_t refused = 0;
  std::int64_t failed = 0;
  for (std::int64_t i = 0; total == 0 || i < total; ++i) {
    if (options.Rate > 0) {
      const auto due = start + interval * i;
      if (due > Clock::now()) {
        vestrel::termsim::PumpFor(due - Clock::now());
      }
    }
    const RecordedPoke poke = source.Next();
    if (record.is_open()) {
      record << vestrel::termsim::FormatPokeLine(poke);
      record.flush();
      if (!record) {
        std::fprintf(stderr, "termsim: cannot write %s\n", options.Record.c_str());
        return kBadArguments;
      }
    }
    ++sent;
    if (!client) {
      continue;
    }
    const auto answer = client->Poke(poke.Item, poke.Data, format, options.Timeout);
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
