#include "direct_pokes.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <stdexcept>
#include <thread>

namespace vestrel::bench {
namespace {

constexpr long long kTick = 10;
constexpr long long kLowestPrice = 100000;

// Handles the bench's own window messages (a DDE client's among them) while
// it waits, so a program that broadcasts is never held up by it.
void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    DispatchMessageW(&message);
  }
}

// Waits until the counter reaches the time: sleeping while more than a couple
// of milliseconds are left, then yielding.
void WaitUntilCounter(long long due) {
  for (long long now = CounterNanoseconds(); now < due; now = CounterNanoseconds()) {
    PumpMessages();
    if (due - now > 2'000'000) {
      Sleep(1);
    } else {
      SwitchToThread();
    }
  }
}

}  // namespace

AlternatingBook BookForTurn(int levels, long long turn) {
  const long long top = kLowestPrice + kTick * (2LL * levels - 1) + kTick * (turn % 2);
  std::vector<e2e::Level> rows;
  for (int j = 0; j < 2 * levels; ++j) {
    const double price = static_cast<double>(top - kTick * j);
    if (j < levels) {
      rows.push_back({static_cast<double>(1 + j % 7), price, 0});
    } else {
      rows.push_back({0, price, static_cast<double>(1 + j % 5)});
    }
  }
  // The panel's cmdBestBid shows the level just above the middle.
  const long long bestBid = top - kTick * (levels - 1);
  return {e2e::EncodeBook(rows), e2e::BookItem(rows), std::to_wstring(bestBid)};
}

RatePokes PokeAtRate(e2e::TerminalClient& client, int levels, double rate, long long count,
                     long long firstTurn, const std::function<void(long long)>& beforePoke) {
  std::vector<AlternatingBook> books;
  for (long long turn = firstTurn; turn < firstTurn + 2; ++turn) {
    books.push_back(BookForTurn(levels, turn));
  }
  RatePokes pokes;
  pokes.Sent.reserve(static_cast<std::size_t>(count));
  pokes.Acknowledged.reserve(static_cast<std::size_t>(count));
  const auto interval = static_cast<long long>(1e9 / rate);
  const long long start = CounterNanoseconds() + interval;
  for (long long i = 0; i < count; ++i) {
    WaitUntilCounter(start + i * interval);
    if (beforePoke) {
      beforePoke(i);
    }
    const AlternatingBook& book = books[static_cast<std::size_t>(i % 2)];
    pokes.Sent.push_back(CounterNanoseconds());
    if (!client.Poke(book.Item, book.Data)) {
      throw std::runtime_error("the panel did not acknowledge a book poked at " +
                               std::to_string(static_cast<int>(rate)) + " pokes/s");
    }
    pokes.Acknowledged.push_back(CounterNanoseconds());
  }
  return pokes;
}

long long PostClick(HWND mainWindow, int controlId) {
  const long long posted = CounterNanoseconds();
  return PostMessageW(GetDlgItem(mainWindow, controlId), BM_CLICK, 0, 0) != FALSE ? posted : 0;
}

long long PostCommand(HWND mainWindow, int controlId) {
  const HWND button = GetDlgItem(mainWindow, controlId);
  const long long posted = CounterNanoseconds();
  return PostMessageW(mainWindow, WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED),
                      reinterpret_cast<LPARAM>(button)) != FALSE
             ? posted
             : 0;
}

double PokeTruncatedBooks(e2e::TerminalClient& client, int levels, long long count) {
  AlternatingBook book = BookForTurn(levels, 0);
  book.Data.resize(book.Data.size() - 3);
  const long long start = CounterNanoseconds();
  for (long long i = 0; i < count; ++i) {
    if (client.Poke(book.Item, book.Data)) {
      throw std::runtime_error("the panel acknowledged a book cut short");
    }
  }
  return static_cast<double>(CounterNanoseconds() - start) / 1e9;
}

BacklogRun PokeUnderPostedBacklog(e2e::TerminalClient& client, HWND panel, int levels,
                                  long long count, long long firstTurn) {
  BacklogRun run;
  run.Acknowledged.reserve(static_cast<std::size_t>(count));
  const std::array<AlternatingBook, 2> books = {BookForTurn(levels, firstTurn),
                                                BookForTurn(levels, firstTurn + 1)};
  std::atomic<bool> poking{true};
  std::atomic<long long> posted{0};
  // One posted message, then a sent one: the panel takes a sent message
  // each time it looks at its queue, before the posted ones, so another is
  // posted as soon as it has looked. The queue stays a message or two long.
  std::thread poster([&] {
    // One more posted at the start than taken: one always waits.
    if (PostMessageW(panel, WM_NULL, 0, 0) != FALSE) {
      ++posted;
    }
    while (poking) {
      if (PostMessageW(panel, WM_NULL, 0, 0) != FALSE) {
        ++posted;
      }
      SendMessageTimeoutW(panel, WM_NULL, 0, 0, SMTO_NORMAL, 1000, nullptr);
    }
  });
  bool answered = true;
  for (long long i = 0; i < count && answered; ++i) {
    const AlternatingBook& book = books[static_cast<std::size_t>(i % 2)];
    answered = client.Poke(book.Item, book.Data);
    run.Acknowledged.push_back(CounterNanoseconds());
  }
  poking = false;
  poster.join();
  if (!answered) {
    throw std::runtime_error("the panel did not acknowledge a book under a backlog");
  }
  run.Posted = posted;
  return run;
}

double LargestRoundGap(const std::vector<PaintRound>& rounds, long long firstPoke,
                       long long lastPoke) {
  double largest = 0;
  const PaintRound* previous = nullptr;
  for (const PaintRound& round : rounds) {
    if (round.Pokes < firstPoke || round.Pokes > lastPoke) {
      continue;
    }
    if (previous != nullptr) {
      largest = std::max(
          largest, static_cast<double>(round.StartNanoseconds - previous->StartNanoseconds) / 1e6);
    }
    previous = &round;
  }
  return largest;
}

double LongestBetween(const std::vector<long long>& acknowledged) {
  double longest = 0;
  for (std::size_t i = 1; i < acknowledged.size(); ++i) {
    longest = std::max(longest, static_cast<double>(acknowledged[i] - acknowledged[i - 1]) / 1e6);
  }
  return longest;
}

std::wstring ShownText(HWND window) {
  wchar_t text[256] = {};
  InternalGetWindowText(window, text, static_cast<int>(std::size(text)));
  return text;
}

}  // namespace vestrel::bench
