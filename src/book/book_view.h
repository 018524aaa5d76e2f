#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vestrel {

// One price level of the book: its price and the volume it carries.
struct BookLevel {
  double Price = 0;
  std::int32_t Volume = 0;
  bool operator==(const BookLevel&) const = default;
};

// One order book the analysis has read to its end: the numbers the six
// captions and the indicator are written from, and what the panel's other
// readers (paper trading, the guard) take from each book.
struct BookView {
  // On each side, the topmost level with the largest volume above 0; price
  // and volume 0 when no level of that side has one. The price as its cell
  // holds it; its button shows and trades it to 15 significant digits.
  BookLevel LargestSell;
  BookLevel LargestBuy;
  // The best prices: the price cells of the last sell row and the first buy
  // row, as numbers, and the cells' text as the terminal wrote it (the
  // captions show it verbatim, "1110,50" and not "1110,5").
  double BestSell = 0;
  double BestBuy = 0;
  std::string BestSellText;
  std::string BestBuyText;
  // The table rows of the best prices (row 1 holds the column titles). The
  // sell side is rows 2 to BestSellRow, the buy side BestBuyRow to the last
  // row; with an odd number of levels in the halves' layout one row between
  // them belongs to neither, and with a single level both are row 2.
  std::int32_t BestSellRow = 0;
  std::int32_t BestBuyRow = 0;
  // (BestSell + BestBuy) / 2, and whether it rose above the mid price of the
  // book before (from 0 at the start): the indicator shows shpUp then.
  double Mid = 0;
  bool MidRose = false;
  // The lowest price among the sell side's rows and the highest among the
  // buy side's, price cells that hold no number passed over; none when no
  // row of that side has one. The paper exchange fills against these.
  std::optional<double> LowestSell;
  std::optional<double> HighestBuy;
  // Every level of each side whose price and volume cells hold numbers, the
  // volume above 0, in the table's order (prices descending); the rows of
  // either side that hold no such level are passed over. The ladder draws the
  // whole book from these.
  std::vector<BookLevel> SellLevels;
  std::vector<BookLevel> BuyLevels;
};

// A price as a price button shows it, as the order commands trade it: its
// number, or, when the button's text holds none ("*" before the first book,
// a best price cell that is no number), the error reading that text raises.
struct ShownPrice {
  std::optional<double> Number;
  std::int32_t Unreadable = 0;  // the error number when there is no number

  // The number; raises the error reading the shown text raises.
  double Read() const;
  bool operator==(const ShownPrice&) const = default;
};

// A price read from text as the number conversion reads it; no number and
// its error number for text that is not one.
ShownPrice ReadShownPrice(std::string_view text, char decimalSeparator);

// What the four price buttons show now. Every caption a button gets is
// written together with its price here, so a table whose analysis stops half
// way leaves these as it leaves the captions: the buttons trade what they show.
struct ShownPrices {
  ShownPrice MaxBid = ReadShownPrice("*", '.');
  ShownPrice BestBid = ReadShownPrice("*", '.');
  ShownPrice BestAsk = ReadShownPrice("*", '.');
  ShownPrice MaxAsk = ReadShownPrice("*", '.');
};

}  // namespace vestrel
