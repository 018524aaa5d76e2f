#include "guard/connection_watch.h"

#include "common/app_error.h"
#include "common/conversions.h"
#include "diag/error_scope.h"
#include "trade/result_codes.h"

namespace vestrel {
namespace {

constexpr UiText kBack{"The connection to the terminal is back",
                       "Подключение к терминалу восстановлено"};
constexpr UiText kLost{"The connection to the terminal is lost: ",
                       "Подключение к терминалу потеряно: "};
constexpr UiText kLibraryFailed{"the transaction library failed: ",
                                "библиотека транзакций дала сбой: "};
constexpr UiText kAnswered{" answered ", " ответила "};
constexpr UiText kConnectingAgainAnswered{"connecting again answered ",
                                          "повторное подключение ответило "};
constexpr UiText kConnectingAgainFailed{"connecting again failed: ",
                                        "повторное подключение не удалось: "};
constexpr UiText kNotSentUntilBack{
    ". Orders from the price buttons and Reverse are not sent until it is back.",
    ". Заявки от кнопок цен и Reverse не отправляются, пока оно не восстановится."};

}  // namespace

ConnectionWatch::ConnectionWatch(LogDispatcher& log, const GuardSettings& settings,
                                 const Clock& clock, TradingGateway& gateway, EventLog& appLog,
                                 LogWindowModel& logWindow, const RegionalSettings& regional)
    : log_(log),
      settings_(settings),
      clock_(clock),
      gateway_(gateway),
      appLog_(appLog),
      logWindow_(logWindow),
      regional_(regional) {}

bool ConnectionWatch::Answers::Connected() const {
  return Failure.empty() && Dll == kTrans2QuikDllConnected && Quik == kTrans2QuikQuikConnected;
}

void ConnectionWatch::Start(const std::string& appPath) {
  appPath_ = appPath;
  connected_ = true;
  watching_ = settings_.ConnectionCheckMs > 0;
  nextCheckUs_ = clock_.MonotonicMicroseconds() + std::int64_t{settings_.ConnectionCheckMs} * 1000;
}

void ConnectionWatch::Tick() {
  if (!watching_ || clock_.MonotonicMicroseconds() < nextCheckUs_) {
    return;
  }
  Check();
  // The next check counts from the end of this one: a slow library does not
  // make checks pile up.
  nextCheckUs_ = clock_.MonotonicMicroseconds() + std::int64_t{settings_.ConnectionCheckMs} * 1000;
}

ConnectionWatch::Answers ConnectionWatch::Ask() {
  Answers answers;
  try {
    std::int32_t extendedErrorCode = 0;
    answers.Dll = gateway_.Library().IsDllConnected(extendedErrorCode);
    answers.Quik = gateway_.Library().IsQuikConnected(extendedErrorCode);
  } catch (const AppError& error) {
    answers.Failure = error.Description + " (error " + IntegerText(error.Number) + ")";
  }
  return answers;
}

void ConnectionWatch::Check() {
  ErrorScope scope(log_, "Vestrel.frmMain.CheckConnection");
  scope.Stop([&] {
    scope.Line = 1;
    Answers answers = Ask();
    scope.Line = 2;
    Report(answers, "");
    if (!answers.Failure.empty() || answers.Dll == kTrans2QuikDllConnected) {
      return;
    }
    // The library has lost the terminal: connect again, as start-up does,
    // and ask again so that a connection that is back shows at once.
    scope.Line = 3;
    std::string reconnect;
    try {
      std::int32_t extendedErrorCode = 0;
      const std::int32_t result = gateway_.Library().Connect(appPath_, extendedErrorCode);
      reconnect = kConnectingAgainAnswered.In(regional_.InterfaceLanguage()) + ResultText(result);
    } catch (const AppError& error) {
      reconnect = kConnectingAgainFailed.In(regional_.InterfaceLanguage()) + error.Description;
    }
    scope.Line = 4;
    answers = Ask();
    scope.Line = 5;
    Report(answers, reconnect);
  });
}

std::string ConnectionWatch::ResultText(std::int32_t code) {
  const std::string text = ResultCodeName(log_, code);
  return IntegerText(code) + (text.empty() ? "" : " (" + text + ")");
}

void ConnectionWatch::Report(const Answers& answers, const std::string& reconnect) {
  const bool connected = answers.Connected();
  if (connected == connected_) {
    return;
  }
  connected_ = connected;
  const UiLanguage language = regional_.InterfaceLanguage();
  std::string text;
  if (connected) {
    text = kBack.In(language);
    if (!reconnect.empty()) {
      text += " (" + reconnect + ")";
    }
    text += ".";
  } else {
    text = kLost.In(language);
    if (!answers.Failure.empty()) {
      text += kLibraryFailed.In(language) + answers.Failure;
    } else if (answers.Dll != kTrans2QuikDllConnected) {
      text += "TRANS2QUIK_IS_DLL_CONNECTED" + std::string(kAnswered.In(language)) +
              ResultText(answers.Dll);
    } else {
      text += "TRANS2QUIK_IS_QUIK_CONNECTED" + std::string(kAnswered.In(language)) +
              ResultText(answers.Quik);
    }
    if (!reconnect.empty()) {
      text += "; " + reconnect;
    }
    text += kNotSentUntilBack.In(language);
  }
  // A report the event log refuses is dropped: the check goes on to connect
  // again, and the trader still reads it in the log window.
  WriteNotice(appLog_, text, connected ? EventType::Information : EventType::Warning);
  logWindow_.AddLine(text);
}

}  // namespace vestrel
