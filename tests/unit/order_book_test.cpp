#include "book/order_book.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "fakes/fake_ports.h"

namespace vestrel {
namespace {

using testing::FakeLogServices;

constexpr std::int32_t kInstance = 0x5A17;

class CountingCloser : public MainWindowCloser {
 public:
  void RequestClose() override { ++Requests; }
  int Requests = 0;
};

// rows[0] is the header row (table row 1); empty strings stay unwritten.
DecodedTable Table(const std::vector<std::vector<std::string>>& rows) {
  std::size_t columns = 0;
  for (const auto& row : rows) {
    columns = std::max(columns, row.size());
  }
  DecodedTable table;
  table.Reset(static_cast<std::int32_t>(rows.size()), static_cast<std::int32_t>(columns));
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < rows[r].size(); ++c) {
      if (!rows[r][c].empty()) {
        table.Set(static_cast<std::int32_t>(r + 1), static_cast<std::int32_t>(c + 1), rows[r][c]);
      }
    }
  }
  return table;
}

struct Level {
  std::string Price;
  std::string Sell;
  std::string Buy;
};

// A book in the terminal's columns: SELL_VOLUME, PRICE, BUY_VOLUME.
DecodedTable Glass(const std::vector<Level>& levels) {
  std::vector<std::vector<std::string>> rows{{"SELL_VOLUME", "PRICE", "BUY_VOLUME"}};
  for (const Level& level : levels) {
    rows.push_back({level.Sell, level.Price, level.Buy});
  }
  return Table(rows);
}

// Ten sell levels over ten buy levels (H = 21), prices 1200 down by 10, with
// the sell volumes of the classic example; row 11 is written with a trailing 0.
std::vector<Level> TwentyLevels() {
  const char* sell[] = {"5", "9", "9", "3", "1", "2", "4", "1", "1", "7"};
  const char* buy[] = {"0", "4", "8", "8", "1", "0", "2", "3", "1", "1"};
  std::vector<Level> levels;
  for (int i = 0; i < 20; ++i) {
    const std::string price = std::to_string(1200 - 10 * i);
    levels.push_back(i < 10 ? Level{price, sell[i], ""} : Level{price, "", buy[i - 10]});
  }
  levels[9].Price = "1110,50";
  return levels;
}

struct BookTest : ::testing::Test {
  BookTest() { book.SetDdeInstance(kInstance); }

  void Poke(const DecodedTable& table) {
    std::int32_t instance = kInstance;
    book.TableArrived(instance, table);
  }
  const std::string& Caption(ControlId id) const { return window.Caption(id); }
  std::array<std::string, 6> Captions() const {
    return {Caption(ControlId::cmdMaxBid),  Caption(ControlId::Label5),
            Caption(ControlId::cmdBestBid), Caption(ControlId::cmdBestAsk),
            Caption(ControlId::cmdMaxAsk),  Caption(ControlId::Label6)};
  }

  FakeLogServices services;
  testing::FakeMessageBox boxes;
  MainWindowModel window;
  CountingCloser closer;
  OrderBook book{services.Log, services.Regional, boxes, window, closer};
};

struct HeaderCase {
  std::vector<std::string> Header;
  bool Valid;
  std::int32_t Price, Bid, Ask;
};

TEST_F(BookTest, HeaderColumnsAreFoundByExactNameAndTheLastMatchWins) {
  const HeaderCase cases[] = {
      {{"BUY_VOLUME", "PRICE", "SELL_VOLUME"}, true, 2, 3, 1},
      {{"PRICE", "VOLUME"}, true, 1, 2, 2},
      {{"PRICE", "VOLUME", "SELL_VOLUME"}, true, 1, 3, 2},
      {{"PRICE", "SELL_VOLUME", "BUY_VOLUME", "QTY", "PRICE"}, true, 5, 2, 3},
      {{"price", "SELL_VOLUME", "BUY_VOLUME"}, false, -1, 2, 3},
      {{"PRICE ", "SELL_VOLUME", "BUY_VOLUME"}, false, -1, 2, 3},
      {{"PRICE", "SELL_VOLUME"}, false, 1, 2, -1},
      {{"", "PRICE", "", "BUY_VOLUME"}, false, 2, -1, 4},
  };
  int boxesExpected = 0;
  for (const HeaderCase& c : cases) {
    SCOPED_TRACE(c.Header[0] + "," + c.Header[1]);
    const DecodedTable table = Table({c.Header, {"1"}, {"2"}, {"3"}});
    const std::optional<GlassColumns> columns = book.FindColumns(table);
    EXPECT_EQ(columns,
              c.Valid ? std::optional(GlassColumns{c.Price, c.Bid, c.Ask, 4}) : std::nullopt);
    EXPECT_FALSE(book.Checking());
    boxesExpected += c.Valid ? 0 : 1;
    ASSERT_EQ(boxes.Shown.size(), static_cast<std::size_t>(boxesExpected));
  }
  EXPECT_EQ(boxes.Shown.back(), "Не верная структура стакана!");
  EXPECT_EQ(boxes.Icons.back(), MessageIcon::None);
  EXPECT_TRUE(services.AppLog.Entries.empty());
}

TEST_F(BookTest, AWrongHeaderShowsTheMessageAfterThePokeAndClosesTheWindowOnceItIsRead) {
  const DecodedTable wrong = Table({{"PRICE", "BUY_VOLUME"}, {"100", ""}, {"90", "3"}});
  const DecodedTable good = Glass(TwentyLevels());
  boxes.HoldLater = true;
  Poke(wrong);
  EXPECT_TRUE(boxes.Shown.empty());  // not inside the poke
  EXPECT_EQ(boxes.Held, std::vector<std::string>{"Не верная структура стакана!"});
  EXPECT_TRUE(book.Checking());  // until the trader closes it

  // While it waits: a check fails at once, and tables are ignored.
  EXPECT_FALSE(book.FindColumns(good));
  Poke(good);
  Poke(wrong);
  EXPECT_EQ(boxes.Held.size(), 1U);  // no second box
  EXPECT_EQ(closer.Requests, 0);     // the window stays while the trader reads

  bool guardWhileOpen = false;
  bool closedWhileOpen = true;
  boxes.WhileOpen = [&] {
    guardWhileOpen = book.Checking();
    closedWhileOpen = closer.Requests > 0;
  };
  ASSERT_TRUE(boxes.ShowHeld());
  EXPECT_TRUE(guardWhileOpen);
  EXPECT_FALSE(closedWhileOpen);
  EXPECT_EQ(closer.Requests, 1);  // then the window closes, asked once
  EXPECT_TRUE(book.CloseRequested());
  EXPECT_FALSE(book.Checking());
  EXPECT_EQ(Captions(), (std::array<std::string, 6>{"*", "*", "*", "*", "*", "*"}));
  EXPECT_EQ(window.FrontShape(), ControlId::shpDown);

  // The panel is going: later tables, good or bad, change nothing and ask nothing.
  Poke(good);
  Poke(wrong);
  EXPECT_EQ(boxes.Shown.size(), 1U);
  EXPECT_TRUE(boxes.Held.empty());
  EXPECT_EQ(closer.Requests, 1);
  EXPECT_EQ(Caption(ControlId::cmdBestBid), "*");
  EXPECT_TRUE(services.AppLog.Entries.empty());
}

TEST_F(BookTest, TablesFromAnotherInstanceOrBeforeRegistrationAreIgnored) {
  const DecodedTable wrong = Table({{"X"}, {"1"}});
  std::int32_t other = kInstance + 1;
  book.TableArrived(other, wrong);
  book.TableArrived(other, Glass(TwentyLevels()));

  OrderBook unregistered{services.Log, services.Regional, boxes, window, closer};
  std::int32_t zero = 0;
  unregistered.TableArrived(zero, wrong);

  EXPECT_TRUE(boxes.Shown.empty());
  EXPECT_EQ(closer.Requests, 0);
  EXPECT_EQ(Caption(ControlId::cmdBestBid), "*");
  EXPECT_TRUE(services.AppLog.Entries.empty());
}

TEST_F(BookTest, ATableWithoutRowOneFailsTheCheckThroughTheWholeChainAndKeepsThePanel) {
  DecodedTable noHeader;
  noHeader.Reset(0, 3);
  const DecodedTable neverFilled;  // what the decoder holds before its first header
  for (const DecodedTable* table : {static_cast<const DecodedTable*>(&noHeader), &neverFilled}) {
    services.AppLog.Entries.clear();
    ++services.Regional.Clock.Minute;  // past the minute in which repeats are only counted
    Poke(*table);
    const std::vector<std::string> entries = services.ErrorEntries();
    ASSERT_EQ(entries.size(), 3U);
    const std::string check = "Vestrel.frmMain.CheckGStru";
    EXPECT_EQ(entries[0], "ERROR OCCURS IN UNKNOWN, SOURCE: " + check +
                              " IN LINE: " + (table == &noHeader ? "5" : "4") +
                              ". ERROR =  9 (Subscript out of range) ADDITIONAL PARAMS: \r\n"
                              "pData() = Array\r\npPrice = -1\r\npBid = -1\r\npAsk = -1\r\n");
    EXPECT_EQ(entries[1], "ERROR OCCURS IN UNKNOWN, SOURCE: " + check +
                              "->Vestrel.frmMain.ChD IN LINE: 1. ERROR =  9 (Subscript out of "
                              "range) ADDITIONAL PARAMS: \r\npData() = Array\r\n");
    EXPECT_EQ(entries[2], "ERROR OCCURS IN UNKNOWN, SOURCE: " + check +
                              "->Vestrel.frmMain.ChD->Vestrel.modQT.DDEDataChanged IN LINE: 1. "
                              "ERROR =  9 (Subscript out of range) ADDITIONAL PARAMS: \r\n"
                              "pInstID = 23063\r\npData() = Array\r\n");
    EXPECT_FALSE(book.Checking());
  }
  EXPECT_TRUE(boxes.Shown.empty());
  EXPECT_EQ(closer.Requests, 0);

  Poke(Glass(TwentyLevels()));  // the next table is analysed as usual
  EXPECT_EQ(Caption(ControlId::Label5), "9");
}

TEST_F(BookTest, TwentyLevelsShowTheTopmostLargestLevelsAndTheBestPricesVerbatim) {
  Poke(Glass(TwentyLevels()));
  // Sell: the two 9s are rows 3 and 4; row 3 (1190) wins. Buy: the two 8s are
  // rows 14 and 15; row 14 (1080) wins. Best prices are rows 11 and 12.
  EXPECT_EQ(Captions(), (std::array<std::string, 6>{"1190", "9", "1110,50", "1100", "1080", "8"}));
  EXPECT_EQ(window.FrontShape(), ControlId::shpUp);
  EXPECT_DOUBLE_EQ(book.LastMid(), 1105.25);
  EXPECT_TRUE(services.AppLog.Entries.empty());
}

TEST_F(BookTest, WithAnOddNumberOfLevelsTheMiddleRowIsReadByNothing) {
  // H = 20: sell rows 2..10, best prices rows 10 and 12, buy rows 12..20.
  std::vector<Level> levels;
  for (int i = 0; i < 19; ++i) {
    levels.push_back({std::to_string(500 - i), i < 9 ? "2" : "", i > 9 ? "3" : ""});
  }
  levels[1].Sell = "4";           // row 3
  levels[17].Buy = "6";           // row 19
  levels[9] = {"x", "99", "99"};  // row 11: would fail or win if it were read
  Poke(Glass(levels));
  EXPECT_EQ(Captions(), (std::array<std::string, 6>{"499", "4", "492", "490", "483", "6"}));
  EXPECT_TRUE(services.AppLog.Entries.empty());
}

TEST_F(BookTest, TheVolumeColumnsTellTheSidesApartWhenTheyHaveDifferentNumbersOfLevels) {
  // Five sell levels over two buy levels: the halves of the seven rows would
  // put rows 5 and 6 on the buy side and show 107 and 106 as the best prices.
  const std::vector<Level> fiveOverTwo = {{"110", "1", ""}, {"109", "8", ""}, {"108", "2", ""},
                                          {"107", "8", ""}, {"106", "3", ""}, {"105", "", "4"},
                                          {"104", "", "6"}};
  Poke(Glass(fiveOverTwo));
  EXPECT_EQ(Captions(), (std::array<std::string, 6>{"109", "8", "106", "105", "104", "6"}));
  ASSERT_TRUE(book.LastBook());
  EXPECT_EQ(book.LastBook()->BestSellRow, 6);
  EXPECT_EQ(book.LastBook()->BestBuyRow, 7);
  EXPECT_EQ(book.LastBook()->LowestSell, 106);
  EXPECT_EQ(book.LastBook()->HighestBuy, 105);
  EXPECT_DOUBLE_EQ(book.LastMid(), 105.5);

  // Two over five, with a blank volume in the buy side: its scan fails there.
  const std::vector<Level> twoOverFive = {{"110", "1", ""}, {"109", "8", ""}, {"108", "", "2"},
                                          {"107", "", "9"}, {"106", "", ""},  {"105", "", "4"},
                                          {"104", "", "6"}};
  Poke(Glass(twoOverFive));
  EXPECT_EQ(Captions(), (std::array<std::string, 6>{"109", "8", "106", "105", "104", "6"}));
  const std::vector<std::string> entries = services.ErrorEntries();
  ASSERT_EQ(entries.size(), 3U);
  EXPECT_EQ(entries[0],
            "ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.frmMain.GetMaxSize IN LINE: 3. ERROR =  13 "
            "(Type mismatch) ADDITIONAL PARAMS: \r\npData() = Array\r\npLine = 4\r\n"
            "pPosPrice = 2\r\npPosSize = 3\r\ndblPrice = 107\r\nlngSize = 9\r\npHeight = 8\r\n");
}

TEST_F(BookTest, OneLevelRowServesBothSides) {
  Poke(Glass({{"250,5", "3", "4"}}));  // H = 2
  EXPECT_EQ(Captions(), (std::array<std::string, 6>{"250,5", "3", "250,5", "250,5", "250,5", "4"}));
  EXPECT_DOUBLE_EQ(book.LastMid(), 250.5);
}

TEST_F(BookTest, AHeaderOnlyTableWritesTheScansThenFailsOnTheMissingBuyRow) {
  Poke(Glass(TwentyLevels()));
  services.AppLog.Entries.clear();

  Poke(Glass({}));  // H = 1
  EXPECT_EQ(Captions(), (std::array<std::string, 6>{"0", "0", "PRICE", "1100", "0", "0"}));
  EXPECT_EQ(window.FrontShape(), ControlId::shpUp);
  EXPECT_DOUBLE_EQ(book.LastMid(), 1105.25);
  const std::vector<std::string> entries = services.ErrorEntries();
  ASSERT_EQ(entries.size(), 2U);
  EXPECT_EQ(entries[0],
            "ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.frmMain.ChD IN LINE: 5. ERROR =  9 "
            "(Subscript out of range) ADDITIONAL PARAMS: \r\npData() = Array\r\n");
  EXPECT_EQ(closer.Requests, 0);
}

TEST_F(BookTest, VolumesCompareByTheirFullValueAgainstTheRoundedLargestSoFar) {
  services.Regional.Separator = '.';
  // 2.4 is kept as 2; 2.3 is still above 2 and takes over. 2.5 rounds to 2
  // (half to even) and 2.6 to 3.
  Poke(Glass({{"103.5", "2.4", ""}, {"103", "2.3", ""}, {"102", "", "2.5"}, {"101", "", "2.6"}}));
  EXPECT_EQ(Captions(), (std::array<std::string, 6>{"103", "2", "103", "102", "101", "3"}));
  EXPECT_DOUBLE_EQ(book.LastMid(), 102.5);

  // A volume beyond 32 bits overflows; the price of a new largest level that
  // is not a number is a type mismatch. Either stops the scan and its captions.
  for (const auto& [row2, failure] :
       {std::pair<Level, std::string>{{"100", "3000000000", ""}, "IN LINE: 5. ERROR =  6 "},
        std::pair<Level, std::string>{{"x", "5", ""}, "IN LINE: 4. ERROR =  13 "}}) {
    services.AppLog.Entries.clear();
    Poke(Glass({row2, {"90", "", "1"}}));
    ASSERT_EQ(services.ErrorEntries().size(), 3U);
    const std::string prefix =
        "ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.frmMain.GetMaxSize " + failure;
    EXPECT_EQ(services.ErrorEntries()[0].substr(0, prefix.size()), prefix);
    EXPECT_EQ(Caption(ControlId::Label5), "2");
  }
}

TEST_F(BookTest, ABlankBestSellPriceStopsBeforeTheIndicator) {
  Poke(Glass(TwentyLevels()));
  services.AppLog.Entries.clear();
  std::vector<Level> levels = TwentyLevels();
  levels[9].Price = "";
  levels[10].Price = "900";  // would turn the indicator down
  Poke(Glass(levels));
  EXPECT_EQ(Caption(ControlId::cmdBestBid), "");
  EXPECT_EQ(Caption(ControlId::cmdBestAsk), "900");
  EXPECT_EQ(window.FrontShape(), ControlId::shpUp);
  EXPECT_DOUBLE_EQ(book.LastMid(), 1105.25);
  const std::vector<std::string> entries = services.ErrorEntries();
  ASSERT_EQ(entries.size(), 2U);
  EXPECT_EQ(entries[0],
            "ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.frmMain.ChD IN LINE: 6. ERROR =  13 "
            "(Type mismatch) ADDITIONAL PARAMS: \r\npData() = Array\r\n");
}

TEST_F(BookTest, EachWholeAnalysisTellsTheLowestSellAndHighestBuyPriceOfTheHalves) {
  using Top = std::pair<std::optional<double>, std::optional<double>>;
  std::vector<Top> tops;
  book.SetBookListener(
      [&](const BookView& view) { tops.emplace_back(view.LowestSell, view.HighestBuy); });
  std::vector<Level> levels = TwentyLevels();
  levels[3].Price = "1000";   // row 5: below the best sell row
  levels[12].Price = "1150";  // row 14: above the best buy row
  levels[15].Price = "n/a";   // row 17: no number, passed over
  levels[16].Price = "";      // row 18
  Poke(Glass(levels));
  EXPECT_EQ(Caption(ControlId::cmdMaxAsk), "1150");  // what the book shows is its own
  Poke(Glass(TwentyLevels()));
  EXPECT_EQ(tops, (std::vector<Top>{{1000, 1150}, {1110.5, 1100}}));

  levels = TwentyLevels();
  levels[9].Price = "";  // the analysis stops at the mid price: no top
  Poke(Glass(levels));
  EXPECT_EQ(tops.size(), 2U);
  EXPECT_EQ(services.ErrorEntries().size(), 2U);
}

TEST_F(BookTest, NumberCellsGiveTheLowestAndHighestPricesAsTheirTextReads) {
  // As the decoder stores a poke: number cells keep their values. 70.76 less
  // a hair reads back as 70.76, the best sell price's own text; a text
  // price cell counts as its number.
  DecodedTable table;
  table.Reset(6, 3);
  table.Set(1, 1, "SELL_VOLUME");
  table.Set(1, 2, "PRICE");
  table.Set(1, 3, "BUY_VOLUME");
  const double prices[] = {71.5, 70.759999999999991, 70.76, 70.7, 70.75};
  for (std::int32_t row = 2; row <= 6; ++row) {
    table.AssignNumber(row, row <= 4 ? 1 : 3, 5, ',');
    table.AssignNumber(row, 2, prices[row - 2], ',');
  }
  table.Set(5, 2, "70,2");
  Poke(table);
  ASSERT_TRUE(book.LastBook());
  EXPECT_EQ(Caption(ControlId::cmdBestBid), "70,76");
  EXPECT_EQ(book.LastBook()->LowestSell, 70.76);
  EXPECT_EQ(book.LastBook()->HighestBuy, 70.75);
  EXPECT_TRUE(services.AppLog.Entries.empty());
}

TEST_F(BookTest, ABlankVolumeInTheBuyScanKeepsTheLaterCaptionsAndIsLoggedWithTheScan) {
  Poke(Glass(TwentyLevels()));
  services.AppLog.Entries.clear();
  std::vector<Level> levels = TwentyLevels();
  levels[0].Sell = "12";  // row 2 becomes the sell side's largest
  levels[12].Buy = "";    // row 14, inside the buy scan, after two rows were read
  for (Level& level : levels) {
    level.Price += "0";  // every price ten times higher
  }
  Poke(Glass(levels));
  EXPECT_EQ(Captions(),
            (std::array<std::string, 6>{"12000", "12", "1110,50", "1100", "1080", "8"}));
  EXPECT_EQ(window.FrontShape(), ControlId::shpUp);
  EXPECT_DOUBLE_EQ(book.LastMid(), 1105.25);

  const std::vector<std::string> entries = services.ErrorEntries();
  ASSERT_EQ(entries.size(), 3U);
  EXPECT_EQ(entries[0],
            "ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.frmMain.GetMaxSize IN LINE: 3. ERROR =  13 "
            "(Type mismatch) ADDITIONAL PARAMS: \r\npData() = Array\r\npLine = 12\r\n"
            "pPosPrice = 2\r\npPosSize = 3\r\ndblPrice = 10900\r\nlngSize = 4\r\npHeight = 21\r\n");
  EXPECT_NE(entries[2].find("GetMaxSize->Vestrel.frmMain.ChD->Vestrel.modQT.DDEDataChanged"),
            std::string::npos);
  EXPECT_EQ(closer.Requests, 0);
}

// ---- Many random books against an answer worked out here -------------------
// They cover the scans' rules the example books above do not spell out: a
// side without volume shows 0 (never the other side's level), ties go to the
// topmost level, and the indicator turns up only on a higher mid (an equal
// one, which repeated best prices make common, turns it down).

// Prices are whole multiples of 1/8, so the texts, the doubles and their sums
// are exact and the mid comparison can be made in integers.
std::string EighthsText(std::int64_t eighths, char separator) {
  std::string text = std::to_string(eighths / 8);
  std::int64_t fraction = eighths % 8 * 125;  // thousandths
  if (fraction != 0) {
    std::string digits = std::to_string(fraction);
    digits.insert(0, 3 - digits.size(), '0');
    digits.erase(digits.find_last_not_of('0') + 1);
    text += separator;
    text += digits;
  }
  return text;
}

struct RandomBook {
  DecodedTable Table;
  std::array<std::string, 6> Captions;  // cmdMaxBid, Label5, cmdBestBid, cmdBestAsk, cmdMaxAsk,
                                        // Label6
  std::int64_t MidKey;                  // best sell + best buy, in eighths
};

// Sides of the same number of levels, or with unevenSides of any numbers
// (then always in the two volume columns, which tell the sides apart).
RandomBook MakeRandomBook(std::mt19937& random, char separator, std::int64_t& lastBest,
                          bool unevenSides = false) {
  auto uniform = [&](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };
  const int sellLevels = uniform(1, 30);
  const int buyLevels = unevenSides ? uniform(1, 30) : sellLevels;
  const int levels = sellLevels + buyLevels;

  // Prices descending from the top, in ticks of 1/8, 1/4, 1/2, 1 or 10.
  const int ticks[] = {1, 2, 4, 8, 80};
  const int tick = ticks[uniform(0, 4)];
  std::vector<std::int64_t> price(levels);
  if (lastBest > 0 && uniform(0, 4) == 0) {
    price[sellLevels - 1] = lastBest;  // often the same best sell price as before
  } else {
    price[sellLevels - 1] = static_cast<std::int64_t>(uniform(levels + 1, 200000)) * tick;
  }
  lastBest = price[sellLevels - 1];
  for (int i = sellLevels - 2; i >= 0; --i) {
    price[i] = price[i + 1] + static_cast<std::int64_t>(uniform(1, 3)) * tick;
  }
  for (int i = sellLevels; i < levels; ++i) {
    price[i] = price[i - 1] - static_cast<std::int64_t>(uniform(1, 3)) * tick;
  }
  if (price[levels - 1] <= 0) {
    const std::int64_t lift = 1 - price[levels - 1];
    for (std::int64_t& p : price) {
      p += lift;
    }
  }

  // Volumes from 0 up; now and then a side without any.
  const int maxVolume = uniform(0, 4) == 0 ? 3 : 100000;
  std::vector<int> volume(levels);
  const bool emptySell = uniform(0, 9) == 0;
  const bool emptyBuy = uniform(0, 9) == 0;
  for (int i = 0; i < levels; ++i) {
    const bool empty = i < sellLevels ? emptySell : emptyBuy;
    volume[i] = empty || uniform(0, 3) == 0 ? 0 : uniform(0, maxVolume);
  }

  // The answer: on each side the first level holding its largest volume above 0.
  auto largest = [&](int from, int to, std::string& priceText, std::string& volumeText) {
    int best = -1;
    for (int i = from; i < to; ++i) {
      if (volume[i] > 0 && (best < 0 || volume[i] > volume[best])) {
        best = i;
      }
    }
    priceText = best < 0 ? "0" : EighthsText(price[best], separator);
    volumeText = best < 0 ? "0" : std::to_string(volume[best]);
  };
  RandomBook book;
  largest(0, sellLevels, book.Captions[0], book.Captions[1]);
  largest(sellLevels, levels, book.Captions[4], book.Captions[5]);
  book.Captions[2] = EighthsText(price[sellLevels - 1], separator);
  book.Captions[3] = EighthsText(price[sellLevels], separator);
  book.MidKey = price[sellLevels - 1] + price[sellLevels];

  // The table: the needed columns in any order among others, sell volumes on
  // the sell rows only and buy volumes on the buy rows only, as the terminal
  // sends them; or one VOLUME column for both sides.
  std::vector<std::string> header{"PRICE", "SELL_VOLUME", "BUY_VOLUME", "MY_ORDERS", "YIELD"};
  const bool oneVolumeColumn = !unevenSides && uniform(0, 4) == 0;
  if (oneVolumeColumn) {
    header = {"PRICE", "VOLUME", "MY_ORDERS"};
  }
  header.resize(uniform(oneVolumeColumn ? 2 : 3, static_cast<int>(header.size())));
  std::shuffle(header.begin(), header.end(), random);
  std::vector<std::vector<std::string>> rows{header};
  for (int i = 0; i < levels; ++i) {
    std::vector<std::string> row;
    for (const std::string& title : header) {
      const bool sellRow = i < sellLevels;
      if (title == "PRICE") {
        row.push_back(EighthsText(price[i], separator));
      } else if (title == "VOLUME" || (title == "SELL_VOLUME" && sellRow) ||
                 (title == "BUY_VOLUME" && !sellRow)) {
        row.push_back(std::to_string(volume[i]));
      } else if (title == "MY_ORDERS") {
        row.push_back("x");
      } else {
        row.push_back("");
      }
    }
    rows.push_back(row);
  }
  book.Table = Table(rows);
  return book;
}

TEST_F(BookTest, RandomBooksShowTheLevelsAndIndicatorWorkedOutIndependently) {
  for (const auto& [separator, uneven] :
       {std::pair{',', false}, std::pair{'.', false}, std::pair{',', true}, std::pair{'.', true}}) {
    SCOPED_TRACE(std::string("separator ") + separator + (uneven ? ", uneven sides" : ""));
    services.Regional.Separator = separator;
    OrderBook fresh{services.Log, services.Regional, boxes, window, closer};
    fresh.SetDdeInstance(kInstance);
    std::mt19937 random((separator == ',' ? 20261206U : 4242U) + (uneven ? 1U : 0U));
    std::int64_t lastMidKey = 0;
    std::int64_t lastBest = 0;
    int ups = 0;
    int downs = 0;
    for (int n = 0; n < 3000; ++n) {
      const RandomBook expected = MakeRandomBook(random, separator, lastBest, uneven);
      std::int32_t instance = kInstance;
      fresh.TableArrived(instance, expected.Table);
      ASSERT_EQ(Captions(), expected.Captions) << "book " << n;
      const ControlId front = lastMidKey < expected.MidKey ? ControlId::shpUp : ControlId::shpDown;
      ASSERT_EQ(window.FrontShape(), front) << "book " << n;
      ASSERT_EQ(fresh.LastMid(), static_cast<double>(expected.MidKey) / 16) << "book " << n;
      (front == ControlId::shpUp ? ups : downs) += 1;
      lastMidKey = expected.MidKey;
    }
    EXPECT_GT(ups, 100);
    EXPECT_GT(downs, 100);
  }
  EXPECT_TRUE(services.AppLog.Entries.empty());
  EXPECT_TRUE(boxes.Shown.empty());
}

}  // namespace
}  // namespace vestrel
