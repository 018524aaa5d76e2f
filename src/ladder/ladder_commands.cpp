#include "ladder/ladder_commands.h"

#include <cmath>
#include <vector>

#include "common/conversions.h"
#include "diag/error_scope.h"

namespace vestrel {

LadderCommands::LadderCommands(LogDispatcher& log, const RegionalSettings& regional,
                               const Settings& settings, OrderCommands& commands, OrderGuard& guard,
                               TradingGateway& gateway, LogWindowModel& logWindow)
    : log_(log),
      regional_(regional),
      settings_(settings),
      commands_(commands),
      guard_(guard),
      gateway_(gateway),
      logWindow_(logWindow) {}

void LadderCommands::Click(const LadderClick& click) {
  switch (click.Column) {
    case LadderColumn::Buy:
      Order(OrderSide::Buy, click.Price);
      break;
    case LadderColumn::Sell:
      Order(OrderSide::Sell, click.Price);
      break;
    case LadderColumn::Price:
      CancelMyOrdersAt(click.Price);
      break;
  }
}

void LadderCommands::Order(OrderSide side, double price) {
  const std::string source = "ladder " + NumberText(price, regional_.DecimalSeparator());
  if (!guard_.MaySendFrom(source)) {
    return;
  }
  const std::uint64_t sends = gateway_.SendsMade();
  ErrorScope scope(log_, "Vestrel.frmLadder.RowClick", ParamRef("dblPrice", price));
  scope.Stop([&] {
    scope.Line = 1;
    commands_.PlaceOrder(source, side, price, settings_.Size);
  });
  // A send that returned counts for the guard's interval even when what came
  // after it failed.
  if (gateway_.SendsMade() != sends) {
    guard_.OrderSent();
  }
}

void LadderCommands::CancelMyOrdersAt(double price) {
  constexpr UiText kNothingCancelledAt{"Nothing cancelled at ", "Ничего не снято на "};
  constexpr UiText kNoOrdersSeen{
      ": the panel does not see the trader's orders ([Paper] Enabled=1 or [Live] Orders=1)",
      ": панель не видит заявок трейдера ([Paper] Enabled=1 или [Live] Orders=1)"};
  constexpr UiText kNoneWorking{": no working order at this price",
                                ": на этой цене нет активных заявок"};
  const UiLanguage language = regional_.InterfaceLanguage();
  const std::string priceText = NumberText(price, regional_.DecimalSeparator());
  if (state_ == nullptr) {
    Note(kNothingCancelledAt.In(language) + priceText + kNoOrdersSeen.In(language));
    return;
  }
  if (commands_.KillOrdersAt(price) == 0) {
    Note(kNothingCancelledAt.In(language) + priceText + kNoneWorking.In(language));
  }
}

void LadderCommands::Note(const std::string& line) {
  ErrorScope scope(log_, "Vestrel.frmLadder.Note", ParamRef("strLine", line));
  scope.Stop([&] {
    scope.Line = 1;
    logWindow_.AddLine(line);
  });
}

}  // namespace vestrel
