#include "raw_dde.h"

// clang-format off
#include <windows.h>
#include <dde.h>
// clang-format on

#include <cstddef>
#include <cstring>
#include <string>

namespace vestrel::termsim {
namespace {

constexpr const char* kWindowClass = "VestrelRawDdeClient";
// The DDEDATA header before the value: flags and the clipboard format.
constexpr std::size_t kDataHeader = offsetof(DDEDATA, Value);

// The servers that answered the initiate; the first one is kept.
struct Initiate {
  HWND Server = nullptr;
};

LRESULT CALLBACK ClientProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DDE_ACK) {
    // Sent in answer to WM_DDE_INITIATE: lParam holds new atoms of the
    // service and topic, which the client deletes.
    auto* initiate = reinterpret_cast<Initiate*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    GlobalDeleteAtom(LOWORD(lParam));
    GlobalDeleteAtom(HIWORD(lParam));
    const auto server = reinterpret_cast<HWND>(wParam);
    if (initiate != nullptr && initiate->Server == nullptr) {
      initiate->Server = server;
    } else {
      PostMessageA(server, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(window), 0);
    }
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeWindow() {
  static const ATOM registered = [] {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = ClientProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassA(&windowClass);
  }();
  static_cast<void>(registered);
  return CreateWindowExA(0, kWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

// Waits for a DDE message posted to the window from the server; false when
// none came in time. Other messages of the thread are dispatched meanwhile.
bool WaitForPosted(HWND window, HWND server, MSG& got, std::chrono::milliseconds timeout) {
  const auto until = std::chrono::steady_clock::now() + timeout;
  while (true) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.hwnd == window && message.message >= WM_DDE_FIRST &&
          message.message <= WM_DDE_LAST && reinterpret_cast<HWND>(message.wParam) == server) {
        got = message;
        return true;
      }
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    const auto left = until - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) {
      return false;
    }
    MsgWaitForMultipleObjects(
        0, nullptr, FALSE,
        static_cast<DWORD>(std::chrono::ceil<std::chrono::milliseconds>(left).count()),
        QS_ALLINPUT);
  }
}

// Reads and releases a WM_DDE_DATA message's data.
void TakeData(HWND window, HWND server, const MSG& message, RawReply& reply) {
  UINT_PTR memory = 0;
  UINT_PTR item = 0;
  UnpackDDElParam(WM_DDE_DATA, message.lParam, &memory, &item);
  const auto global = reinterpret_cast<HGLOBAL>(memory);
  bool release = false;
  bool acknowledge = false;
  if (global != nullptr) {
    if (const auto* data = static_cast<const DDEDATA*>(GlobalLock(global))) {
      const SIZE_T size = GlobalSize(global);
      reply.Format = static_cast<unsigned>(data->cfFormat);
      if (size > kDataHeader) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(data) + kDataHeader;
        reply.Bytes.assign(bytes, bytes + (size - kDataHeader));
      }
      release = data->fRelease != 0;
      acknowledge = data->fAckReq != 0;
      GlobalUnlock(global);
    }
  }
  reply.Answer = RawReply::Kind::Data;
  if (acknowledge) {
    const LPARAM ack = ReuseDDElParam(message.lParam, WM_DDE_DATA, WM_DDE_ACK, 0x8000, item);
    PostMessageA(server, WM_DDE_ACK, reinterpret_cast<WPARAM>(window), ack);
  } else {
    FreeDDElParam(WM_DDE_DATA, message.lParam);
    GlobalDeleteAtom(static_cast<ATOM>(item));
  }
  if (release && global != nullptr) {
    GlobalFree(global);
  }
}

}  // namespace

RawReply RawDdeRequest(std::string_view service, std::string_view topic, std::string_view item,
                       unsigned format, std::chrono::milliseconds timeout) {
  RawReply reply;
  const HWND window = MakeWindow();
  if (window == nullptr) {
    reply.Answer = RawReply::Kind::NoServer;
    return reply;
  }
  Initiate initiate;
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&initiate));
  const ATOM serviceAtom = GlobalAddAtomA(std::string(service).c_str());
  const ATOM topicAtom = GlobalAddAtomA(std::string(topic).c_str());
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(window),
                      MAKELPARAM(serviceAtom, topicAtom), SMTO_ABORTIFHUNG,
                      static_cast<UINT>(timeout.count()), &ignored);
  GlobalDeleteAtom(topicAtom);
  GlobalDeleteAtom(serviceAtom);
  SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  const HWND server = initiate.Server;
  if (server == nullptr) {
    reply.Answer = RawReply::Kind::NoServer;
    DestroyWindow(window);
    return reply;
  }

  const ATOM itemAtom = GlobalAddAtomA(std::string(item).c_str());
  if (PostMessageA(server, WM_DDE_REQUEST, reinterpret_cast<WPARAM>(window),
                   PackDDElParam(WM_DDE_REQUEST, format, itemAtom)) == FALSE) {
    GlobalDeleteAtom(itemAtom);
  } else {
    MSG answer{};
    while (WaitForPosted(window, server, answer, timeout)) {
      if (answer.message == WM_DDE_DATA) {
        TakeData(window, server, answer, reply);
        break;
      }
      if (answer.message == WM_DDE_ACK) {
        UINT_PTR status = 0;
        UINT_PTR acknowledged = 0;
        UnpackDDElParam(WM_DDE_ACK, answer.lParam, &status, &acknowledged);
        FreeDDElParam(WM_DDE_ACK, answer.lParam);
        GlobalDeleteAtom(static_cast<ATOM>(acknowledged));
        reply.Answer = (status & 0x8000) != 0 ? RawReply::Kind::NoAnswer : RawReply::Kind::Refused;
        break;
      }
      if (answer.message == WM_DDE_TERMINATE) {
        break;
      }
    }
  }

  // End the conversation: the server answers the terminate with its own.
  PostMessageA(server, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(window), 0);
  MSG last{};
  while (WaitForPosted(window, server, last, std::chrono::milliseconds(1000)) &&
         last.message != WM_DDE_TERMINATE) {
  }
  DestroyWindow(window);
  return reply;
}

}  // namespace vestrel::termsim
