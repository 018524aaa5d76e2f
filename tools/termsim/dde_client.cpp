#include "dde_client.h"

// clang-format off
#include <windows.h>
#include <ddeml.h>
// clang-format on

#include <stdexcept>

namespace vestrel::termsim {
namespace {

HDDEDATA CALLBACK ClientCallback(UINT /*uType*/, UINT /*uFmt*/, HCONV /*hConv*/, HSZ /*hsz1*/,
                                 HSZ /*hsz2*/, HDDEDATA /*hData*/, ULONG_PTR /*dwData1*/,
                                 ULONG_PTR /*dwData2*/) {
  return nullptr;
}

HCONV Conv(void* conversation) { return static_cast<HCONV>(conversation); }

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

// A transaction's answer from its result and status word.
DdeClient::Answer AnswerOf(HDDEDATA result, DWORD status, UINT error) {
  if (result != nullptr) {
    return (status & DDE_FACK) != 0 ? DdeClient::Answer::Acknowledged : DdeClient::Answer::Refused;
  }
  return error == DMLERR_NOTPROCESSED || error == DMLERR_BUSY ? DdeClient::Answer::Refused
                                                              : DdeClient::Answer::Failed;
}

}  // namespace

void PumpFor(std::chrono::steady_clock::duration duration) {
  const auto until = std::chrono::steady_clock::now() + duration;
  while (true) {
    PumpMessages();
    const auto left = until - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) {
      return;
    }
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(ms), QS_ALLINPUT);
  }
}

DdeClient::DdeClient() {
  DWORD instance = 0;
  if (DdeInitializeA(&instance, ClientCallback, APPCMD_CLIENTONLY | CBF_SKIP_ALLNOTIFICATIONS, 0) !=
      DMLERR_NO_ERROR) {
    throw std::runtime_error("DDEML does not initialise a client");
  }
  instance_ = instance;
}

DdeClient::~DdeClient() {
  Disconnect();
  for (const auto& [text, handle] : items_) {
    DdeFreeStringHandle(instance_, static_cast<HSZ>(handle));
  }
  DdeUninitialize(instance_);
}

bool DdeClient::Connect(std::string_view service, std::string_view topic,
                        std::chrono::milliseconds patience) {
  Disconnect();
  const HSZ serviceHandle =
      DdeCreateStringHandleA(instance_, std::string(service).c_str(), CP_WINANSI);
  const HSZ topicHandle = DdeCreateStringHandleA(instance_, std::string(topic).c_str(), CP_WINANSI);
  const auto until = std::chrono::steady_clock::now() + patience;
  while (true) {
    conversation_ = DdeConnect(instance_, serviceHandle, topicHandle, nullptr);
    if (conversation_ != nullptr || std::chrono::steady_clock::now() >= until) {
      break;
    }
    PumpFor(std::chrono::milliseconds(50));
  }
  DdeFreeStringHandle(instance_, topicHandle);
  DdeFreeStringHandle(instance_, serviceHandle);
  return conversation_ != nullptr;
}

bool DdeClient::Connected() const {
  if (conversation_ == nullptr) {
    return false;
  }
  CONVINFO info{};
  info.cb = sizeof info;
  return DdeQueryConvInfo(Conv(conversation_), QID_SYNC, &info) != 0 &&
         (info.wStatus & ST_CONNECTED) != 0;
}

void DdeClient::Disconnect() {
  if (conversation_ != nullptr) {
    DdeDisconnect(Conv(conversation_));
    conversation_ = nullptr;
  }
}

void* DdeClient::Item(std::string_view item) {
  const auto found = items_.find(item);
  if (found != items_.end()) {
    return found->second;
  }
  HSZ handle = DdeCreateStringHandleA(instance_, std::string(item).c_str(), CP_WINANSI);
  items_.emplace(std::string(item), handle);
  return handle;
}

DdeClient::Answer DdeClient::Poke(std::string_view item, std::span<const std::uint8_t> data,
                                  unsigned format, std::uint32_t timeoutMs) {
  if (conversation_ == nullptr) {
    return Answer::Failed;
  }
  DWORD status = 0;
  // DDEML only reads the data.
  auto* bytes = const_cast<LPBYTE>(data.data());
  const HDDEDATA result =
      DdeClientTransaction(bytes, static_cast<DWORD>(data.size()), Conv(conversation_),
                           static_cast<HSZ>(Item(item)), format, XTYP_POKE, timeoutMs, &status);
  return AnswerOf(result, status, result == nullptr ? LastError() : DMLERR_NO_ERROR);
}

std::optional<std::vector<std::uint8_t>> DdeClient::Request(std::string_view item, unsigned format,
                                                            std::uint32_t timeoutMs) {
  if (conversation_ == nullptr) {
    return std::nullopt;
  }
  DWORD status = 0;
  const HDDEDATA data =
      DdeClientTransaction(nullptr, 0, Conv(conversation_), static_cast<HSZ>(Item(item)), format,
                           XTYP_REQUEST, timeoutMs, &status);
  if (data == nullptr) {
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes(DdeGetData(data, nullptr, 0, 0));
  if (!bytes.empty()) {
    DdeGetData(data, bytes.data(), static_cast<DWORD>(bytes.size()), 0);
  }
  DdeFreeDataHandle(data);
  return bytes;
}

DdeClient::Answer DdeClient::Execute(std::string_view command, std::uint32_t timeoutMs) {
  if (conversation_ == nullptr) {
    return Answer::Failed;
  }
  std::string text(command);
  DWORD status = 0;
  const HDDEDATA result = DdeClientTransaction(
      reinterpret_cast<LPBYTE>(text.data()), static_cast<DWORD>(text.size() + 1),
      Conv(conversation_), nullptr, CF_TEXT, XTYP_EXECUTE, timeoutMs, &status);
  return AnswerOf(result, status, result == nullptr ? LastError() : DMLERR_NO_ERROR);
}

unsigned DdeClient::LastError() const { return DdeGetLastError(instance_); }

unsigned DdeClient::FormatOf(std::string_view name) {
  if (name == "CF_TEXT") {
    return CF_TEXT;
  }
  return RegisterClipboardFormatA(std::string(name).c_str());
}

}  // namespace vestrel::termsim
