#include "dde/dde_server.h"

#include <algorithm>

#include "diag/error_scope.h"

namespace vestrel {
namespace {

// DdeInitializeA's result, taken as a 16-bit value.
constexpr std::uint32_t kResultMask = 0xFFFF;

std::string AlreadyRunningText(const std::string& service, const std::string& topic) {
  return "A DDE server named \"" + service + "\" with topic \"" + topic + "\" is already running.";
}

}  // namespace

void DdeServer::DDEInit(const std::string& pDDEServer, const std::string& pDDETopic,
                        const std::string& pDDEAdvise, DdeCallback& pCBAddr, std::uint32_t& pInstID,
                        DdeHandle& pItemAdvise) {
  const auto callbackAddress = reinterpret_cast<std::uintptr_t>(&pCBAddr);
  ErrorScope scope(log_, "Vestrel.modDDE.DDEInit", ParamRef("pDDEServer", pDDEServer),
                   ParamRef("pDDETopic", pDDETopic), ParamRef("pDDEAdvise", pDDEAdvise),
                   ParamRef("pCBAddr", callbackAddress), ParamRef("pInstID", pInstID),
                   ParamRef("pItemAdvise", pItemAdvise));
  scope.PassOn([&] {
    scope.Line = 1;
    if ((dde_.Initialize(pInstID, pCBAddr, kAppCmdFilterInits) & kResultMask) != kDmlErrNoError) {
      return;
    }
    scope.Line = 2;
    service_ = dde_.CreateStringHandle(pInstID, pDDEServer, kCpWinAnsi);
    topic_ = dde_.CreateStringHandle(pInstID, pDDETopic, kCpWinAnsi);
    scope.Line = 3;
    pItemAdvise = dde_.CreateStringHandle(pInstID, pDDEAdvise, kCpWinAnsi);
    scope.Line = 4;
    if (dde_.Connect(pInstID, service_, topic_) != 0) {
      messages_.Show(AlreadyRunningText(pDDEServer, pDDETopic), MessageIcon::Exclamation);
      return;
    }
    scope.Line = 5;
    if (dde_.NameService(pInstID, service_, 0, kDnsRegister) != 0) {
      registered_ = true;
    }
  });
}

void DdeServer::DDETerm(std::uint32_t& pInstID, DdeHandle& pItemAdvise) {
  ErrorScope scope(log_, "Vestrel.modDDE.DDETerm", ParamRef("pInstID", pInstID),
                   ParamRef("pItemAdvise", pItemAdvise));
  scope.PassOn([&] {
    scope.Line = 1;
    if (registered_) {
      dde_.NameService(pInstID, service_, 0, kDnsUnregister);
    }
    scope.Line = 2;
    dde_.FreeStringHandle(pInstID, service_);
    dde_.FreeStringHandle(pInstID, topic_);
    dde_.FreeStringHandle(pInstID, pItemAdvise);
    scope.Line = 3;
    dde_.Uninitialize(pInstID);
  });
}

DdeHandle DdeServer::DDECallback(std::uint32_t pInstID, DdeHandle pItemAdvise, std::uint32_t uType,
                                 std::uint32_t uFmt, DdeHandle hConv, DdeHandle hszString1,
                                 DdeHandle hszString2, DdeHandle hData, DdeHandle dwData1,
                                 DdeHandle dwData2) {
  ErrorScope scope(log_, "Vestrel.modDDE.DDECallback", ParamRef("pInstID", pInstID),
                   ParamRef("pItemAdvise", pItemAdvise), ParamRef("uType", uType),
                   ParamRef("uFmt", uFmt), ParamRef("hConv", hConv),
                   ParamRef("hszString1", hszString1), ParamRef("hszString2", hszString2),
                   ParamRef("hData", hData), ParamRef("dwData1", dwData1),
                   ParamRef("dwData2", dwData2));
  return scope.PassOn([&]() -> DdeHandle {
    scope.Line = 1;
    switch (uType) {
      case kXtypConnect:   // every topic is accepted
      case kXtypAdvStart:  // every item and format is accepted
        return kDdeFAck;
      case kXtypRequest: {
        scope.Line = 2;
        const std::string item = QueryText(pInstID, hszString2);
        scope.Line = 3;
        if (item != contract::kDdeRequestItem) {
          return 0;
        }
        scope.Line = 4;
        return dde_.CreateDataHandle(pInstID, {}, 0, hszString2, kCfText, 0);
      }
      case kXtypExecute:
        scope.Line = 5;
        FetchData(hData);  // the command is ignored
        return kDdeFAck;
      case kXtypPoke: {
        scope.Line = 6;
        const std::string item = QueryText(pInstID, hszString2);
        scope.Line = 7;
        const bool table = item.starts_with(contract::kDdeTableItemPrefix);
        if (!table && !observer_) {
          return kDdeFNotProcessed;
        }
        scope.Line = 8;
        const std::vector<std::uint8_t> data = FetchData(hData);
        if (observer_) {
          observer_(item, data);
        }
        if (!table) {
          return kDdeFNotProcessed;
        }
        scope.Line = 9;
        // The decoder and the order book keep the identifier as a signed
        // 32-bit value (the same bits).
        auto instance = static_cast<std::int32_t>(pInstID);
        decoder_(instance, data);
        return kDdeFAck;
      }
      default:
        return 0;
    }
  });
}

std::string DdeServer::QueryText(std::uint32_t instance, DdeHandle handle) {
  // A string handle is an atom: 255 characters at most, so one call reads it
  // whole (each call is a round trip to the system's atom table).
  std::string text(kMaxStringHandleLength + 1, '\0');
  const std::uint32_t copied = dde_.QueryString(instance, handle, text, kCpWinAnsi);
  text.resize(std::min<std::size_t>(copied, kMaxStringHandleLength));
  return text;
}

std::vector<std::uint8_t> DdeServer::FetchData(DdeHandle data) {
  const std::uint32_t size = dde_.GetData(data, {}, 0);
  std::vector<std::uint8_t> bytes(size);
  const std::uint32_t copied = dde_.GetData(data, bytes, 0);
  bytes.resize(std::min<std::size_t>(copied, size));
  return bytes;
}

DdeHandle DdeGlassEntry::DDEIGlass(std::uint32_t uType, std::uint32_t uFmt, DdeHandle hConv,
                                   DdeHandle hszString1, DdeHandle hszString2, DdeHandle hData,
                                   DdeHandle dwData1, DdeHandle dwData2) {
  ErrorScope scope(log_, "Vestrel.modQT.DDEIGlass", ParamRef("uType", uType),
                   ParamRef("uFmt", uFmt), ParamRef("hConv", hConv),
                   ParamRef("hszString1", hszString1), ParamRef("hszString2", hszString2),
                   ParamRef("hData", hData), ParamRef("dwData1", dwData1),
                   ParamRef("dwData2", dwData2));
  return scope.PassOn([&] {
    scope.Line = 1;
    return server_.DDECallback(instance_, itemAdvise_, uType, uFmt, hConv, hszString1, hszString2,
                               hData, dwData1, dwData2);
  });
}

}  // namespace vestrel
