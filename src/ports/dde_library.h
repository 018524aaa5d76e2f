#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace vestrel {

// A DDEML handle: a string handle (HSZ), conversation (HCONV) or data handle
// (HDDEDATA), and the callback's answer. Pointer-sized, as on the platform; 0
// is no handle.
using DdeHandle = std::uintptr_t;

// DDEML values the DDE server uses (the published values of the Windows DDEML
// interface).
inline constexpr std::uint32_t kAppCmdFilterInits = 0x20;
inline constexpr std::uint32_t kDmlErrNoError = 0;
inline constexpr int kCpWinAnsi = 1004;
// A string handle is an atom: its text has at most this many characters.
inline constexpr std::size_t kMaxStringHandleLength = 255;
inline constexpr std::uint32_t kDnsRegister = 1;
inline constexpr std::uint32_t kDnsUnregister = 2;
inline constexpr std::uint32_t kCfText = 1;
inline constexpr DdeHandle kDdeFAck = 0x8000;
inline constexpr DdeHandle kDdeFNotProcessed = 0;
inline constexpr std::uint32_t kXtypConnect = 0x1062;
inline constexpr std::uint32_t kXtypAdvStart = 0x1030;
inline constexpr std::uint32_t kXtypRequest = 0x20B0;
inline constexpr std::uint32_t kXtypExecute = 0x4050;
inline constexpr std::uint32_t kXtypPoke = 0x4090;
// Transactions the server answers with 0 (among others).
inline constexpr std::uint32_t kXtypAdvStop = 0x8040;
inline constexpr std::uint32_t kXtypConnectConfirm = 0x8072;
inline constexpr std::uint32_t kXtypDisconnect = 0x80C2;
inline constexpr std::uint32_t kXtypRegister = 0x80A2;

// What the DDE library calls for every transaction of an instance: the eight
// arguments of a DDEML callback, and the answer the library gives the client.
//
// A callback may fail by throwing. The library then answers the transaction
// with 0 (not processed: a refused poke, no data, no connection) and goes on
// serving the instance; the failure has been logged by the error chain before
// it left the callback.
class DdeCallback {
 public:
  virtual ~DdeCallback() = default;
  // topic and item are DDEML's first and second string handles (for a
  // connect, the topic and the service).
  virtual DdeHandle Call(std::uint32_t type, std::uint32_t format, DdeHandle conversation,
                         DdeHandle topic, DdeHandle item, DdeHandle data, DdeHandle data1,
                         DdeHandle data2) = 0;
};

// The DDE Management Library: the operations the DDE server relies on, with
// DDEML's arguments and results. The library calls an instance's callback on
// the thread that initialised the instance, while that thread dispatches
// messages. Texts are UTF-8 here; the platform keeps them in the code page
// given (CP_WINANSI: the system's ANSI code page) and converts both ways.
// Apart from a callback's own failure, no operation throws: each reports as
// DDEML does, through its result.
class DdeLibrary {
 public:
  virtual ~DdeLibrary() = default;

  // DdeInitializeA(&instance, callback, commands, 0): 0 (DMLERR_NO_ERROR)
  // with the new instance identifier written, else a DMLERR_ code.
  virtual std::uint32_t Initialize(std::uint32_t& instance, DdeCallback& callback,
                                   std::uint32_t commands) = 0;
  // DdeCreateStringHandleA(instance, text, codePage): a handle, 0 on failure.
  virtual DdeHandle CreateStringHandle(std::uint32_t instance, std::string_view text,
                                       int codePage) = 0;
  // DdeConnect(instance, service, topic, no context): a conversation when a
  // server answers to the service and topic, else 0.
  virtual DdeHandle Connect(std::uint32_t instance, DdeHandle service, DdeHandle topic) = 0;
  // DdeNameService(instance, service, reserved, command): non-zero on success.
  virtual DdeHandle NameService(std::uint32_t instance, DdeHandle service, DdeHandle reserved,
                                std::uint32_t command) = 0;
  // DdeQueryStringA(instance, handle, buffer, buffer size, codePage). With an
  // empty buffer: the text's length in bytes, without the terminating zero.
  // With a buffer: copies at most size - 1 bytes of the text and a zero and
  // returns the bytes copied without the zero.
  virtual std::uint32_t QueryString(std::uint32_t instance, DdeHandle handle,
                                    std::span<char> buffer, int codePage) = 0;
  // DdeGetData(data, buffer, buffer size, offset). With an empty buffer: the
  // data's size in bytes. With a buffer: copies up to its size from the
  // offset and returns the bytes copied.
  virtual std::uint32_t GetData(DdeHandle data, std::span<std::uint8_t> buffer,
                                std::uint32_t offset) = 0;
  // DdeCreateDataHandle(instance, source, size, offset, item, format,
  // commands): a data handle that the library hands to the client and frees.
  virtual DdeHandle CreateDataHandle(std::uint32_t instance, std::span<const std::uint8_t> source,
                                     std::uint32_t offset, DdeHandle item, std::uint32_t format,
                                     std::uint32_t commands) = 0;
  // DdeFreeStringHandle(instance, handle).
  virtual bool FreeStringHandle(std::uint32_t instance, DdeHandle handle) = 0;
  // DdeUninitialize(instance): ends every conversation of the instance; the
  // callback is not called for it any more.
  virtual bool Uninitialize(std::uint32_t instance) = 0;
};

}  // namespace vestrel
