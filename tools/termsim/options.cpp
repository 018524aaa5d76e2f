#include "options.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace vestrel::termsim {
namespace {

constexpr std::int64_t kDefaultGenerated = 100;

bool ToInteger(const std::string& text, std::int64_t minimum, std::int64_t& value) {
  const char* end = text.data() + text.size();
  std::int64_t parsed = 0;
  const auto result = std::from_chars(text.data(), end, parsed);
  if (result.ec != std::errc() || result.ptr != end || parsed < minimum) {
    return false;
  }
  value = parsed;
  return true;
}

bool ToNumber(const std::string& text, double& value) {
  const char* end = text.data() + text.size();
  double parsed = 0;
  const auto result = std::from_chars(text.data(), end, parsed);
  if (result.ec != std::errc() || result.ptr != end || !std::isfinite(parsed)) {
    return false;
  }
  value = parsed;
  return true;
}

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
  ParsedOptions parsed;
  Options& o = parsed.Values;
  const auto fail = [&](const std::string& problem) {
    parsed.Error = problem;
    return parsed;
  };
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& name = arguments[i];
    if (name == "--help" || name == "-h") {
      parsed.Help = true;
      continue;
    }
    if (name == "--dry-run") {
      o.DryRun = true;
      continue;
    }
    if (name == "--keep-going") {
      o.KeepGoing = true;
      continue;
    }
    if (name == "--quiet") {
      o.Quiet = true;
      continue;
    }
    if (i + 1 >= arguments.size()) {
      return fail(name.rfind("--", 0) == 0 ? name + " needs a value" : "unknown argument " + name);
    }
    const std::string& value = arguments[++i];
    std::int64_t integer = 0;
    double number = 0;
    if (name == "--service") {
      o.Service = value;
    } else if (name == "--topic") {
      o.Topic = value;
    } else if (name == "--replay") {
      o.Replay = value;
    } else if (name == "--record") {
      o.Record = value;
    } else if (name == "--item") {
      o.Item = value;
    } else if (name == "--format") {
      o.Format = value;
    } else if (name == "--count") {
      if (!ToInteger(value, 0, integer)) {
        return fail("--count needs a whole number of 0 or more");
      }
      o.Count = integer;
    } else if (name == "--rate") {
      if (!ToNumber(value, number) || number < 0) {
        return fail("--rate needs a number of 0 or more");
      }
      o.Rate = number;
    } else if (name == "--gaps") {
      if (value != "even" && value != "random") {
        return fail("--gaps needs even or random");
      }
      o.RandomGaps = value == "random";
    } else if (name == "--timing") {
      if (value != "rate" && value != "recorded") {
        return fail("--timing needs rate or recorded");
      }
      o.Pace = value == "recorded" ? Timing::Recorded : Timing::Rate;
    } else if (name == "--speed") {
      if (!ToNumber(value, number) || number <= 0) {
        return fail("--speed needs a number above 0");
      }
      o.Speed = number;
    } else if (name == "--max-wait-ms") {
      if (!ToInteger(value, 1, integer)) {
        return fail("--max-wait-ms needs a number of milliseconds above 0");
      }
      o.MaxWaitMs = integer;
    } else if (name == "--connect-timeout") {
      if (!ToNumber(value, number) || number < 0) {
        return fail("--connect-timeout needs a number of seconds");
      }
      o.ConnectTimeout = number;
    } else if (name == "--timeout") {
      if (!ToInteger(value, 1, integer) || integer > std::numeric_limits<std::uint32_t>::max()) {
        return fail("--timeout needs a number of milliseconds above 0");
      }
      o.Timeout = static_cast<std::uint32_t>(integer);
    } else if (name == "--levels") {
      if (!ToInteger(value, 1, integer) || integer > 32767) {
        return fail("--levels needs a whole number from 1 to 32767");
      }
      o.Market.Levels = static_cast<int>(integer);
    } else if (name == "--start") {
      if (!ToNumber(value, number) || number <= 0) {
        return fail("--start needs a price above 0");
      }
      o.Market.Start = number;
    } else if (name == "--tick") {
      if (!ToNumber(value, number) || number <= 0) {
        return fail("--tick needs a step above 0");
      }
      o.Market.Tick = number;
    } else if (name == "--max-volume") {
      if (!ToInteger(value, 1, integer) || integer > 1000000000) {
        return fail("--max-volume needs a whole number above 0");
      }
      o.Market.MaxVolume = static_cast<int>(integer);
    } else if (name == "--columns") {
      o.Market.Columns = SplitTitles(value);
      if (o.Market.Columns.size() > 65535) {
        return fail("--columns: too many columns");
      }
    } else if (name == "--seed") {
      if (!ToInteger(value, 0, integer)) {
        return fail("--seed needs a whole number of 0 or more");
      }
      o.Market.Seed = static_cast<std::uint64_t>(integer);
    } else {
      return fail("unknown option " + name);
    }
  }
  if (o.DryRun && o.Record.empty() && !parsed.Help) {
    return fail("--dry-run only makes sense with --record");
  }
  if (o.Pace == Timing::Recorded && o.Replay.empty()) {
    return fail("--timing recorded needs a --replay FILE");
  }
  if (o.DryRun && o.Count == 0) {
    return fail("--dry-run needs a --count above 0");
  }
  return parsed;
}

}  // namespace vestrel::termsim
