#include "exchange.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "book_top.h"
#include "script_lists.h"
#include "transaction_text.h"

namespace vestrel::termsim {
namespace {

Reply Send(Exchange& exchange, const std::string& text, const ExchangeRules& rules = {}) {
  const Transaction transaction = ParseTransaction(text);
  EXPECT_TRUE(transaction.WellFormed) << text;
  return exchange.Execute(transaction, rules);
}

std::string Buy(const std::string& price, const std::string& quantity) {
  return "TRANS_ID=7; CLASSCODE=SPBFUT; SECCODE=RIH6; ACTION=NEW_ORDER; OPERATION=B; PRICE=" +
         price + "; QUANTITY=" + quantity + ";";
}

BookTop Book(std::uint64_t sequence, double sell, std::int64_t sellVolume, double buy,
             std::int64_t buyVolume) {
  return {sequence, BookLevel{sell, sellVolume}, BookLevel{buy, buyVolume}};
}

TEST(StandInBookFile, ReadsWhatTermsimWritesAndNothingHalfWritten) {
  const BookTop book{41, BookLevel{100010.5, 3}, std::nullopt};
  const std::string text = FormatBookTop(book);
  EXPECT_EQ(text, "BOOK 41 100010.5 3 - -\r\n");
  EXPECT_EQ(ParseBookTop(text), book);
  // A writer caught half-way, a side without its volume, a volume of 0.
  for (const char* bad : {"BOOK 41 100010.5 3 - -", "BOOK 41 100010.5 - - -\n",
                          "BOOK 41 100010.5 0 - -\n", "BOOK 41 1e999 3 - -\n", "", "\n"}) {
    EXPECT_EQ(ParseBookTop(bad), std::nullopt) << bad;
  }
}

TEST(StandInExchange, FillsPartlyAtTheBooksPriceAndTakesEachBooksVolumeOnce) {
  Exchange exchange;
  // The Russian locale's decimal comma, as the panel writes it there.
  const Reply reply = Send(exchange, Buy("100020,0", "5"));
  EXPECT_EQ(reply.ReplyCode, kReplyExecuted);
  EXPECT_EQ(reply.OrderNumber, kFirstOrderNumber);
  EXPECT_EQ(reply.Message, "Order 5000000001 registered.");
  ASSERT_EQ(exchange.TakeReports().size(), 1U);

  // Not crossed: the best sell is above the order's price.
  exchange.Match(Book(1, 100030, 9, 100020, 9), 0);
  EXPECT_TRUE(exchange.TakeReports().empty());
  // Crossed, 2 lots a fill: at the book's better price.
  exchange.Match(Book(2, 100010, 3, 100000, 9), 2);
  std::vector<Report> reports = exchange.TakeReports();
  ASSERT_EQ(reports.size(), 2U);
  EXPECT_EQ(std::get<Order>(reports[0]).Balance, 3);
  EXPECT_EQ(std::get<Order>(reports[0]).Status, kOrderActive);
  EXPECT_EQ(std::get<Trade>(reports[1]),
            (Trade{kFirstTradeNumber, kFirstOrderNumber, "SPBFUT", "RIH6", false, 100010, 2}));
  // The same book again holds one lot more, then none.
  exchange.Match(Book(2, 100010, 3, 100000, 9), 2);
  exchange.Match(Book(2, 100010, 3, 100000, 9), 2);
  reports = exchange.TakeReports();
  ASSERT_EQ(reports.size(), 2U);
  EXPECT_EQ(std::get<Trade>(reports[1]).Lots, 1);
  // A new book brings new volume: the last two lots fill the order.
  exchange.Match(Book(3, 100020, 50, 100010, 9), 0);
  reports = exchange.TakeReports();
  ASSERT_EQ(reports.size(), 2U);
  EXPECT_EQ(std::get<Order>(reports[0]).Balance, 0);
  EXPECT_EQ(std::get<Order>(reports[0]).Status, kOrderFilled);
  EXPECT_EQ(exchange.Trades().size(), 3U);

  // A sell fills at the best buy price or above.
  Send(exchange,
       "CLASSCODE=SPBFUT; SECCODE=RIH6; ACTION=NEW_ORDER; OPERATION=S; PRICE=99990; "
       "QUANTITY=1");
  exchange.TakeReports();
  exchange.Match(Book(4, 100000, 5, 99980, 5), 0);
  EXPECT_TRUE(exchange.TakeReports().empty());
  exchange.Match(Book(5, 100000, 5, 99995, 5), 0);
  reports = exchange.TakeReports();
  ASSERT_EQ(reports.size(), 2U);
  EXPECT_EQ(std::get<Trade>(reports[1]).Price, 99995);
  EXPECT_TRUE(std::get<Trade>(reports[1]).IsSell);
}

TEST(StandInExchange, CancelsWhatRestsAndRefusesWhatDoesNot) {
  Exchange exchange;
  Send(exchange, Buy("100", "1"));
  Send(exchange, Buy("101", "1"));
  Send(exchange, "CLASSCODE=OTHER; SECCODE=X; ACTION=NEW_ORDER; OPERATION=S; PRICE=5; QUANTITY=1");
  exchange.TakeReports();

  Reply reply = Send(exchange, "ACTION=KILL_ORDER; CLASSCODE=SPBFUT; SECCODE=RIH6; ORDER_KEY=" +
                                   std::to_string(kFirstOrderNumber));
  EXPECT_EQ(reply.ReplyCode, kReplyExecuted);
  EXPECT_EQ(reply.Message, "Order 5000000001 cancelled.");
  std::vector<Report> reports = exchange.TakeReports();
  ASSERT_EQ(reports.size(), 1U);
  EXPECT_EQ(std::get<Order>(reports[0]).Status, kOrderCancelled);
  EXPECT_EQ(std::get<Order>(reports[0]).Balance, 1);

  // Again, an unknown key, a key of another instrument: not executed, nothing changes.
  for (const std::string& key : {std::to_string(kFirstOrderNumber), std::string("12"),
                                 std::string("abc"), std::to_string(kFirstOrderNumber + 2)}) {
    reply = Send(exchange, "ACTION=KILL_ORDER; CLASSCODE=SPBFUT; SECCODE=RIH6; ORDER_KEY=" + key);
    EXPECT_EQ(reply.ReplyCode, kReplyNotExecuted) << key;
    EXPECT_FALSE(reply.Message.empty());
  }
  EXPECT_TRUE(exchange.TakeReports().empty());

  // Another base contract cancels nothing; the class's own cancels its orders only.
  Send(exchange, "ACTION=KILL_ALL_FUTURES_ORDERS; CLASSCODE=SPBFUT; BASE_CONTRACT=Si");
  EXPECT_TRUE(exchange.TakeReports().empty());
  reply = Send(exchange, "ACTION=KILL_ALL_FUTURES_ORDERS; CLASSCODE=SPBFUT; BASE_CONTRACT=RTS");
  EXPECT_EQ(reply.Message, "All futures orders cancelled.");
  reports = exchange.TakeReports();
  ASSERT_EQ(reports.size(), 1U);
  EXPECT_EQ(std::get<Order>(reports[0]).Number, kFirstOrderNumber + 1);
  EXPECT_EQ(exchange.Orders()[2].Status, kOrderActive);
}

TEST(StandInExchange, ARejectedOrderNeverRestsAndAnUnreadableOneIsOnlyRegistered) {
  Exchange exchange;
  ExchangeRules reject;
  reject.RejectOrder = true;
  const Reply rejected = Send(exchange, Buy("100", "1"), reject);
  EXPECT_EQ(rejected.ReplyCode, kReplyNotExecuted);
  EXPECT_EQ(rejected.OrderNumber, 0U);
  // As the terminal registers any new order, an order without a readable
  // quantity gets its number but never rests.
  EXPECT_EQ(Send(exchange, Buy("100", "1.5")).OrderNumber, kFirstOrderNumber);
  EXPECT_TRUE(exchange.TakeReports().empty());
  EXPECT_TRUE(exchange.Orders().empty());
}

TEST(StandInScript, ListsAreReadWholeOrNotAtAll) {
  EXPECT_EQ(ParseConnectionSteps("9 300ms, 8"),
            (std::vector<ConnectionStep>{{9, 0}, {0, 300}, {8, 0}}));
  for (const char* bad : {"", "500ms", "9 x", "9 -5ms"}) {
    EXPECT_EQ(ParseConnectionSteps(bad), std::nullopt) << bad;
  }
  EXPECT_EQ(ParseSeededTrades("SPBFUT RIH6 B 2 98660; SPBFUT RIH6 S 1 98700,5;"),
            (std::vector<SeededTrade>{{"SPBFUT", "RIH6", false, 2, 98660},
                                      {"SPBFUT", "RIH6", true, 1, 98700.5}}));
  for (const char* bad : {"SPBFUT RIH6 X 2 98660", "SPBFUT RIH6 B 0 98660", "SPBFUT B 2 98660"}) {
    EXPECT_EQ(ParseSeededTrades(bad), std::nullopt) << bad;
  }

  // Seeded trades stand in the day with their filled orders.
  Exchange exchange;
  exchange.SeedTrade("SPBFUT", "RIH6", true, 2, 98660);
  ASSERT_EQ(exchange.Orders().size(), 1U);
  EXPECT_EQ(exchange.Orders()[0].Status, kOrderFilled);
  EXPECT_EQ(exchange.Trades()[0].OrderNumber, exchange.Orders()[0].Number);
  EXPECT_TRUE(exchange.TakeReports().empty());

  InstrumentFilter filter;
  filter.Add("SPBFUT", "RIH6|SiH6");
  filter.Add("OPT", "");
  EXPECT_TRUE(filter.Matches("SPBFUT", "SiH6"));
  EXPECT_FALSE(filter.Matches("SPBFUT", "RIM6"));
  EXPECT_TRUE(filter.Matches("OPT", "anything"));
}

}  // namespace
}  // namespace vestrel::termsim
