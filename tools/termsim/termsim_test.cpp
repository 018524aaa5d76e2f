#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "book/order_book.h"
#include "dde/xltable_decoder.h"
#include "fakes/fake_ports.h"
#include "market.h"
#include "models/main_window_model.h"
#include "options.h"
#include "poke_schedule.h"
#include "xltable_writer.h"

namespace vestrel::termsim {
namespace {

using Grid = std::vector<std::vector<std::string>>;
using Bytes = std::vector<std::uint8_t>;
using xltable::EncodeXLTable;

// The panel's decoder over the bytes: the table's cells 1..R x 1..C, with '.'
// as the decimal separator.
Grid Decode(const Bytes& bytes) {
  testing::FakeLogServices services;
  services.Regional.Separator = '.';
  Grid grid;
  XLTableDecoder decoder(services.Log, services.AppLog, services.Regional,
                         [&](std::int32_t /*instance*/, const DecodedTable& table) {
                           for (std::int32_t r = 1; r <= table.Rows(); ++r) {
                             auto& row = grid.emplace_back();
                             for (std::int32_t c = 1; c <= table.Columns(); ++c) {
                               row.push_back(table.Cell(r, c));
                             }
                           }
                         });
  std::int32_t instance = 1;
  decoder.Decode(instance, bytes);
  EXPECT_TRUE(services.AppLog.Entries.empty());
  return grid;
}

TEST(Market, BooksHaveTheTerminalsLayout) {
  MarketOptions options;
  options.Levels = 3;
  options.Start = 1000;
  options.Tick = 5;
  Market market(options);
  EXPECT_EQ(market.Rows(), 7U);
  EXPECT_EQ(market.Columns(), 3U);
  const Grid book = Decode(EncodeXLTable(market.Next()));
  ASSERT_EQ(book.size(), 7U);
  EXPECT_EQ(book[0], (std::vector<std::string>{"BUY_VOLUME", "PRICE", "SELL_VOLUME"}));
  // The first book: the best sell price where the options start it, one tick
  // of spread.
  EXPECT_EQ(market.BestSell(), 1000);
  EXPECT_EQ(market.BestBuy(), 995);
  const std::vector<std::string> prices{"1010", "1005", "1000", "995", "990", "985"};
  for (std::size_t level = 0; level < 6; ++level) {
    const auto& row = book[level + 1];
    EXPECT_EQ(row[1], prices[level]);
    const bool sell = level < 3;
    EXPECT_EQ(row[0].empty(), sell) << level;
    EXPECT_EQ(row[2].empty(), !sell) << level;
    const std::string& volume = sell ? row[2] : row[0];
    EXPECT_GE(std::stoi(volume), 1);
    EXPECT_LE(std::stoi(volume), 500);
  }
  // The top the stand-in library fills against is the book's.
  EXPECT_EQ(market.Top(7), (BookTop{7, BookLevel{1000, std::stoll(book[3][2])},
                                    BookLevel{995, std::stoll(book[4][0])}}));
}

TEST(Market, TheWalkMovesATickAtMostAndTheSpreadIsOneOrTwoTicks) {
  MarketOptions options;
  options.Levels = 2;
  options.Start = 50;
  options.Tick = 1;
  options.Seed = 42;
  Market market(options);
  market.Next();
  double last = market.BestSell();
  bool moved = false;
  bool wide = false;
  for (int i = 0; i < 500; ++i) {
    market.Next();
    EXPECT_LE(std::abs(market.BestSell() - last), 1.0);
    moved = moved || market.BestSell() != last;
    const double spread = market.BestSell() - market.BestBuy();
    EXPECT_TRUE(spread == 1 || spread == 2) << spread;
    wide = wide || spread == 2;
    // Every price stays above 0.
    EXPECT_GT(market.BestBuy() - (options.Levels - 1) * options.Tick, 0);
    last = market.BestSell();
  }
  EXPECT_TRUE(moved);
  EXPECT_TRUE(wide);
}

TEST(Market, TheSameSeedGivesTheSameBooks) {
  MarketOptions options;
  options.Seed = 7;
  Market a(options);
  Market b(options);
  options.Seed = 8;
  Market c(options);
  bool differs = false;
  for (int i = 0; i < 20; ++i) {
    const Bytes bookA = EncodeXLTable(a.Next());
    EXPECT_EQ(bookA, EncodeXLTable(b.Next()));
    differs = differs || bookA != EncodeXLTable(c.Next());
  }
  EXPECT_TRUE(differs);
}

TEST(Market, ColumnsFollowTheirTitles) {
  MarketOptions options;
  options.Levels = 1;
  options.Columns = {"PRICE", "VOLUME", "QTY"};
  Market market(options);
  const Grid book = Decode(EncodeXLTable(market.Next()));
  ASSERT_EQ(book.size(), 3U);
  EXPECT_EQ(book[0], (std::vector<std::string>{"PRICE", "VOLUME", "QTY"}));
  EXPECT_FALSE(book[1][1].empty());
  EXPECT_FALSE(book[2][1].empty());
  EXPECT_EQ(book[1][2], "");
  EXPECT_EQ(book[2][2], "");
  EXPECT_THROW(Market(MarketOptions{.Levels = 0}), std::invalid_argument);
}

TEST(Market, ThePanelReadsTheBestPricesWhereTheMarketPutsThem) {
  testing::FakeLogServices services;
  testing::FakeMessageBox messages;
  MainWindowModel window;
  class NoCloser : public MainWindowCloser {
   public:
    void RequestClose() override { FAIL() << "the book's header is right"; }
  } closer;
  OrderBook book(services.Log, services.Regional, messages, window, closer);
  book.SetDdeInstance(1);
  XLTableDecoder decoder(services.Log, services.AppLog, services.Regional,
                         [&](std::int32_t instance, const DecodedTable& table) {
                           book.TableArrived(instance, table);
                         });
  MarketOptions options;
  options.Start = 98650;
  Market market(options);
  for (int i = 0; i < 50; ++i) {
    std::int32_t instance = 1;
    decoder.Decode(instance, EncodeXLTable(market.Next()));
    ASSERT_EQ(window.Caption(ControlId::cmdBestBid),
              std::to_string(static_cast<long long>(market.BestSell())));
    ASSERT_EQ(window.Caption(ControlId::cmdBestAsk),
              std::to_string(static_cast<long long>(market.BestBuy())));
  }
  EXPECT_TRUE(services.AppLog.Entries.empty());
  EXPECT_TRUE(messages.Shown.empty());
}

TEST(PokeSchedule, EvenGapsAtTheRateAndRandomOnesAroundIt) {
  PokeSchedule even = PokeSchedule::AtRate(4, false, 1, 2);  // 8 a second
  for (std::int64_t i = 0; i < 5; ++i) {
    EXPECT_EQ(even.Next(), i * 125'000);
  }
  PokeSchedule fast = PokeSchedule::AtRate(0, true, 1, 1);
  EXPECT_EQ(fast.Next(), 0);
  EXPECT_EQ(fast.Next(), 0);

  // 10 a second on average, irregularly, and the same for the same seed.
  PokeSchedule random = PokeSchedule::AtRate(10, true, 5, 1);
  PokeSchedule same = PokeSchedule::AtRate(10, true, 5, 1);
  std::int64_t last = random.Next();
  EXPECT_EQ(same.Next(), 0);
  int shortGaps = 0;
  int longGaps = 0;
  for (int i = 0; i < 2000; ++i) {
    const std::int64_t due = random.Next();
    EXPECT_EQ(same.Next(), due);
    ASSERT_GE(due, last);
    shortGaps += due - last < 50'000 ? 1 : 0;
    longGaps += due - last > 200'000 ? 1 : 0;
    last = due;
  }
  EXPECT_NEAR(static_cast<double>(last) / 2000, 100'000, 10'000);
  EXPECT_GT(shortGaps, 600);  // 1 - e^-0.5 (39%) are shorter than half the mean
  EXPECT_GT(longGaps, 150);   // e^-2 (14%) are longer than twice the mean
}

TEST(PokeSchedule, RecordedGapsAreKeptDividedByTheSpeedAndStartOver) {
  // 2026-11-30 and on; the clock was set back before the fourth poke.
  const std::int64_t t0 = 1'796'000'000'000'000;
  PokeSchedule schedule = PokeSchedule::Recorded(
      {t0, t0 + 300'000, t0 + 900'000, t0 + 850'000, t0 + 1'450'000}, 3, 5e6);
  std::vector<std::int64_t> due;
  for (int i = 0; i < 7; ++i) {
    due.push_back(schedule.Next());
    EXPECT_EQ(schedule.CutGap(), 0);
  }
  // Gaps of 100, 200, 0 and 200 ms; after 500 ms the mean gap, 125 ms.
  EXPECT_EQ(due,
            (std::vector<std::int64_t>{0, 100'000, 300'000, 300'000, 500'000, 625'000, 725'000}));

  // A clock set a year forward (and one set to the end of time) waits the
  // longest wait, and says so.
  constexpr std::int64_t kYear = 365LL * 86'400'000'000;
  PokeSchedule jumps = PokeSchedule::Recorded(
      {t0, t0 + kYear, t0 + kYear + 2'000'000, INT64_MAX, INT64_MAX}, 1, 2e6);
  std::vector<std::int64_t> cutDue;
  std::vector<double> cut;
  for (int i = 0; i < 5; ++i) {
    cutDue.push_back(jumps.Next());
    cut.push_back(jumps.CutGap());
  }
  EXPECT_EQ(cutDue, (std::vector<std::int64_t>{0, 2'000'000, 4'000'000, 6'000'000, 6'000'000}));
  EXPECT_EQ(cut[1], static_cast<double>(kYear));
  EXPECT_EQ(cut[2], 0);  // exactly the longest wait is kept
  EXPECT_GT(cut[3], 0);
  EXPECT_EQ(cut[4], 0);
  PokeSchedule one = PokeSchedule::Recorded({t0}, 1, 5e6);
  EXPECT_EQ(one.Next(), 0);
  EXPECT_EQ(one.Next(), 0);
}

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  for (std::size_t at = 0; at < line.size();) {
    const std::size_t end = std::min(line.find(' ', at), line.size());
    words.push_back(line.substr(at, end - at));
    at = end + 1;
  }
  return words;
}

// By default termsim pokes the panel as the terminal does; each option lands
// in its own field.
TEST(Options, DefaultsAreTheTerminalsAndEveryOptionIsRead) {
  const ParsedOptions defaults = ParseOptions({});
  EXPECT_TRUE(defaults.Error.empty());
  EXPECT_EQ(defaults.Values.Service, contract::kDdeService);
  EXPECT_EQ(defaults.Values.Topic, contract::kDdeTopic);
  EXPECT_EQ(defaults.Values.Format, "XlTable");
  EXPECT_EQ(defaults.Values.PokesToSend(0), 100);
  EXPECT_EQ(defaults.Values.Pace, Timing::Rate);
  EXPECT_FALSE(defaults.Values.RandomGaps);

  const ParsedOptions parsed = ParseOptions(
      Words("--service s --topic t --replay in.pokes --record out.pokes --count 0 --rate 2.5 "
            "--levels 4 --start 123.45 --tick 0.05 --max-volume 9 --columns PRICE,VOLUME "
            "--seed 11 --item R1C1:R9C2 --format CF_TEXT --connect-timeout 1.5 --timeout 100 "
            "--gaps random --timing recorded --speed 3.5 --max-wait-ms 250 --keep-going --quiet"));
  ASSERT_TRUE(parsed.Error.empty()) << parsed.Error;
  const Options& o = parsed.Values;
  EXPECT_EQ(std::vector<std::string>({o.Service, o.Topic, o.Replay, o.Record, o.Item, o.Format}),
            Words("s t in.pokes out.pokes R1C1:R9C2 CF_TEXT"));
  EXPECT_EQ(std::vector<double>({o.Rate, o.Speed, o.ConnectTimeout, o.Market.Start, o.Market.Tick}),
            std::vector<double>({2.5, 3.5, 1.5, 123.45, 0.05}));
  EXPECT_EQ(
      std::vector<std::int64_t>({o.PokesToSend(5), o.MaxWaitMs, o.Market.Levels, o.Market.MaxVolume,
                                 static_cast<std::int64_t>(o.Market.Seed), o.Timeout}),
      std::vector<std::int64_t>({0, 250, 4, 9, 11, 100}));
  EXPECT_EQ(o.Market.Columns, Words("PRICE VOLUME"));
  EXPECT_TRUE(o.RandomGaps && o.Pace == Timing::Recorded && o.KeepGoing && o.Quiet);
  EXPECT_EQ(ParseOptions({"--book-file", "top.txt"}).Values.BookFile, "top.txt");
  EXPECT_EQ(ParseOptions({"--replay", "f"}).Values.PokesToSend(7), 7);
  EXPECT_TRUE(ParseOptions({"--help"}).Help);
}

TEST(Options, WrongArgumentsAreReported) {
  for (const char* arguments :
       {"--count -1", "--rate fast", "--rate nan", "--speed inf", "--levels 0", "--tick 0",
        "--timeout 0", "--bogus 1", "--service", "stray", "--dry-run", "--gaps uneven", "--speed 0",
        "--max-wait-ms 0", "--timing recorded", "--dry-run --record f --count 0",
        "--book-file top.txt --replay f"}) {
    EXPECT_FALSE(ParseOptions(Words(arguments)).Error.empty()) << arguments;
  }
}

}  // namespace
}  // namespace vestrel::termsim
