#pragma once

// The bench's own pokes to the panel, as the terminal sends them: books at a
// steady rate with the time each was acknowledged, and a flood of books cut
// short, which the panel refuses.
#include <cstdint>
#include <string>
#include <vector>

#include "harness/panel_session.h"

namespace vestrel::bench {

// The performance counter in nanoseconds: the clock the panel's timing report
// uses, the same in every process.
long long CounterNanoseconds();

// A book of that many levels a side whose prices all lie one tick higher on
// odd turns than on even ones, so that every turn changes every price caption.
struct AlternatingBook {
  std::vector<std::uint8_t> Data;
  std::string Item;
  std::wstring BestBid;  // the caption cmdBestBid shows for it
};
AlternatingBook BookForTurn(int levels, long long turn);

// Pokes count books, one every 1/rate seconds, each the next turn of
// BookForTurn; returns each one's acknowledgement time
// (CounterNanoseconds). Throws unless every poke was acknowledged.
std::vector<long long> PokeAtRate(e2e::TerminalClient& client, int levels, double rate,
                                  long long count, long long firstTurn);

// Pokes count books cut short (the last three bytes left off), as fast as
// they are answered; returns the seconds they took. Throws if one is not
// refused.
double PokeTruncatedBooks(e2e::TerminalClient& client, int levels, long long count);

// The text a window of another process shows, as a screen reader gets it
// (no message is sent to the window).
std::wstring ShownText(HWND window);

}  // namespace vestrel::bench
