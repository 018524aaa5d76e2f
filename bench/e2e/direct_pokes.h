#pragma once

// The bench's own pokes to the panel, as the terminal sends them: books at a
// steady rate with the time each was acknowledged, and a flood of books cut
// short, which the panel refuses.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bench_figures.h"
#include "harness/panel_session.h"
#include "win32/counter_clock.h"

namespace vestrel::bench {

// The performance counter in nanoseconds: the clock the panel's timing report
// uses, the same in every process.
using win32::CounterNanoseconds;

// A book of that many levels a side whose prices all lie one tick higher on
// odd turns than on even ones, so that every turn changes every price caption.
struct AlternatingBook {
  std::vector<std::uint8_t> Data;
  std::string Item;
  std::wstring BestBid;  // the caption cmdBestBid shows for it
};
AlternatingBook BookForTurn(int levels, long long turn);

// Pokes count books, one every 1/rate seconds, each the next turn of
// BookForTurn, calling beforePoke(i), when given, just before poke i goes
// out; returns when each went out and when it was acknowledged
// (CounterNanoseconds). Throws unless every poke was acknowledged.
struct RatePokes {
  std::vector<long long> Sent;
  std::vector<long long> Acknowledged;
};
RatePokes PokeAtRate(e2e::TerminalClient& client, int levels, double rate, long long count,
                     long long firstTurn, const std::function<void(long long)>& beforePoke = {});

// Posts a click (BM_CLICK) to a button of the panel, as a hotkey tool does,
// and returns when it was posted (CounterNanoseconds); 0 when it could not
// be posted.
long long PostClick(HWND mainWindow, int controlId);
// Posts the button's notification of a click (WM_COMMAND, BN_CLICKED) to the
// panel's window itself, as PostClick returns.
long long PostCommand(HWND mainWindow, int controlId);

// Pokes count books cut short (the last three bytes left off), as fast as
// they are answered; returns the seconds they took. Throws if one is not
// refused.
double PokeTruncatedBooks(e2e::TerminalClient& client, int levels, long long count);

// Pokes count books, each the next turn of BookForTurn, as fast as they are
// answered, while another thread keeps a posted WM_NULL waiting in the
// panel's queue, so that a timer's message (which comes only when no posted
// message waits) is held back. Throws unless every poke was acknowledged.
struct BacklogRun {
  std::vector<long long> Acknowledged;  // each poke's, as PokeAtRate gives them
  long long Posted = 0;                 // messages posted meanwhile
};
BacklogRun PokeUnderPostedBacklog(e2e::TerminalClient& client, HWND panel, int levels,
                                  long long count, long long firstTurn);

// The largest gap, in milliseconds, between the starts of two repaint rounds
// that ran while the panel was decoding its pokes firstPoke to lastPoke; 0
// when fewer than two did.
double LargestRoundGap(const std::vector<PaintRound>& rounds, long long firstPoke,
                       long long lastPoke);

// The longest time between two acknowledgements, in milliseconds.
double LongestBetween(const std::vector<long long>& acknowledged);

// The text a window of another process shows, as a screen reader gets it
// (no message is sent to the window).
std::wstring ShownText(HWND window);

}  // namespace vestrel::bench
