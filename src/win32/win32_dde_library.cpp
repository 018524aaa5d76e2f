#include "win32/win32_dde_library.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <string>
#include <utility>

#include "win32/text_encoding.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {
namespace {

// The core keeps its own copies of DDEML's values: each must be the platform's.
static_assert(kAppCmdFilterInits == APPCMD_FILTERINITS);
static_assert(kDmlErrNoError == DMLERR_NO_ERROR);
static_assert(kCpWinAnsi == CP_WINANSI);
static_assert(kDnsRegister == DNS_REGISTER);
static_assert(kDnsUnregister == DNS_UNREGISTER);
static_assert(kCfText == CF_TEXT);
static_assert(kDdeFAck == DDE_FACK);
static_assert(kDdeFNotProcessed == DDE_FNOTPROCESSED);
static_assert(kXtypConnect == XTYP_CONNECT);
static_assert(kXtypAdvStart == XTYP_ADVSTART);
static_assert(kXtypRequest == XTYP_REQUEST);
static_assert(kXtypExecute == XTYP_EXECUTE);
static_assert(kXtypPoke == XTYP_POKE);
static_assert(kXtypAdvStop == XTYP_ADVSTOP);
static_assert(kXtypConnectConfirm == XTYP_CONNECT_CONFIRM);
static_assert(kXtypDisconnect == XTYP_DISCONNECT);
static_assert(kXtypRegister == XTYP_REGISTER);
// DdeHandle carries HSZ, HCONV and HDDEDATA whole.
static_assert(sizeof(DdeHandle) == sizeof(HSZ) && sizeof(DdeHandle) == sizeof(HDDEDATA));

constexpr std::size_t kSlots = Win32DdeLibrary::kMaxInstances;

// One callback entry: the DdeCallback bound to it and the instance it serves
// (0 while the instance is being initialised).
struct Slot {
  std::atomic<DdeCallback*> Callback{nullptr};
  std::atomic<DWORD> Instance{0};
};

std::array<Slot, kSlots>& Slots() {
  static std::array<Slot, kSlots> slots;
  return slots;
}

std::mutex& SlotsLock() {
  static std::mutex lock;
  return lock;
}

HDDEDATA Dispatch(std::size_t slot, UINT uType, UINT uFmt, HCONV hConv, HSZ hsz1, HSZ hsz2,
                  HDDEDATA hData, ULONG_PTR dwData1, ULONG_PTR dwData2) {
  DdeCallback* const callback = Slots()[slot].Callback.load();
  if (callback == nullptr) {
    return nullptr;
  }
  try {
    return reinterpret_cast<HDDEDATA>(callback->Call(
        uType, uFmt, reinterpret_cast<DdeHandle>(hConv), reinterpret_cast<DdeHandle>(hsz1),
        reinterpret_cast<DdeHandle>(hsz2), reinterpret_cast<DdeHandle>(hData), dwData1, dwData2));
  } catch (...) {
    // The error chain has logged the failure: refuse the transaction and
    // keep serving.
    return nullptr;
  }
}

template <std::size_t N>
HDDEDATA CALLBACK Entry(UINT uType, UINT uFmt, HCONV hConv, HSZ hsz1, HSZ hsz2, HDDEDATA hData,
                        ULONG_PTR dwData1, ULONG_PTR dwData2) {
  return Dispatch(N, uType, uFmt, hConv, hsz1, hsz2, hData, dwData1, dwData2);
}

template <std::size_t... N>
constexpr std::array<PFNCALLBACK, sizeof...(N)> MakeEntries(std::index_sequence<N...> /*slots*/) {
  return {&Entry<N>...};
}

constexpr std::array<PFNCALLBACK, kSlots> kEntries =
    MakeEntries(std::make_index_sequence<kSlots>());

HSZ Hsz(DdeHandle handle) { return reinterpret_cast<HSZ>(handle); }

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// UTF-8 to and from the system's ANSI code page (CP_WINANSI); ASCII, which
// every name the server uses is, passes unchanged.
std::string ToCodePage(std::string_view text) {
  return IsAscii(text) ? std::string(text) : Utf8ToAnsi(text);
}

std::string FromCodePage(std::string_view text) {
  return IsAscii(text) ? std::string(text) : AnsiToUtf8(text);
}

}  // namespace

std::uint32_t Win32DdeLibrary::Initialize(std::uint32_t& instance, DdeCallback& callback,
                                          std::uint32_t commands) {
  std::size_t slot = kSlots;
  {
    const std::lock_guard<std::mutex> lock(SlotsLock());
    for (std::size_t i = 0; i < kSlots; ++i) {
      if (Slots()[i].Callback.load() == nullptr) {
        slot = i;
        Slots()[i].Instance = 0;
        Slots()[i].Callback = &callback;
        break;
      }
    }
  }
  if (slot == kSlots) {
    return DMLERR_SYS_ERROR;
  }
  DWORD id = instance;
  const UINT result = DdeInitializeA(&id, kEntries[slot], commands, 0);
  instance = id;
  if (result == DMLERR_NO_ERROR) {
    Slots()[slot].Instance = id;
  } else {
    Slots()[slot].Callback = nullptr;
  }
  return result;
}

DdeHandle Win32DdeLibrary::CreateStringHandle(std::uint32_t instance, std::string_view text,
                                              int codePage) {
  if (codePage == CP_WINUNICODE) {
    return reinterpret_cast<DdeHandle>(
        DdeCreateStringHandleW(instance, Utf8ToWide(text).c_str(), CP_WINUNICODE));
  }
  return reinterpret_cast<DdeHandle>(
      DdeCreateStringHandleA(instance, ToCodePage(text).c_str(), codePage));
}

DdeHandle Win32DdeLibrary::Connect(std::uint32_t instance, DdeHandle service, DdeHandle topic) {
  return reinterpret_cast<DdeHandle>(DdeConnect(instance, Hsz(service), Hsz(topic), nullptr));
}

DdeHandle Win32DdeLibrary::NameService(std::uint32_t instance, DdeHandle service,
                                       DdeHandle reserved, std::uint32_t command) {
  return reinterpret_cast<DdeHandle>(
      DdeNameService(instance, Hsz(service), Hsz(reserved), command));
}

std::uint32_t Win32DdeLibrary::QueryString(std::uint32_t instance, DdeHandle handle,
                                           std::span<char> buffer, int codePage) {
  // String handles are atoms of 255 characters at most: one call reads one
  // whole (each is a round trip to the atom table).
  constexpr DWORD kAtomCharacters = 256;
  std::string text;
  if (codePage == CP_WINUNICODE) {
    std::wstring wide(kAtomCharacters, L'\0');
    const DWORD copied =
        DdeQueryStringW(instance, Hsz(handle), wide.data(), kAtomCharacters, CP_WINUNICODE);
    wide.resize(std::min(copied, kAtomCharacters - 1));
    text = WideToUtf8(wide);
  } else {
    std::string ansi(kAtomCharacters, '\0');
    const DWORD copied =
        DdeQueryStringA(instance, Hsz(handle), ansi.data(), kAtomCharacters, codePage);
    ansi.resize(std::min(copied, kAtomCharacters - 1));
    text = FromCodePage(ansi);
  }
  if (buffer.empty()) {
    return static_cast<std::uint32_t>(text.size());
  }
  const std::size_t copied = std::min(text.size(), buffer.size() - 1);
  std::copy_n(text.begin(), copied, buffer.begin());
  buffer[copied] = '\0';
  return static_cast<std::uint32_t>(copied);
}

std::uint32_t Win32DdeLibrary::GetData(DdeHandle data, std::span<std::uint8_t> buffer,
                                       std::uint32_t offset) {
  return DdeGetData(reinterpret_cast<HDDEDATA>(data), buffer.empty() ? nullptr : buffer.data(),
                    static_cast<DWORD>(buffer.size()), offset);
}

DdeHandle Win32DdeLibrary::CreateDataHandle(std::uint32_t instance,
                                            std::span<const std::uint8_t> source,
                                            std::uint32_t offset, DdeHandle item,
                                            std::uint32_t format, std::uint32_t commands) {
  // DDEML only reads the source.
  auto* const bytes = source.empty() ? nullptr : const_cast<LPBYTE>(source.data());
  return reinterpret_cast<DdeHandle>(DdeCreateDataHandle(
      instance, bytes, static_cast<DWORD>(source.size()), offset, Hsz(item), format, commands));
}

bool Win32DdeLibrary::FreeStringHandle(std::uint32_t instance, DdeHandle handle) {
  return DdeFreeStringHandle(instance, Hsz(handle)) != FALSE;
}

bool Win32DdeLibrary::Uninitialize(std::uint32_t instance) {
  const bool done = DdeUninitialize(instance) != FALSE;
  // DDEML calls the callback while it ends the conversations; the entry is
  // free only after that.
  if (instance != 0) {
    const std::lock_guard<std::mutex> lock(SlotsLock());
    for (Slot& slot : Slots()) {
      if (slot.Instance.load() == instance && slot.Callback.load() != nullptr) {
        slot.Callback = nullptr;
        slot.Instance = 0;
      }
    }
  }
  return done;
}

}  // namespace vestrel::win32
