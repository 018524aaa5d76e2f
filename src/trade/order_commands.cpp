#include "trade/order_commands.h"

#include <cmath>
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
  // A Kill on another base contract than the trader's instrument cancels
  // nothing of his and is still answered as done: the setting wins when it
  // is given.
  const std::string& base =
      settings.BaseContract.empty() ? kDefaultBaseContract : settings.BaseContract;
  return "TRANS_ID=" + IntegerText(transId) + "; ACCOUNT=" + settings.Account +
         "; ACTION=KILL_ALL_FUTURES_ORDERS; CLASSCODE=" + settings.ClassCode +
         ";BASE_CONTRACT=" + base;
}

std::string KillOrderText(const Settings& settings, std::int64_t orderNumber,
                          std::uint32_t transId) {
  return "TRANS_ID=" + IntegerText(transId) +
         "; ACTION=KILL_ORDER; CLASSCODE=" + settings.ClassCode + "; SECCODE=" + settings.SecCode +
         "; ORDER_KEY=" + IntegerText(orderNumber) + ";";
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

void OrderCommands::AttachTrading(OrderCheck& check, LogWindowModel& logWindow,
                                  TradingStateSource state) {
  check_ = &check;
  logWindow_ = &logWindow;
  state_ = std::move(state);
}

bool OrderCommands::PlaceOrder(std::string_view source, OrderSide side, double price,
                               std::int32_t quantity, OrderPurpose purpose) {
  if (check_ != nullptr && !check_->MaySend(source, side, quantity, purpose)) {
    return false;
  }
  SendLimitOrder(side, price, quantity);
  return true;
}

void OrderCommands::KillOrder(std::int64_t orderNumber) {
  ErrorScope scope(log_, "Vestrel.frmMain.KillOrder", ParamRef("lngOrder", orderNumber));
  scope.Stop([&] {
    scope.Line = 1;
    const std::string transaction = KillOrderText(settings_, orderNumber, gateway_.NextTransId());
    scope.Line = 2;
    gateway_.Send(transaction);
  });
}

std::size_t OrderCommands::KillOrdersAt(double price) {
  const TradingState* state = state_ ? state_() : nullptr;
  if (state == nullptr) {
    return 0;
  }
  // Prices that differ by the error of double arithmetic are one level.
  const double tolerance = 1e-9 * std::max(1.0, std::fabs(price));
  std::size_t sent = 0;
  for (const WorkingOrder& order : state->WorkingOrders()) {
    if (std::fabs(order.Price - price) <= tolerance) {
      KillOrder(order.Number);
      ++sent;
    }
  }
  return sent;
}

void OrderCommands::SendLimitOrder(OrderSide side, double price, std::int32_t quantity) {
  ErrorScope scope(
      log_, side == OrderSide::Buy ? "Vestrel.frmMain.LimitBuy" : "Vestrel.frmMain.LimitSell",
      ParamRef("dblPrice", price));
  scope.PassOn([&] {
    scope.Line = 1;
    const std::uint32_t transId = gateway_.NextTransId();
    const std::string transaction =
        LimitOrderText(settings_, side, price, quantity, regional_.DecimalSeparator(), transId);
    scope.Line = 2;
    gateway_.SendNewOrder(transaction, transId, side, quantity);
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

void OrderCommands::PriceButtonClick(const char* source, ControlId button, const ShownPrice& shown,
                                     OrderSide side, double offset) {
  ErrorScope scope(log_, source);
  scope.Stop([&] {
    scope.Line = 1;
    double price = shown.Read();
    scope.Line = 2;
    price = OrderPrice(side, price, offset);
    scope.Line = 3;
    if (!PlaceOrder(MainWindowModel::Design(button).Name, side, price, settings_.Size)) {
      return;
    }
    scope.Line = 4;
    RememberSide(side);
  });
}

void OrderCommands::SellAtBestBid() {
  PriceButtonClick("Vestrel.frmMain.cmdBestBid_Click", ControlId::cmdBestBid, prices_.BestBid,
                   OrderSide::Sell, static_cast<double>(settings_.SafeSpread));
}

void OrderCommands::BuyAtBestAsk() {
  PriceButtonClick("Vestrel.frmMain.cmdBestAsk_Click", ControlId::cmdBestAsk, prices_.BestAsk,
                   OrderSide::Buy, static_cast<double>(settings_.SafeSpread));
}

void OrderCommands::SellAtLargestBid() {
  PriceButtonClick("Vestrel.frmMain.cmdMaxBid_Click", ControlId::cmdMaxBid, prices_.MaxBid,
                   OrderSide::Sell, kMaxLevelOffset);
}

void OrderCommands::BuyAtLargestAsk() {
  PriceButtonClick("Vestrel.frmMain.cmdMaxAsk_Click", ControlId::cmdMaxAsk, prices_.MaxAsk,
                   OrderSide::Buy, kMaxLevelOffset);
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
    PlaceOrder(MainWindowModel::Design(ControlId::cmdReverse).Name,
               lastWasBuy ? OrderSide::Sell : OrderSide::Buy, price, count);
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

void OrderCommands::Flatten() {
  constexpr UiText kNotKnown{"the position is not known", "позиция неизвестна"};
  constexpr UiText kFlat{"the position is flat", "позиции нет"};
  constexpr UiText kNoBuyPrice{"the book has no best buy price",
                               "в стакане нет лучшей цены покупки"};
  constexpr UiText kNoSellPrice{"the book has no best sell price",
                                "в стакане нет лучшей цены продажи"};
  const UiLanguage language = regional_.InterfaceLanguage();
  ErrorScope scope(log_, "Vestrel.frmMain.Flatten");
  scope.Stop([&] {
    scope.Line = 1;
    const TradingState* state = state_ ? state_() : nullptr;
    if (state == nullptr || !state->IsComplete()) {
      NoteNotFlattened(kNotKnown.In(language));
      return;
    }
    const std::int64_t held = state->CurrentPosition().Quantity();
    if (held == 0) {
      NoteNotFlattened(kFlat.In(language));
      return;
    }
    scope.Line = 2;
    // A long closes by selling to the best buyer, a short by buying from the
    // best seller (cmdBestAsk shows the best buy price, cmdBestBid the best
    // sell price).
    const OrderSide side = held > 0 ? OrderSide::Sell : OrderSide::Buy;
    const ShownPrice& against = held > 0 ? prices_.BestAsk : prices_.BestBid;
    if (!against.Number) {
      NoteNotFlattened(held > 0 ? kNoBuyPrice.In(language) : kNoSellPrice.In(language));
      return;
    }
    const double price =
        OrderPrice(side, *against.Number, static_cast<double>(settings_.SafeSpread));
    scope.Line = 3;
    const std::int64_t lots = held > 0 ? held : -held;
    if (lots > std::numeric_limits<std::int32_t>::max()) {
      RaiseOverflow();
    }
    scope.Line = 4;
    PlaceOrder(kFlattenSource, side, price, static_cast<std::int32_t>(lots), OrderPurpose::Close);
  });
}

void OrderCommands::NoteNotFlattened(const std::string& why) {
  constexpr UiText kNotSent{"Flatten: nothing sent, ", "Flatten: ничего не отправлено, "};
  if (logWindow_ != nullptr) {
    logWindow_->AddLine(kNotSent.In(regional_.InterfaceLanguage()) + why);
  }
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
