#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "book/book_view.h"
#include "ladder/price_steps.h"
#include "ports/clock.h"
#include "ports/regional_settings.h"
#include "settings/order_settings.h"
#include "trading/trading_state.h"

namespace vestrel {

// One visible row of the ladder: a price of the grid, what rests there on
// each side of the book and of the trader's working orders, and its marks.
struct LadderRow {
  double Price = 0;
  std::int64_t Buy = 0;  // the buy side's volume at the price; 0 for none
  std::int64_t Sell = 0;
  std::int64_t MyBuy = 0;  // the trader's working lots at the price
  std::int64_t MySell = 0;
  bool BestBuy = false;
  bool BestSell = false;
  bool LargestBuy = false;  // each side's largest level, as its button shows it
  bool LargestSell = false;
  bool Average = false;  // the position's average price
  // Each volume against the largest volume in view, 0 to 1.
  double BuyBar = 0;
  double SellBar = 0;
  // "PRICE<TAB>BUY<TAB>SELL<TAB>MINE", numbers as the panel writes them, a
  // field empty where there is nothing; MINE "B2", "S1" or "B1 S1".
  std::string Text;
  bool operator==(const LadderRow&) const = default;
};

// The ladder's columns, the thirds of its width from the left.
enum class LadderColumn { Buy, Price, Sell };

// What a click on the ladder asks for: buy or sell Size lots at the row's
// price, or (the price column) cancel the trader's working orders there.
struct LadderClick {
  LadderColumn Column = LadderColumn::Price;
  double Price = 0;
  bool operator==(const LadderClick&) const = default;
};

// The ladder: the whole order book on a price grid, highest price at the top,
// one row a step of [Orders] Tick (or, without it, of the step the books show).
//
// The spread stays in view: when a best price leaves the middle third of the
// rows the ladder recentres on the spread. Scrolling by rows holds it where the
// trader put it until Centre, or until kScrollHoldUs pass without scrolling.
class LadderModel {
 public:
  static constexpr std::int64_t kScrollHoldUs = 10'000'000;

  // orders is read at every update, so it may be filled after construction.
  LadderModel(const OrderSettings& orders, const RegionalSettings& regional, const Clock& clock);

  LadderModel(const LadderModel&) = delete;
  LadderModel& operator=(const LadderModel&) = delete;

  // The trader's orders and position; null (the start) for none: MINE stays
  // empty and no row is marked as the average price.
  void SetTradingState(const TradingState* state) { state_ = state; }
  const TradingState* State() const { return state_; }

  // A book the panel has shown whole; tells the listener (the window, which
  // then asks for a repaint round).
  void BookChanged(const BookView& book);
  void SetChangedListener(std::function<void()> listener) { changed_ = std::move(listener); }
  // How many rows fit the window.
  void SetRowCount(std::int32_t rows);
  // The wheel: rows above 0 show higher prices. Holds the centring.
  void Scroll(std::int32_t rows);
  // Back to the spread, and centring again.
  void Centre();

  // Brings the rows up to date with the book, the trader's orders and the
  // clock; the window calls it before drawing. Returns the rows that changed
  // since the last update (all of them when the grid moved).
  std::vector<std::int32_t> Update();

  const std::vector<LadderRow>& Rows() const { return rows_; }
  // The step between rows; none until the settings or a book give one.
  std::optional<double> Tick() const;
  // The step, for the trader to check: "tick 10", "tick 10 (from the book)".
  std::string HeaderText() const;
  // The position as the trading state tells it; empty without one.
  std::string FooterText() const;

  // What a click at x of a row (0 at the top) of a window width wide asks
  // for; none outside the rows.
  std::optional<LadderClick> ClickAt(std::int32_t row, std::int32_t x, std::int32_t width) const;

 private:
  bool Holding() const;
  void Recentre(std::int64_t bestSell, std::int64_t bestBuy);
  std::vector<LadderRow> BuildRows(double tick) const;

  const OrderSettings& orders_;
  const RegionalSettings& regional_;
  const Clock& clock_;
  const TradingState* state_ = nullptr;
  TickFinder finder_;
  std::optional<BookView> book_;
  std::int32_t rowCount_ = 0;
  // The grid step of the top row, and the tick it was worked out with.
  std::int64_t topStep_ = 0;
  std::optional<double> gridTick_;
  bool centreDue_ = true;
  std::optional<std::int64_t> scrolledUs_;
  std::vector<LadderRow> rows_;
  std::function<void()> changed_;
};

}  // namespace vestrel
