#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vestrel::termsim {

// A DDE client of user32's DDEML, as the terminal is one: it connects to a
// service and topic and sends pokes, requests and executes, each a
// synchronous transaction. Texts are 8-bit, in the system's ANSI code page.
// Use it on the thread that made it; its transactions run that thread's
// message loop while they wait.
class DdeClient {
 public:
  enum class Answer {
    Acknowledged,  // the server answered DDE_FACK
    Refused,       // the server answered, without DDE_FACK (not processed, busy)
    Failed,        // no answer: no conversation, timeout, or the server went away
  };

  // Throws std::runtime_error when DDEML does not initialise.
  DdeClient();
  ~DdeClient();
  DdeClient(const DdeClient&) = delete;
  DdeClient& operator=(const DdeClient&) = delete;

  // Connects to the service and topic, trying again every 50 ms while no
  // server answers, for `patience` at most (a freshly started server may not
  // have registered yet). True when connected.
  bool Connect(std::string_view service, std::string_view topic,
               std::chrono::milliseconds patience = std::chrono::milliseconds(0));
  // True while the conversation lasts (the server may end it).
  bool Connected() const;
  void Disconnect();

  // Sends data to the item in the clipboard format and waits up to timeoutMs.
  Answer Poke(std::string_view item, std::span<const std::uint8_t> data, unsigned format,
              std::uint32_t timeoutMs = 5000);
  // Asks for the item's data; nothing when the server gave none (Wine's DDEML
  // also gives nothing for a reply of zero bytes).
  std::optional<std::vector<std::uint8_t>> Request(std::string_view item, unsigned format,
                                                   std::uint32_t timeoutMs = 5000);
  // Sends a command (the text and a terminating zero).
  Answer Execute(std::string_view command, std::uint32_t timeoutMs = 5000);

  // DDEML's last error code of this client (DMLERR_...).
  unsigned LastError() const;

  // The clipboard format of a name: "CF_TEXT" is 1, anything else is
  // registered (RegisterClipboardFormat), "XlTable" as the terminal's.
  static unsigned FormatOf(std::string_view name);

 private:
  void* Item(std::string_view item);  // HSZ, kept until the client ends

  std::uint32_t instance_ = 0;
  void* conversation_ = nullptr;  // HCONV
  std::map<std::string, void*, std::less<>> items_;
};

// Waits for `duration` while running the thread's message loop.
void PumpFor(std::chrono::steady_clock::duration duration);

}  // namespace vestrel::termsim
