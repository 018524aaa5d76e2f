// bare_dde_server.exe: the least a DDEML server can do for the terminal's
// pokes, as the yardstick of the panel's DDE throughput. It registers the
// panel's service (or NAME), accepts conversations on the panel's topic, and for every poke reads
// the item name and copies the data out of its handle (two DdeGetData calls,
// as the panel does) and acknowledges it without looking at the bytes.
//
//   bare_dde_server.exe [--seconds N] [--service NAME]
//
// A hidden top-level window runs the message loop; the program ends when that
// window gets WM_CLOSE, after N seconds when given, or when it is killed.
// Exit codes: 0 ended normally, 1 DDEML failed to start or the service could
// not be registered, 2 bad arguments.
#include <cstdio>
#include <vector>

#include "bare_program.h"
#include "contract/automation_contract.h"

namespace {

DWORD instance = 0;
HSZ serviceName = nullptr;
HSZ topicName = nullptr;
std::vector<BYTE> buffer;
char itemName[256];

HDDEDATA CALLBACK Callback(UINT type, UINT /*format*/, HCONV /*conversation*/, HSZ topic, HSZ item,
                           HDDEDATA data, ULONG_PTR /*data1*/, ULONG_PTR /*data2*/) {
  switch (type) {
    case XTYP_CONNECT:
      return reinterpret_cast<HDDEDATA>(
          static_cast<ULONG_PTR>(DdeCmpStringHandles(topic, topicName) == 0));
    case XTYP_POKE: {
      DdeQueryStringA(instance, item, itemName, sizeof itemName, CP_WINANSI);
      const DWORD size = DdeGetData(data, nullptr, 0, 0);
      if (buffer.size() < size) {
        buffer.resize(size);
      }
      DdeGetData(data, buffer.data(), size, 0);
      return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(DDE_FACK));
    }
    default:
      return nullptr;
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE module, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) {
  double seconds = 0;
  std::wstring service = vestrel::contract::kDdeServiceWide;
  if (!vestrel::bench::ParseArguments(seconds, &service)) {
    std::fputs("usage: bare_dde_server.exe [--seconds N] [--service NAME]\n", stderr);
    return 2;
  }
  // Never shown: it only carries the message loop's end.
  if (vestrel::bench::CreateBareWindow(module, L"VestrelBareDdeServer", L"bare DDE server",
                                       seconds) == nullptr) {
    return 1;
  }
  if (DdeInitializeA(&instance, Callback, APPCMD_FILTERINITS, 0) != DMLERR_NO_ERROR) {
    return 1;
  }
  serviceName = DdeCreateStringHandleW(instance, service.c_str(), CP_WINUNICODE);
  topicName = DdeCreateStringHandleA(instance, vestrel::contract::kDdeTopic, CP_WINANSI);
  if (serviceName == nullptr || topicName == nullptr ||
      DdeNameService(instance, serviceName, nullptr, DNS_REGISTER) == nullptr) {
    DdeUninitialize(instance);
    return 1;
  }

  vestrel::bench::RunMessageLoop();

  DdeNameService(instance, serviceName, nullptr, DNS_UNREGISTER);
  DdeFreeStringHandle(instance, serviceName);
  DdeFreeStringHandle(instance, topicName);
  DdeUninitialize(instance);
  return 0;
}
