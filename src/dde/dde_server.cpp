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

DdeServerHandles DdeServer::Start(const std::string& service, const std::string& topic,
                                  const std::string& adviseItem, DdeCallback& callback) {
  const auto callbackAddress = reinterpret_cast<std::uintptr_t>(&callback);
  std::uint32_t& instance = handles_.Instance;
  ErrorScope scope(log_, "Vestrel.modDDE.DDEInit", ParamRef("pDDEServer", service),
                   ParamRef("pDDETopic", topic), ParamRef("pDDEAdvise", adviseItem),
                   ParamRef("pCBAddr", callbackAddress), ParamRef("pInstID", instance),
                   ParamRef("pItemAdvise", handles_.AdviseItem));
  scope.PassOn([&] {
    scope.Line = 1;
    if ((dde_.Initialize(instance, callback, kAppCmdFilterInits) & kResultMask) != kDmlErrNoError) {
      return;
    }
    scope.Line = 2;
    service_ = dde_.CreateStringHandle(instance, service, kCpWinAnsi);
    topic_ = dde_.CreateStringHandle(instance, topic, kCpWinAnsi);
    scope.Line = 3;
    handles_.AdviseItem = dde_.CreateStringHandle(instance, adviseItem, kCpWinAnsi);
    scope.Line = 4;
    if (dde_.Connect(instance, service_, topic_) != 0) {
      messages_.Show(AlreadyRunningText(service, topic), MessageIcon::Exclamation);
      return;
    }
    scope.Line = 5;
    if (dde_.NameService(instance, service_, 0, kDnsRegister) != 0) {
      registered_ = true;
    }
  });
  return handles_;
}

void DdeServer::Stop() {
  const std::uint32_t instance = handles_.Instance;
  ErrorScope scope(log_, "Vestrel.modDDE.DDETerm", ParamRef("pInstID", instance),
                   ParamRef("pItemAdvise", handles_.AdviseItem));
  scope.PassOn([&] {
    scope.Line = 1;
    if (registered_) {
      dde_.NameService(instance, service_, 0, kDnsUnregister);
    }
    scope.Line = 2;
    dde_.FreeStringHandle(instance, service_);
    dde_.FreeStringHandle(instance, topic_);
    dde_.FreeStringHandle(instance, handles_.AdviseItem);
    scope.Line = 3;
    dde_.Uninitialize(instance);
  });
}

DdeHandle DdeServer::Answer(std::uint32_t type, std::uint32_t format, DdeHandle conversation,
                            DdeHandle topic, DdeHandle item, DdeHandle data, DdeHandle data1,
                            DdeHandle data2) {
  // The handles as they are at this call.
  const DdeServerHandles handles = handles_;
  ErrorScope scope(log_, "Vestrel.modDDE.DDECallback", ParamRef("pInstID", handles.Instance),
                   ParamRef("pItemAdvise", handles.AdviseItem), ParamRef("uType", type),
                   ParamRef("uFmt", format), ParamRef("hConv", conversation),
                   ParamRef("hszString1", topic), ParamRef("hszString2", item),
                   ParamRef("hData", data), ParamRef("dwData1", data1), ParamRef("dwData2", data2));
  return scope.PassOn([&]() -> DdeHandle {
    scope.Line = 1;
    switch (type) {
      case kXtypConnect:   // every topic is accepted
      case kXtypAdvStart:  // every item and format is accepted
        return kDdeFAck;
      case kXtypRequest: {
        scope.Line = 2;
        const std::string itemName = QueryText(item);
        scope.Line = 3;
        if (itemName != contract::kDdeRequestItem) {
          return 0;
        }
        scope.Line = 4;
        return dde_.CreateDataHandle(handles.Instance, {}, 0, item, kCfText, 0);
      }
      case kXtypExecute:
        scope.Line = 5;
        FetchData(data);  // the command is ignored
        return kDdeFAck;
      case kXtypPoke: {
        scope.Line = 6;
        const std::string itemName = QueryText(item);
        scope.Line = 7;
        const bool table = itemName.starts_with(contract::kDdeTableItemPrefix);
        if (!table && !observer_) {
          return kDdeFNotProcessed;
        }
        scope.Line = 8;
        const std::vector<std::uint8_t> bytes = FetchData(data);
        if (observer_) {
          observer_(itemName, bytes);
        }
        if (!table) {
          return kDdeFNotProcessed;
        }
        scope.Line = 9;
        // The decoder and the order book keep the identifier as a signed
        // 32-bit value (the same bits).
        decoder_(static_cast<std::int32_t>(handles.Instance), bytes);
        return kDdeFAck;
      }
      default:
        return 0;
    }
  });
}

std::string DdeServer::QueryText(DdeHandle handle) {
  // A string handle is an atom: 255 characters at most, so one call reads it
  // whole (each call is a round trip to the system's atom table).
  std::string text(kMaxStringHandleLength + 1, '\0');
  const std::uint32_t copied = dde_.QueryString(handles_.Instance, handle, text, kCpWinAnsi);
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

DdeHandle DdeServerEntry::Call(std::uint32_t type, std::uint32_t format, DdeHandle conversation,
                               DdeHandle topic, DdeHandle item, DdeHandle data, DdeHandle data1,
                               DdeHandle data2) {
  ErrorScope scope(log_, "Vestrel.modQT.DDEIGlass", ParamRef("uType", type),
                   ParamRef("uFmt", format), ParamRef("hConv", conversation),
                   ParamRef("hszString1", topic), ParamRef("hszString2", item),
                   ParamRef("hData", data), ParamRef("dwData1", data1), ParamRef("dwData2", data2));
  return scope.PassOn([&] {
    scope.Line = 1;
    return server_.Answer(type, format, conversation, topic, item, data, data1, data2);
  });
}

}  // namespace vestrel
