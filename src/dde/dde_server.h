#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "contract/automation_contract.h"
#include "diag/log_dispatcher.h"
#include "ports/dde_library.h"
#include "ports/message_box.h"

namespace vestrel {

// The DDE server the terminal pokes its order book into (modDDE's DDEInit,
// DDETerm and DDECallback), written against the DDE library port.
//
// Start-up registers it with DDEInit(the contract's service, topic and advise
// item, the callback, instance, advise item) and keeps the instance identifier and advise-item
// handle; shutdown calls DDETerm with them. In between, the library calls the callback
// (DdeGlassEntry below) for every transaction; it supplies the kept values and calls DDECallback,
// which accepts connections and advise loops, answers the request item with empty text,
// acknowledges executes and hands the data of every poke to an item beginning with the table prefix
// to the XLTable decoder (both compared case-sensitively).
//
// Every procedure follows the error chain under its "Vestrel.modDDE." name and
// passes failures on; a failure that leaves the callback is answered with 0
// by the DDE library, which goes on serving.
class DdeServer {
 public:
  // The decoder's Decode: decodes one poke's data and hands the table to
  // the order book intake.
  using PokeDecoder = std::function<void(std::int32_t& pInstID, std::span<const std::uint8_t>)>;

  // Sees every poke that arrives, to any item, before it is decoded or
  // refused; must not throw.
  using PokeObserver = std::function<void(std::string_view item, std::span<const std::uint8_t>)>;

  DdeServer(LogDispatcher& log, DdeLibrary& dde, MessageBox& messages, PokeDecoder decoder)
      : log_(log), dde_(dde), messages_(messages), decoder_(std::move(decoder)) {}

  // Shows every poke to the observer from now on (none: the data of a poke to
  // an item that is not decoded is then not even fetched).
  void ObservePokes(PokeObserver observer) { observer_ = std::move(observer); }

  DdeServer(const DdeServer&) = delete;
  DdeServer& operator=(const DdeServer&) = delete;

  // Initialises an instance with the callback pCBAddr (its identifier into
  // pInstID), creates the string handles (the advise item's into
  // pItemAdvise) and registers the service name, unless a server already
  // answers to this service and topic: then it warns the trader and does not
  // serve. A failed initialisation returns at once, silently.
  void DDEInit(const std::string& pDDEServer, const std::string& pDDETopic,
               const std::string& pDDEAdvise, DdeCallback& pCBAddr, std::uint32_t& pInstID,
               DdeHandle& pItemAdvise);

  // Unregisters the service name if it was registered, frees the three string
  // handles and uninitialises the instance; harmless in every state DDEInit
  // can leave, calls on 0 included.
  void DDETerm(std::uint32_t& pInstID, DdeHandle& pItemAdvise);

  // The transaction handler. Returns DDEML's answer.
  DdeHandle DDECallback(std::uint32_t pInstID, DdeHandle pItemAdvise, std::uint32_t uType,
                        std::uint32_t uFmt, DdeHandle hConv, DdeHandle hszString1,
                        DdeHandle hszString2, DdeHandle hData, DdeHandle dwData1,
                        DdeHandle dwData2);

  // Server state.
  DdeHandle ServiceHandle() const { return service_; }
  DdeHandle TopicHandle() const { return topic_; }
  // True once the service name has been registered; never cleared.
  bool Registered() const { return registered_; }

 private:
  // The text of a string handle (one DdeQueryStringA).
  std::string QueryText(std::uint32_t instance, DdeHandle handle);
  // The bytes of a data handle (two-call DdeGetData).
  std::vector<std::uint8_t> FetchData(DdeHandle data);

  LogDispatcher& log_;
  DdeLibrary& dde_;
  MessageBox& messages_;
  PokeDecoder decoder_;
  PokeObserver observer_;
  DdeHandle service_ = 0;
  DdeHandle topic_ = 0;
  bool registered_ = false;
};

// modQT's DDEIGlass: the callback start-up registers. Supplies the instance
// identifier and advise-item handle that start-up keeps (read at every call)
// to DdeServer::DDECallback and returns its answer; follows the error chain as
// "Vestrel.modQT.DDEIGlass" and passes failures on, out of the callback.
class DdeGlassEntry : public DdeCallback {
 public:
  DdeGlassEntry(LogDispatcher& log, DdeServer& server, const std::uint32_t& instance,
                const DdeHandle& itemAdvise)
      : log_(log), server_(server), instance_(instance), itemAdvise_(itemAdvise) {}

  DdeHandle DDEIGlass(std::uint32_t uType, std::uint32_t uFmt, DdeHandle hConv,
                      DdeHandle hszString1, DdeHandle hszString2, DdeHandle hData,
                      DdeHandle dwData1, DdeHandle dwData2);

  DdeHandle Call(std::uint32_t uType, std::uint32_t uFmt, DdeHandle hConv, DdeHandle hszString1,
                 DdeHandle hszString2, DdeHandle hData, DdeHandle dwData1,
                 DdeHandle dwData2) override {
    return DDEIGlass(uType, uFmt, hConv, hszString1, hszString2, hData, dwData1, dwData2);
  }

 private:
  LogDispatcher& log_;
  DdeServer& server_;
  const std::uint32_t& instance_;
  const DdeHandle& itemAdvise_;
};

}  // namespace vestrel
