// bare_panel.exe: the panel's start-up without the panel, as the fair
// yardstick of its time to serving: a top-level window with the same 15 child
// windows of the same classes (eight buttons, four of them owner-drawn, four
// labels, two circles and a picture box of window classes of its own), the
// transaction library loaded and its five functions looked up, and the same
// DDE server registered (service "a", topic "b", after the same probe for a
// server already there); then the window is shown and the loop runs. Pokes
// are acknowledged without being read.
//
//   bare_panel.exe [--seconds N]
//
// Ends when its window is closed, after N seconds when given, or when killed.
// Exit codes: 0 ended normally, 1 the window, the library or the server could
// not be made, 2 bad arguments.
#include <cstdio>

#include "bare_program.h"
#include "contract/automation_contract.h"

namespace {

DWORD instance = 0;
HSZ topicName = nullptr;

HDDEDATA CALLBACK Callback(UINT type, UINT /*format*/, HCONV /*conversation*/, HSZ topic,
                           HSZ /*item*/, HDDEDATA /*data*/, ULONG_PTR /*data1*/,
                           ULONG_PTR /*data2*/) {
  switch (type) {
    case XTYP_CONNECT:
      return reinterpret_cast<HDDEDATA>(
          static_cast<ULONG_PTR>(DdeCmpStringHandles(topic, topicName) == 0));
    case XTYP_POKE:
      return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(DDE_FACK));
    default:
      return nullptr;
  }
}

struct Child {
  const wchar_t* Class;
  DWORD Style;
};

// The panel's controls in the order it makes them.
constexpr Child kChildren[] = {
    {L"STATIC", SS_LEFT},       {L"STATIC", SS_LEFT},
    {L"BUTTON", BS_OWNERDRAW},  {L"BUTTON", BS_OWNERDRAW},
    {L"BUTTON", BS_OWNERDRAW},  {L"BUTTON", BS_OWNERDRAW},
    {L"BUTTON", BS_PUSHBUTTON}, {L"BUTTON", BS_PUSHBUTTON},
    {L"BUTTON", BS_PUSHBUTTON}, {L"BUTTON", BS_PUSHBUTTON | WS_DISABLED},
    {L"BareShape", 0},          {L"BareShape", 0},
    {L"BarePicture", 0},        {L"STATIC", SS_LEFT},
    {L"STATIC", SS_LEFT},
};

bool RegisterChildClasses(HINSTANCE module) {
  WNDCLASSEXW shape{};
  shape.cbSize = sizeof shape;
  shape.lpfnWndProc = DefWindowProcW;
  shape.hInstance = module;
  shape.lpszClassName = L"BareShape";
  WNDCLASSEXW picture = shape;
  picture.lpszClassName = L"BarePicture";
  return RegisterClassExW(&shape) != 0 && RegisterClassExW(&picture) != 0;
}

// Loads the library and looks its functions up, as the panel does before it
// connects (the 64-bit library's plain names; the 32-bit one's decorated
// names are not found, which costs the same lookups).
bool LoadTransactionLibrary() {
  const HMODULE library = LoadLibraryW(L"TRANS2QUIK.DLL");
  if (library == nullptr) {
    return false;
  }
  for (const char* function :
       {"TRANS2QUIK_CONNECT", "TRANS2QUIK_IS_DLL_CONNECTED", "TRANS2QUIK_IS_QUIK_CONNECTED",
        "TRANS2QUIK_SEND_SYNC_TRANSACTION", "TRANS2QUIK_DISCONNECT"}) {
    static_cast<void>(GetProcAddress(library, function));
  }
  return true;
}

bool RegisterServer() {
  if (DdeInitializeA(&instance, Callback, APPCMD_FILTERINITS, 0) != DMLERR_NO_ERROR) {
    return false;
  }
  const HSZ service = DdeCreateStringHandleA(instance, "a", CP_WINANSI);
  topicName = DdeCreateStringHandleA(instance, "b", CP_WINANSI);
  // The panel looks for a server already serving the name first.
  const HCONV other = DdeConnect(instance, service, topicName, nullptr);
  if (other != nullptr) {
    DdeDisconnect(other);
    return false;
  }
  return DdeNameService(instance, service, nullptr, DNS_REGISTER) != nullptr;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE module, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int show) {
  double seconds = 0;
  if (!vestrel::bench::ParseArguments(seconds)) {
    std::fputs("usage: bare_panel.exe [--seconds N]\n", stderr);
    return 2;
  }
  const HWND window =
      vestrel::bench::CreateBareWindow(module, L"VestrelBarePanel", L"bare panel", seconds);
  if (window == nullptr || !RegisterChildClasses(module)) {
    return 1;
  }
  int id = vestrel::contract::kFirstControlId;
  for (const Child& child : kChildren) {
    CreateWindowExW(0, child.Class, L"*", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | child.Style,
                    8 * id % 400, 8 * id % 200, 90, 30, window,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), module, nullptr);
    ++id;
  }
  if (!LoadTransactionLibrary() || !RegisterServer()) {
    return 1;
  }
  ShowWindow(window, show);
  vestrel::bench::RunMessageLoop();
  DdeUninitialize(instance);
  return 0;
}
