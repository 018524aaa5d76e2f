#include "trade/order_commands.h"

#include <limits>

#include "common/app_error.h"
#include "common/conversions.h"
#include "diag/error_scope.h"
#include "trade/price_grid.h"

namespace vestrel {

std::string LimitOrderText(const Settings& settings, OrderSide side, double price,
                           std::int32_t quantity, char decimalSeparator, std::uint32_t transId) {
  std::string text = "ACCOUNT=";
  text += settings.Account;
  text += "; TYPE=L; TRANS_ID=";
  text += IntegerText(transId);
  text += "; CLASSCODE=";
  text += settings.ClassCode;
  text += "; SECCODE=";
  text += settings.SecCode;
  text += side == OrderSide::Buy ? "; ACTION=NEW_ORDER; OPERATION=B; PRICE="
                                 : "; ACTION=NEW_ORDER; OPERATION=S; PRICE=";
  text += NumberText(price, decimalSeparator);
  text += "; QUANTITY=";
  text += IntegerText(quantity);
  text += ';';
  return text;
}

std::string KillAllOrdersText(const Settings& settings, std::uint32_t transId) {
  return "TRANS_ID=" + IntegerText(transId) + "; ACCOUNT=" + settings.Account +
         "; ACTION=KILL_ALL_FUTURES_ORDERS; CLASSCODE=" + settings.ClassCode + ";BASE_CONTRACT=RTS";
}

OrderCommands::OrderCommands(LogDispatcher& log, const RegionalSettings& regional,
                             MainWindowModel& window, const Settings& settings,
                             const OrderSettings& orders, const ShownPrices& prices,
                             TradingGateway& gateway, ModelessWindows& windows)
    : log_(log),
      regional_(regional),
      window_(window),
      settings_(settings),
      orders_(orders),
      prices_(prices),
      gateway_(gateway),
      windows_(windows) {}

void OrderCommands::SendLimitOrder(OrderSide side, double price, std::int32_t quantity) {
  ErrorScope scope(
      log_, side == OrderSide::Buy ? "Vestrel.frmMain.LimitBuy" : "Vestrel.frmMain.LimitSell",
      ParamRef("dblPrice", price));
  scope.PassOn([&] {
    scope.Line = 1;
    const std::string transaction = LimitOrderText(
        settings_, side, price, quantity, regional_.DecimalSeparator(), gateway_.NextTransId());
    scope.Line = 2;
    gateway_.Send(transaction);
  });
}

double OrderCommands::OrderPrice(OrderSide side, double shown, double offset) const {
  return side == OrderSide::Buy ? GridUp(shown + offset, orders_.Tick)
                                : GridDown(shown - offset, orders_.Tick);
}

void OrderCommands::RememberSide(OrderSide side) {
  lastSide_ = side;
  // After a buy Reverse sells: it takes the sell side's colour, and the buy
  // side's after a sell.
  const ControlId colourOf = side == OrderSide::Buy ? ControlId::cmdBestBid : ControlId::cmdBestAsk;
  window_.SetBackColor(ControlId::cmdReverse, window_.BackColor(colourOf));
  window_.SetEnabled(ControlId::cmdReverse, true);
}

void OrderCommands::PriceButtonClick(const char* source, const ShownPrice& shown, OrderSide side,
                                     double offset) {
  ErrorScope scope(log_, source);
  scope.Stop([&] {
    scope.Line = 1;
    double price = shown.Read();
    scope.Line = 2;
    price = OrderPrice(side, price, offset);
    scope.Line = 3;
    SendLimitOrder(side, price, settings_.Size);
    scope.Line = 4;
    RememberSide(side);
  });
}

void OrderCommands::SellAtBestBid() {
  PriceButtonClick("Vestrel.frmMain.cmdBestBid_Click", prices_.BestBid, OrderSide::Sell,
                   static_cast<double>(settings_.SafeSpread));
}

void OrderCommands::BuyAtBestAsk() {
  PriceButtonClick("Vestrel.frmMain.cmdBestAsk_Click", prices_.BestAsk, OrderSide::Buy,
                   static_cast<double>(settings_.SafeSpread));
}

void OrderCommands::SellAtLargestBid() {
  PriceButtonClick("Vestrel.frmMain.cmdMaxBid_Click", prices_.MaxBid, OrderSide::Sell,
                   kMaxLevelOffset);
}

void OrderCommands::BuyAtLargestAsk() {
  PriceButtonClick("Vestrel.frmMain.cmdMaxAsk_Click", prices_.MaxAsk, OrderSide::Buy,
                   kMaxLevelOffset);
}

void OrderCommands::Reverse() {
  ErrorScope scope(log_, "Vestrel.frmMain.cmdReverse_Click");
  scope.Stop([&] {
    // Before the first order there is no side to reverse (the button is
    // disabled and takes no clicks).
    if (!lastSide_) {
      return;
    }
    scope.Line = 1;
    const bool lastWasBuy = *lastSide_ == OrderSide::Buy;
    scope.Line = 2;
    const auto spread = static_cast<double>(settings_.SafeSpread);
    const double price = lastWasBuy ? OrderPrice(OrderSide::Sell, prices_.BestBid.Read(), spread)
                                    : OrderPrice(OrderSide::Buy, prices_.BestAsk.Read(), spread);
    scope.Line = 3;
    const std::int64_t doubled = std::int64_t{2} * settings_.Size;
    if (doubled < std::numeric_limits<std::int32_t>::min() ||
        doubled > std::numeric_limits<std::int32_t>::max()) {
      RaiseOverflow();
    }
    const auto count = static_cast<std::int32_t>(doubled);
    scope.Line = 4;
    SendLimitOrder(lastWasBuy ? OrderSide::Sell : OrderSide::Buy, price, count);
  });
}

void OrderCommands::KillAllOrders() {
  ErrorScope scope(log_, "Vestrel.frmMain.cmdKillOrders_Click");
  scope.Stop([&] {
    scope.Line = 1;
    const std::string transaction = KillAllOrdersText(settings_, gateway_.NextTransId());
    scope.Line = 2;
    gateway_.Send(transaction);
  });
}

void OrderCommands::ShowLog() {
  ErrorScope scope(log_, "Vestrel.frmMain.cmdLog_Click");
  scope.Stop([&] {
    scope.Line = 1;
    windows_.ShowLog();
  });
}

void OrderCommands::ShowAbout() {
  ErrorScope scope(log_, "Vestrel.frmMain.cmdAbout_Click");
  scope.Stop([&] {
    scope.Line = 1;
    windows_.ShowAbout();
  });
}

}  // namespace vestrel
