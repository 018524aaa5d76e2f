#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "contract/automation_contract.h"
#include "market.h"

namespace vestrel::termsim {

inline constexpr const char* kUsage =
    "usage: termsim [OPTIONS]\n"
    "Connects to a DDE server as the QUIK terminal does and pokes order books in\n"
    "XLTable to the item R1C1:R<rows>C<cols>, generated or replayed from a file.\n"
    "\n"
    "  --service NAME       DDE service (default a)\n"
    "  --topic NAME         DDE topic (default b)\n"
    "  --replay FILE        poke the recorded pokes of FILE, in order, instead of\n"
    "                       generated books\n"
    "  --count N            pokes to send; 0 sends without end (default: every\n"
    "                       recorded poke once, or 100 generated books)\n"
    "  --rate R             pokes a second, R > 0; 0 as fast as possible (default 10)\n"
    "  --gaps even|random   the gaps between pokes at the rate: even, or drawn at\n"
    "                       random (exponentially, from --seed) with the same mean\n"
    "                       (default even)\n"
    "  --timing rate|recorded\n"
    "                       replay at --rate, or with the gaps the replayed\n"
    "                       recording's arrival times had (default rate)\n"
    "  --speed X            X times faster, X > 0: every gap divided by X (default 1)\n"
    "  --record FILE        append every poke sent to the recording FILE, with the\n"
    "                       time it was sent (a dry run: when it was due)\n"
    "  --dry-run            connect to nothing: only generate (and record)\n"
    "  --levels N           price levels a side (default 10)\n"
    "  --start PRICE        the first best sell price (default 100000)\n"
    "  --tick STEP          the price step (default 10)\n"
    "  --max-volume N       volumes are drawn from 1 to N (default 500)\n"
    "  --columns T1,T2,...  the column titles (default BUY_VOLUME,PRICE,SELL_VOLUME);\n"
    "                       PRICE, SELL_VOLUME, BUY_VOLUME and VOLUME are filled,\n"
    "                       any other title leaves its column empty\n"
    "  --seed N             the random walk's seed (default 1)\n"
    "  --item ITEM          poke to ITEM instead of R1C1:R<rows>C<cols>\n"
    "  --format NAME        clipboard format of the pokes: a registered format's\n"
    "                       name (default XlTable) or CF_TEXT\n"
    "  --connect-timeout S  seconds to keep trying to connect (default 30)\n"
    "  --timeout MS         milliseconds a poke may take (default 5000)\n"
    "  --keep-going         go on after a refused or failed poke (default: stop)\n"
    "  --quiet              print only the summary\n"
    "\n"
    "Prints a line per poke (unless --quiet) and a summary. Exit codes: 0 every\n"
    "poke acknowledged, 1 a poke refused or failed, 2 no server to connect to,\n"
    "3 bad arguments or an unreadable or unwritable file.\n";

enum class Timing { Rate, Recorded };

struct Options {
  std::string Service = contract::kDdeService;
  std::string Topic = contract::kDdeTopic;
  std::string Replay;  // empty: generated books
  std::string Record;  // empty: nothing recorded
  std::string Item;    // empty: the sheet's range
  std::string Format = "XlTable";
  std::int64_t Count = -1;  // -1: the default; 0: without end
  double Rate = 10;         // 0: as fast as possible
  bool RandomGaps = false;
  Timing Pace = Timing::Rate;
  double Speed = 1;
  double ConnectTimeout = 30;
  std::uint32_t Timeout = 5000;
  bool DryRun = false;
  bool KeepGoing = false;
  bool Quiet = false;
  MarketOptions Market;

  // The count that applies: Count, or its default for the source.
  std::int64_t PokesToSend(std::size_t recorded) const;
};

struct ParsedOptions {
  Options Values;
  bool Help = false;
  std::string Error;  // not empty: the arguments were wrong
};

// Parses the arguments after the program's name.
ParsedOptions ParseOptions(const std::vector<std::string>& arguments);

}  // namespace vestrel::termsim
