#include "paper/paper_exchange.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

#include "common/app_error.h"
#include "common/conversions.h"

namespace vestrel {
namespace {

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The value of KEY in "KEY=value; KEY=value;...": the first pair with that
// key, blanks around the value removed.
std::optional<std::string_view> Field(std::string_view transaction, std::string_view key) {
  while (!transaction.empty()) {
    const std::size_t end = transaction.find(';');
    const std::string_view pair = transaction.substr(0, end);
    transaction = end == std::string_view::npos ? std::string_view() : transaction.substr(end + 1);
    const std::size_t equals = pair.find('=');
    if (equals != std::string_view::npos && Trim(pair.substr(0, equals)) == key) {
      return Trim(pair.substr(equals + 1));
    }
  }
  return std::nullopt;
}

std::int32_t TransactionId(std::string_view transaction) {
  const std::string_view text = Field(transaction, "TRANS_ID").value_or("");
  std::int32_t id = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
  return error == std::errc() && end == text.data() + text.size() ? id : 0;
}

std::optional<double> Number(std::optional<std::string_view> text, char separator) {
  if (!text) {
    return std::nullopt;
  }
  try {
    const double value = ToNumber(*text, separator);
    return std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
  } catch (const AppError&) {
    return std::nullopt;
  }
}

// What the library writes into a message buffer of the given size.
std::string Fit(std::string text, std::int32_t bufferSize) {
  text.resize(std::min(text.size(), static_cast<std::size_t>(std::max(bufferSize, 0))));
  return text;
}

}  // namespace

std::string PaperAcceptedMessage(std::int64_t orderNumber) {
  return "paper order " + IntegerText(orderNumber) + " accepted";
}

std::string PaperCancelledMessage(std::int64_t orderNumber) {
  return "paper order " + IntegerText(orderNumber) + " cancelled";
}

std::string PaperNoOrderMessage(std::int64_t orderNumber) {
  return "paper: no working order " + IntegerText(orderNumber) + " to cancel";
}

std::int32_t PaperExchange::Connect(const std::string& /*connectionText*/,
                                    std::int32_t& extendedErrorCode) {
  extendedErrorCode = 0;
  return kSuccess;
}

std::int32_t PaperExchange::IsDllConnected(std::int32_t& extendedErrorCode) {
  extendedErrorCode = 0;
  return kDllConnected;
}

std::int32_t PaperExchange::IsQuikConnected(std::int32_t& extendedErrorCode) {
  extendedErrorCode = 0;
  return kQuikConnected;
}

std::int32_t PaperExchange::Disconnect(std::int32_t& extendedErrorCode) {
  extendedErrorCode = 0;
  return kSuccess;
}

std::int32_t PaperExchange::SendSyncTransaction(
    const std::string& transaction, std::int32_t& replyCode, std::int32_t& transId,
    double& orderNum, std::string& resultMessage, std::int32_t resultMessageSize,
    std::int32_t& extendedErrorCode, std::string& errorMessage, std::int32_t errorMessageSize) {
  transId = TransactionId(transaction);
  extendedErrorCode = 0;
  const std::string_view action = Field(transaction, "ACTION").value_or("");

  std::optional<RestingOrder> order;
  if (action == "NEW_ORDER") {
    const std::string_view operation = Field(transaction, "OPERATION").value_or("");
    const std::optional<double> price =
        Number(Field(transaction, "PRICE"), regional_.DecimalSeparator());
    const std::optional<double> quantity =
        Number(Field(transaction, "QUANTITY"), regional_.DecimalSeparator());
    std::string refusal;
    if (operation != "B" && operation != "S") {
      refusal = "paper: NEW_ORDER needs OPERATION B or S";
    } else if (!price) {
      refusal = "paper: NEW_ORDER needs a PRICE";
    } else if (!quantity || *quantity < 1 || *quantity != std::floor(*quantity) ||
               *quantity > static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
      refusal = "paper: NEW_ORDER needs a whole QUANTITY above 0";
    }
    if (!refusal.empty()) {
      replyCode = 0;
      orderNum = 0;
      resultMessage.clear();
      errorMessage = Fit(refusal, errorMessageSize);
      return kWrongSyntax;
    }
    order = RestingOrder{0, operation == "B" ? OrderSide::Buy : OrderSide::Sell, *price,
                         static_cast<std::int64_t>(*quantity), transId};
  } else if (action == "KILL_ORDER") {
    const std::string_view key = Field(transaction, "ORDER_KEY").value_or("");
    std::int64_t number = 0;
    const auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), number);
    if (error != std::errc() || end != key.data() + key.size() || key.empty()) {
      replyCode = 0;
      orderNum = 0;
      resultMessage.clear();
      errorMessage = Fit("paper: KILL_ORDER needs an ORDER_KEY", errorMessageSize);
      return kWrongSyntax;
    }
    const auto found = std::find_if(resting_.begin(), resting_.end(),
                                    [&](const RestingOrder& o) { return o.Number == number; });
    if (found == resting_.end()) {
      // As the terminal answers: the transaction went through, the exchange
      // did not execute it, and the message says why.
      replyCode = kReplyRejected;
      orderNum = 0;
      resultMessage = Fit(PaperNoOrderMessage(number), resultMessageSize);
      errorMessage.clear();
      return kSuccess;
    }
    // Answered with the cancelled order's own number: a cancel is no new
    // order and takes no number.
    Report(*found, OrderStatus::Cancelled);
    resting_.erase(found);
    replyCode = kReplyExecuted;
    orderNum = static_cast<double>(number);
    resultMessage = Fit(PaperCancelledMessage(number), resultMessageSize);
    errorMessage.clear();
    return kSuccess;
  } else if (action == "KILL_ALL_FUTURES_ORDERS") {
    for (const RestingOrder& killed : resting_) {
      Report(killed, OrderStatus::Cancelled);
    }
    resting_.clear();
  }

  const std::int64_t number = ++lastOrderNumber_;
  if (order) {
    order->Number = number;
    resting_.push_back(*order);
    Report(*order, OrderStatus::Active);
  }
  replyCode = kReplyExecuted;
  orderNum = static_cast<double>(number);
  resultMessage = Fit(PaperAcceptedMessage(number), resultMessageSize);
  errorMessage.clear();
  return kSuccess;
}

std::vector<PaperFill> PaperExchange::BookChanged(std::optional<double> lowestSell,
                                                  std::optional<double> highestBuy) {
  std::vector<PaperFill> fills;
  std::vector<RestingOrder> still;
  still.reserve(resting_.size());
  for (const RestingOrder& order : resting_) {
    const std::optional<double>& against = order.Side == OrderSide::Buy ? lowestSell : highestBuy;
    const bool crossed = against && (order.Side == OrderSide::Buy ? *against <= order.Price
                                                                  : *against >= order.Price);
    if (crossed) {
      fills.push_back({order.Number, order.Side, order.Quantity, *against});
      Report(order, OrderStatus::Filled);
      if (state_ != nullptr) {
        state_->Apply(
            TradeReport{++lastTradeNumber_, order.Number, order.Side, *against, order.Quantity});
      }
    } else {
      still.push_back(order);
    }
  }
  resting_ = std::move(still);
  return fills;
}

void PaperExchange::Report(const RestingOrder& order, OrderStatus status) {
  if (state_ != nullptr) {
    state_->Apply(OrderUpdate{order.Number, order.TransId, order.Side, order.Price, order.Quantity,
                              status == OrderStatus::Filled ? 0 : order.Quantity, status});
  }
}

}  // namespace vestrel
