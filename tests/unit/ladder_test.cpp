// The ladder: its grid, centring and step from the books the panel shows, and
// what its clicks send through the whole panel.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_panel_ports.h"
#include "ladder/ladder_model.h"

namespace vestrel {
namespace {

using namespace testing;
using Lines = std::vector<std::string>;

BookView Book(std::vector<BookLevel> sells, std::vector<BookLevel> buys) {
  BookView book;
  book.SellLevels = std::move(sells);
  book.BuyLevels = std::move(buys);
  book.BestSell = book.SellLevels.back().Price;
  book.BestBuy = book.BuyLevels.front().Price;
  for (const BookLevel& level : book.SellLevels) {
    if (level.Volume > book.LargestSell.Volume) {
      book.LargestSell = level;
    }
  }
  for (const BookLevel& level : book.BuyLevels) {
    if (level.Volume > book.LargestBuy.Volume) {
      book.LargestBuy = level;
    }
  }
  return book;
}

// A book on a step of 1 whose spread is best sell .. best sell - 1.
BookView BookAt(double bestSell) {
  return Book({{bestSell + 1, 3}, {bestSell, 1}}, {{bestSell - 1, 2}, {bestSell - 2, 4}});
}

struct ModelRig {
  FakeRegionalSettings regional;
  FakeClock clock;
  OrderSettings orders;
  LadderModel model{orders, regional, clock};

  Lines Texts() {
    Lines texts;
    for (const LadderRow& row : model.Rows()) {
      texts.push_back(row.Text);
    }
    return texts;
  }
  double TopPrice() { return model.Rows().front().Price; }
};

TEST(LadderModel, RowsHoldTheWholeBookTheTradersOrdersAndTheMarksOnTheGrid) {
  ModelRig rig;
  rig.regional.Separator = '.';
  TradingState state;
  state.Apply(OrderUpdate{1, 1, OrderSide::Buy, 99, 2, 2});
  state.Apply(OrderUpdate{2, 2, OrderSide::Sell, 101, 1, 1});
  state.Apply(OrderUpdate{3, 3, OrderSide::Buy, 101, 1, 1});
  state.Apply(OrderUpdate{4, 4, OrderSide::Buy, 104, 3, 0, OrderStatus::Filled});
  state.Apply(TradeReport{1, 4, OrderSide::Buy, 104, 3});
  rig.model.SetTradingState(&state);
  rig.model.SetRowCount(9);
  EXPECT_TRUE(rig.model.Update().empty());  // no book, no grid
  EXPECT_EQ(rig.model.HeaderText(), "tick ?");

  // The buy side has a gap at 98: a row with nothing in it.
  rig.model.BookChanged(Book({{103, 5}, {102, 9}, {101, 2}}, {{100, 4}, {99, 1}, {97, 8}}));
  EXPECT_EQ(rig.model.Update().size(), 9U);
  EXPECT_EQ(rig.model.HeaderText(), "tick 1 (from the book)");
  EXPECT_EQ(rig.Texts(), (Lines{"104\t\t\t", "103\t\t5\t", "102\t\t9\t", "101\t\t2\tB1 S1",
                                "100\t4\t\t", "99\t1\t\tB2", "98\t\t\t", "97\t8\t\t", "96\t\t\t"}));
  const std::vector<LadderRow>& rows = rig.model.Rows();
  EXPECT_TRUE(rows[3].BestSell && rows[4].BestBuy && rows[2].LargestSell && rows[7].LargestBuy);
  EXPECT_TRUE(rows[0].Average);  // long 3 at 104
  EXPECT_DOUBLE_EQ(rows[2].SellBar, 1);
  EXPECT_DOUBLE_EQ(rows[7].BuyBar, 8.0 / 9);
  EXPECT_EQ(rig.model.FooterText().substr(0, 19), "POSITION 3 @ 104 | ");

  // One volume changes: one row to draw again.
  rig.model.BookChanged(Book({{103, 5}, {102, 9}, {101, 3}}, {{100, 4}, {99, 1}, {97, 8}}));
  EXPECT_EQ(rig.model.Update(), (std::vector<std::int32_t>{3}));
  EXPECT_EQ(rig.model.Rows()[3].Text, "101\t\t3\tB1 S1");
}

TEST(LadderModel, TheStepIsTheSmallestGapSeenUnlessTheSettingsGiveIt) {
  ModelRig rig;
  rig.model.SetRowCount(5);
  // Decimal prices whose differences are not exact in binary.
  rig.model.BookChanged(Book({{100.04, 1}, {100.02, 1}}, {{100.01, 1}, {99.97, 1}}));
  rig.model.Update();
  EXPECT_EQ(rig.model.Tick(), 0.01);
  EXPECT_EQ(rig.Texts(),
            (Lines{"100,03\t\t\t", "100,02\t\t1\t", "100,01\t1\t\t", "100\t\t\t", "99,99\t\t\t"}));
  // A wider book later does not widen the step.
  rig.model.BookChanged(Book({{101, 1}, {100.5, 1}}, {{100, 1}}));
  EXPECT_EQ(rig.model.Tick(), 0.01);

  rig.orders.Tick = 0.05;
  EXPECT_EQ(rig.model.HeaderText(), "tick 0,05");
  rig.model.Update();
  // A spread wider than the rows: its middle in the middle.
  EXPECT_EQ(rig.Texts(),
            (Lines{"100,35\t\t\t", "100,3\t\t\t", "100,25\t\t\t", "100,2\t\t\t", "100,15\t\t\t"}));
}

TEST(LadderModel, TheSpreadStaysInTheMiddleThirdUnlessTheTraderScrolledAway) {
  ModelRig rig;
  rig.model.SetRowCount(9);  // middle third: rows 3 to 5
  rig.model.BookChanged(BookAt(100));
  rig.model.Update();
  EXPECT_EQ(rig.TopPrice(), 103);  // 100 and 99 on rows 3 and 4
  rig.model.BookChanged(BookAt(99));
  rig.model.Update();
  EXPECT_EQ(rig.TopPrice(), 103);  // still inside: no jump
  rig.model.BookChanged(BookAt(98));
  rig.model.Update();
  EXPECT_EQ(rig.TopPrice(), 101);  // 97 left it: centred again

  rig.model.Scroll(-4);
  rig.model.BookChanged(BookAt(110));
  rig.model.Update();
  EXPECT_EQ(rig.TopPrice(), 97);  // held where the trader scrolled
  rig.clock.AdvanceMilliseconds(9'999);
  rig.model.Update();
  EXPECT_EQ(rig.TopPrice(), 97);
  rig.clock.AdvanceMilliseconds(1);
  rig.model.Update();
  EXPECT_EQ(rig.TopPrice(), 113);

  rig.model.Scroll(20);
  rig.model.Centre();
  rig.model.Update();
  EXPECT_EQ(rig.TopPrice(), 113);
}

TEST(LadderModel, AClickTradesOrCancelsByTheThirdOfTheWidthItHits) {
  ModelRig rig;
  rig.model.SetRowCount(9);
  rig.model.BookChanged(BookAt(100));
  rig.model.Update();
  EXPECT_EQ(rig.model.ClickAt(0, 0, 300), (LadderClick{LadderColumn::Buy, 103}));
  EXPECT_EQ(rig.model.ClickAt(8, 99, 300), (LadderClick{LadderColumn::Buy, 95}));
  EXPECT_EQ(rig.model.ClickAt(3, 100, 300), (LadderClick{LadderColumn::Price, 100}));
  EXPECT_EQ(rig.model.ClickAt(3, 200, 300), (LadderClick{LadderColumn::Sell, 100}));
  EXPECT_EQ(rig.model.ClickAt(3, 299, 300), (LadderClick{LadderColumn::Sell, 100}));
  for (const auto& [row, x] : {std::pair{9, 10}, {-1, 10}, {3, 300}, {3, -1}}) {
    EXPECT_FALSE(rig.model.ClickAt(row, x, 300)) << row << " " << x;
  }
}

// The whole panel with the ladder on: what its clicks send.
struct LadderPanelRig : FakePanelPorts {
  LadderPanelRig() { profile.Values["Ladder/Enabled"] = "1"; }
  void Poke() { PokeBook({{5, 99950, 0}, {2, 99940, 0}, {0, 99930, 4}, {0, 99920, 1}}); }
  LadderModel& Ladder() { return *panel.Ladder(); }
  // Clicks the row of price in the third given (0 buy, 1 price, 2 sell).
  void Click(double price, int third) {
    Ladder().Update();
    const std::vector<LadderRow>& rows = Ladder().Rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (rows[i].Price == price) {
        const auto click = Ladder().ClickAt(static_cast<std::int32_t>(i), third * 100 + 50, 300);
        ASSERT_TRUE(click);
        panel.LadderClicked(*click);
        return;
      }
    }
    FAIL() << "no row at " << price;
  }
};

const std::string kOrder =
    "ACCOUNT=A1; TYPE=L; TRANS_ID=1; CLASSCODE=C1; SECCODE=S1; ACTION=NEW_ORDER; OPERATION=";

TEST(LadderPanel, ClicksSendAtTheRowsPriceThroughTheGuardAndNothingIsCancelledUnseen) {
  LadderPanelRig rig;
  rig.profile.Values["Guard/StaleAfterMs"] = "2000";
  rig.profile.Values["Hotkeys/Ladder"] = "F9";
  rig.profile.Values["Hotkeys/Centre"] = "F10";
  rig.profile.Values["Sound/Refused"] = "D:\\refused.wav";
  ASSERT_TRUE(rig.panel.Start());
  ASSERT_NE(rig.panel.Ladder(), nullptr);
  std::vector<HotkeyCommand> keys;
  rig.panel.SetLadderKeyListener([&](HotkeyCommand command) { keys.push_back(command); });
  EXPECT_TRUE(rig.panel.KeyPress(KeyChord{0x78}));         // F9
  EXPECT_TRUE(rig.panel.KeyPress(KeyChord{0x79}, true));   // F10 held: the panel's, once
  EXPECT_FALSE(rig.panel.KeyPress(KeyChord{0x78, true}));  // Ctrl+F9 is no key of the panel
  EXPECT_EQ(keys, std::vector<HotkeyCommand>{HotkeyCommand::ShowHideLadder});
  rig.Ladder().SetRowCount(10);
  rig.Poke();
  rig.Click(99960, 0);  // a buy above the best sell price goes out as it is
  rig.Click(99920, 2);
  EXPECT_EQ(rig.library.Sent, (Lines{kOrder + "B; PRICE=99960; QUANTITY=2;",
                                     kOrder + "S; PRICE=99920; QUANTITY=2;"}));
  rig.clock.AdvanceMilliseconds(3128);
  rig.Click(99940, 0);
  rig.Click(99940, 1);  // no trading state: nothing to find orders in
  EXPECT_EQ(rig.library.Sent.size(), 2U);
  const Lines lines = rig.LogLines();
  ASSERT_EQ(lines.size(), 4U);
  EXPECT_EQ(lines[2],
            "Order not sent (ladder 99940): the order book is 3128 ms old, stale after "
            "2000 ms");
  // A refusal of the guard sounds as a button's does.
  EXPECT_EQ(rig.sounds.Played, Lines{"D:\\refused.wav"});
  EXPECT_EQ(lines[3],
            "Nothing cancelled at 99940: the panel does not see the trader's orders ([Paper] "
            "Enabled=1 or [Live] Orders=1)");
}

TEST(LadderPanel, OnPaperAPriceClickCancelsTheTradersOrdersAtThatPriceOnly) {
  LadderPanelRig rig;
  rig.profile.Values["Paper/Enabled"] = "1";
  ASSERT_TRUE(rig.panel.Start());
  rig.Ladder().SetRowCount(10);
  rig.Poke();
  rig.Click(99910, 0);
  rig.Click(99910, 0);
  rig.Click(99900, 0);
  rig.Ladder().Update();
  rig.Click(99910, 1);
  rig.Click(99890, 1);
  rig.Ladder().Update();
  Lines mine;
  for (const LadderRow& row : rig.Ladder().Rows()) {
    if (!row.Text.ends_with('\t')) {
      mine.push_back(row.Text);
    }
  }
  EXPECT_EQ(mine, Lines{"99900\t\t\tB2"});
  const Lines lines = rig.LogLines();
  ASSERT_EQ(lines.size(), 6U);
  EXPECT_EQ(lines[3], "paper order 1 cancelled|250|0||250");  // the first of two cancels
  EXPECT_EQ(lines[5], "Nothing cancelled at 99890: no working order at this price");
  EXPECT_TRUE(rig.services.ErrorEntries().empty());
}

}  // namespace
}  // namespace vestrel
