#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "contract/automation_contract.h"
#include "ports/dde_library.h"

namespace vestrel::testing {

// A DDE library in memory for one server instance: it records every call the
// server makes, scripts DDEML's answers, and delivers transactions to the
// instance's callback as a client's requests would arrive. String handles act
// like DDEML's global atoms: one handle per text compared without regard to
// case, spelled as first created while any reference lives.
//
// Like the real layer, it answers a transaction whose callback fails (throws)
// with 0, counts the failure in CallbackFailures and goes on serving.
class FakeDdeLibrary : public DdeLibrary {
 public:
  struct DataHandle {
    std::vector<std::uint8_t> Bytes;
    DdeHandle Item = 0;
    std::uint32_t Format = 0;
  };

  std::uint32_t Initialize(std::uint32_t& instance, DdeCallback& callback,
                           std::uint32_t commands) override;
  DdeHandle CreateStringHandle(std::uint32_t instance, std::string_view text,
                               int codePage) override;
  DdeHandle Connect(std::uint32_t instance, DdeHandle service, DdeHandle topic) override;
  DdeHandle NameService(std::uint32_t instance, DdeHandle service, DdeHandle reserved,
                        std::uint32_t command) override;
  std::uint32_t QueryString(std::uint32_t instance, DdeHandle handle, std::span<char> buffer,
                            int codePage) override;
  std::uint32_t GetData(DdeHandle data, std::span<std::uint8_t> buffer,
                        std::uint32_t offset) override;
  DdeHandle CreateDataHandle(std::uint32_t instance, std::span<const std::uint8_t> source,
                             std::uint32_t offset, DdeHandle item, std::uint32_t format,
                             std::uint32_t commands) override;
  bool FreeStringHandle(std::uint32_t instance, DdeHandle handle) override;
  bool Uninitialize(std::uint32_t instance) override;

  // Scripted answers.
  std::uint32_t InitializeResult = 0;   // DMLERR_NO_ERROR
  std::uint32_t InstanceToGive = 0x2A;  // written on success
  bool OtherServerRunning = false;      // Connect finds a server
  DdeHandle NameServiceResult = 1;      // registration's result

  // What the server did: one line per call, e.g.
  //   Initialize(0, 0x20) -> 0          CreateStringHandle(42, "a", 1004) -> 0xc000
  //   Connect(42, 0xc000, 0xc001) -> 0  NameService(42, 0xc000, 0, 1) -> 1
  //   QueryString(42, 0xc002, 0, 1004) -> 10   (buffer size, not the buffer)
  //   GetData(0x9000, 0, 0) -> 5        CreateDataHandle(42, 0, 0, 0xc003, 1, 0) -> 0x9001
  //   FreeStringHandle(42, 0xc000)      Uninitialize(42)
  std::vector<std::string> Calls;

  // Instance state.
  DdeCallback* Callback = nullptr;
  std::uint32_t Instance = 0;
  bool Serving = false;
  std::vector<DdeHandle> OpenConversations;
  // Live string handles: handle -> text; the data handles the server created.
  std::map<DdeHandle, std::string> Strings() const;
  std::map<DdeHandle, DataHandle> CreatedData;
  int CallbackFailures = 0;

  // Transactions delivered to the callback; each returns the answer the client
  // receives. The client's string and data handles live for the call.
  DdeHandle Deliver(std::uint32_t uType, std::uint32_t uFmt, DdeHandle hConv, DdeHandle hsz1,
                    DdeHandle hsz2, DdeHandle hData, DdeHandle dwData1 = 0, DdeHandle dwData2 = 0);
  // A client connects to the registered service with this topic: the
  // callback's answer to XTYP_CONNECT (0 when the service is not registered,
  // without a call).
  DdeHandle ClientConnect(std::string_view topic);
  DdeHandle ClientPoke(std::string_view item, const std::vector<std::uint8_t>& bytes,
                       std::uint32_t format = kCfText,
                       std::string_view topic = contract::kDdeTopic);
  DdeHandle ClientRequest(std::string_view item, std::uint32_t format = kCfText);
  DdeHandle ClientExecute(std::string_view command);
  DdeHandle ClientAdviseStart(std::string_view item, std::uint32_t format = kCfText);

  // A client's string handle (atom semantics as above) and its release.
  DdeHandle ClientString(std::string_view text);
  void ClientFree(DdeHandle handle);

 private:
  struct Atom {
    std::string Spelling;
    int References = 0;
  };
  DdeHandle AddAtom(std::string_view text);
  bool ReleaseAtom(DdeHandle handle);
  // A client's data handle lives for one transaction; the next one gets the
  // handle freed last again, as the system hands out memory just freed.
  DdeHandle TakeClientData(std::vector<std::uint8_t> bytes);
  void FreeClientData(DdeHandle data);

  std::map<std::string, DdeHandle> atomByKey_;  // lower-case text -> handle
  std::map<DdeHandle, Atom> atoms_;
  std::map<DdeHandle, std::vector<std::uint8_t>> clientData_;
  DdeHandle nextAtom_ = 0xC000;
  DdeHandle nextData_ = 0x9000;
  DdeHandle freedClientData_ = 0;
  DdeHandle nextConversation_ = 0x500;
};

}  // namespace vestrel::testing
