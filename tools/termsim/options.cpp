#include "options.h"

#include <limits>

#include "command_line.h"

namespace vestrel::termsim {
namespace {

constexpr std::int64_t kDefaultGenerated = 100;

constexpr const char* kDescription =
    "Connects to a DDE server as the QUIK terminal does and pokes order books in\n"
    "XLTable to the item R1C1:R<rows>C<cols>, generated or replayed from a file.";

constexpr const char* kExitCodes =
    "Prints a line per poke (unless --quiet) and a summary. Exit codes: 0 every\n"
    "poke acknowledged, 1 a poke refused or failed, 2 no server to connect to,\n"
    "3 bad arguments or an unreadable or unwritable file.";

std::vector<std::string> SplitTitles(const std::string& text) {
  std::vector<std::string> titles;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    titles.push_back(text.substr(start, comma - start));
    if (comma == std::string::npos) {
      return titles;
    }
    start = comma + 1;
  }
}

}  // namespace

std::int64_t Options::PokesToSend(std::size_t recorded) const {
  if (Count >= 0) {
    return Count;
  }
  return Replay.empty() ? kDefaultGenerated : static_cast<std::int64_t>(recorded);
}

ParsedOptions ParseOptions(const std::vector<std::string>& arguments) {
  using cli::NumberFrom;
  using cli::WholeNumber;
  ParsedOptions parsed;
  Options& o = parsed.Values;
  std::string gaps = "even";
  std::string timing = "rate";
  std::string columns;
  std::int64_t timeout = o.Timeout;

  cli::CommandLine line(kDescription, "termsim");
  CLI::App& app = line.App();
  app.footer(kExitCodes);
  app.add_option("--service", o.Service, "DDE service")->capture_default_str()->type_name("NAME");
  app.add_option("--topic", o.Topic, "DDE topic")->capture_default_str()->type_name("NAME");
  app.add_option("--replay", o.Replay,
                 "poke the recorded pokes of FILE, in order, instead of generated books")
      ->type_name("FILE");
  app.add_option("--count", o.Count,
                 "pokes to send; 0 sends without end (default: every recorded poke once, or "
                 "100 generated books)")
      ->check(WholeNumber<std::int64_t>(0, std::numeric_limits<std::int64_t>::max()))
      ->type_name("N");
  app.add_option("--rate", o.Rate, "pokes a second, R > 0; 0 as fast as possible")
      ->check(NumberFrom(0, true, "a number of 0 or more"))
      ->capture_default_str()
      ->type_name("R");
  app.add_option("--gaps", gaps,
                 "the gaps between pokes at the rate: even, or drawn at random (exponentially, "
                 "from --seed) with the same mean")
      ->check(CLI::IsMember({"even", "random"}))
      ->capture_default_str();
  app.add_option("--timing", timing,
                 "replay at --rate, or with the gaps the replayed recording's arrival times had")
      ->check(CLI::IsMember({"rate", "recorded"}))
      ->capture_default_str();
  app.add_option("--speed", o.Speed, "X times faster, X > 0: every gap divided by X")
      ->check(NumberFrom(0, false, "a number above 0"))
      ->capture_default_str()
      ->type_name("X");
  app.add_option("--max-wait-ms", o.MaxWaitMs,
                 "with --timing recorded, wait at most N ms, N > 0, before a poke (a recorded "
                 "clock set forward, a pause); a line says when a wait is cut")
      ->check(WholeNumber<std::int64_t>(1, std::numeric_limits<std::int64_t>::max()))
      ->capture_default_str()
      ->type_name("N");
  app.add_option("--record", o.Record,
                 "append every poke sent to the recording FILE, with the time it was sent (a "
                 "dry run: when it was due)")
      ->type_name("FILE");
  app.add_flag("--dry-run", o.DryRun, "connect to nothing: only generate (and record)");
  app.add_option("--levels", o.Market.Levels, "price levels a side")
      ->check(WholeNumber(1, 32767))
      ->capture_default_str()
      ->type_name("N");
  app.add_option("--start", o.Market.Start, "the first best sell price")
      ->check(NumberFrom(0, false, "a price above 0"))
      ->capture_default_str()
      ->type_name("PRICE");
  app.add_option("--tick", o.Market.Tick, "the price step")
      ->check(NumberFrom(0, false, "a step above 0"))
      ->capture_default_str()
      ->type_name("STEP");
  app.add_option("--max-volume", o.Market.MaxVolume, "volumes are drawn from 1 to N")
      ->check(WholeNumber(1, 1'000'000'000))
      ->capture_default_str()
      ->type_name("N");
  app.add_option("--columns", columns,
                 "the column titles T1,T2,... (default BUY_VOLUME,PRICE,SELL_VOLUME); PRICE, "
                 "SELL_VOLUME, BUY_VOLUME and VOLUME are filled, any other title leaves its "
                 "column empty")
      ->type_name("T1,T2,...");
  app.add_option("--seed", o.Market.Seed, "the random walk's seed")
      ->check(WholeNumber<std::uint64_t>(0, std::numeric_limits<std::int64_t>::max()))
      ->capture_default_str()
      ->type_name("N");
  app.add_option("--item", o.Item, "poke to ITEM instead of R1C1:R<rows>C<cols>")
      ->type_name("ITEM");
  app.add_option("--format", o.Format,
                 "clipboard format of the pokes: a registered format's name, or CF_TEXT")
      ->capture_default_str()
      ->type_name("NAME");
  app.add_option("--connect-timeout", o.ConnectTimeout, "seconds to keep trying to connect")
      ->check(NumberFrom(0, true, "a number of seconds"))
      ->capture_default_str()
      ->type_name("S");
  app.add_option("--timeout", timeout, "milliseconds a poke may take")
      ->check(WholeNumber<std::int64_t>(1, std::numeric_limits<std::uint32_t>::max()))
      ->capture_default_str()
      ->type_name("MS");
  app.add_option("--book-file", o.BookFile,
                 "after each generated book poked, write its best prices and their volumes "
                 "to FILE, where the stand-in TRANS2QUIK.DLL fills resting orders against them")
      ->type_name("FILE");
  app.add_flag("--keep-going", o.KeepGoing, "go on after a refused or failed poke (default: stop)");
  app.add_flag("--quiet", o.Quiet, "print only the summary");

  const cli::ParseResult result = line.Parse(arguments);
  parsed.Help = result.Help;
  parsed.Usage = line.Help();
  parsed.Error = result.Error;
  if (!parsed.Error.empty()) {
    return parsed;
  }
  o.RandomGaps = gaps == "random";
  o.Pace = timing == "recorded" ? Timing::Recorded : Timing::Rate;
  o.Timeout = static_cast<std::uint32_t>(timeout);
  if (!columns.empty()) {
    o.Market.Columns = SplitTitles(columns);
    if (o.Market.Columns.size() > 65535) {
      parsed.Error = "--columns: too many columns";
      return parsed;
    }
  }
  if (o.DryRun && o.Record.empty() && !parsed.Help) {
    parsed.Error = "--dry-run only makes sense with --record";
  } else if (o.Pace == Timing::Recorded && o.Replay.empty()) {
    parsed.Error = "--timing recorded needs a --replay FILE";
  } else if (!o.BookFile.empty() && !o.Replay.empty()) {
    parsed.Error = "--book-file needs generated books (not --replay)";
  } else if (o.DryRun && o.Count == 0) {
    parsed.Error = "--dry-run needs a --count above 0";
  }
  return parsed;
}

}  // namespace vestrel::termsim
