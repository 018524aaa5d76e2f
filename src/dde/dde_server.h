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

// The instance identifier and advise-item string handle a server keeps from
// Start to Stop.
struct DdeServerHandles {
  std::uint32_t Instance = 0;
  DdeHandle AdviseItem = 0;
};

// The DDE server the terminal pokes its order book into, written against the
// DDE library port.
//
// Start-up starts it with the contract's service, topic and advise item and
// the callback; shutdown stops it. In between, the library calls the callback
// (DdeServerEntry below) for every transaction, which hands it to Answer:
// connections and advise loops are accepted, the request item is answered
// with empty text, executes are acknowledged and the data of every poke to an
// item beginning with the table prefix goes to the XLTable decoder (both
// compared case-sensitively).
//
// Every procedure follows the error chain under its "Vestrel.modDDE." name and
// passes failures on; a failure that leaves the callback is answered with 0
// by the DDE library, which goes on serving.
class DdeServer {
 public:
  // The decoder's Decode: decodes one poke's data and hands the table to
  // the order book intake.
  using PokeDecoder = std::function<void(std::int32_t instance, std::span<const std::uint8_t>)>;

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

  // Initialises an instance with the callback, creates the string handles and
  // registers the service name, unless a server already answers to this
  // service and topic: then it warns the trader and does not serve. A failed
  // initialisation returns at once, silently. Returns the handles kept (also
  // Handles(), which holds each as soon as it is made, failure or not).
  DdeServerHandles Start(const std::string& service, const std::string& topic,
                         const std::string& adviseItem, DdeCallback& callback);

  // Unregisters the service name if it was registered, frees the three string
  // handles and uninitialises the instance; harmless in every state Start
  // can leave, calls on 0 included.
  void Stop();

  // Answers one transaction of the instance (for a connect, item is the
  // service name). Returns DDEML's answer.
  DdeHandle Answer(std::uint32_t type, std::uint32_t format, DdeHandle conversation,
                   DdeHandle topic, DdeHandle item, DdeHandle data, DdeHandle data1,
                   DdeHandle data2);

  // Server state.
  const DdeServerHandles& Handles() const { return handles_; }
  DdeHandle ServiceHandle() const { return service_; }
  DdeHandle TopicHandle() const { return topic_; }
  // True once the service name has been registered; never cleared.
  bool Registered() const { return registered_; }

 private:
  // The text of a string handle (one DdeQueryStringA).
  std::string QueryText(DdeHandle handle);
  // The bytes of a data handle (two-call DdeGetData).
  std::vector<std::uint8_t> FetchData(DdeHandle data);

  LogDispatcher& log_;
  DdeLibrary& dde_;
  MessageBox& messages_;
  PokeDecoder decoder_;
  PokeObserver observer_;
  DdeServerHandles handles_;
  DdeHandle service_ = 0;
  DdeHandle topic_ = 0;
  bool registered_ = false;
};

// The callback start-up registers: hands every transaction to the server's
// Answer; follows the error chain as "Vestrel.modQT.DDEIGlass" and passes
// failures on, out of the callback.
class DdeServerEntry : public DdeCallback {
 public:
  DdeServerEntry(LogDispatcher& log, DdeServer& server) : log_(log), server_(server) {}

  DdeHandle Call(std::uint32_t type, std::uint32_t format, DdeHandle conversation, DdeHandle topic,
                 DdeHandle item, DdeHandle data, DdeHandle data1, DdeHandle data2) override;

 private:
  LogDispatcher& log_;
  DdeServer& server_;
};

}  // namespace vestrel
