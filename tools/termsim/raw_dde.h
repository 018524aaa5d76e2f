#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>
#include <vector>

namespace vestrel::termsim {

// One DDE request in raw DDE messages (WM_DDE_INITIATE, WM_DDE_REQUEST, then
// WM_DDE_DATA or WM_DDE_ACK, WM_DDE_TERMINATE), without DDEML. It tells a
// reply of zero bytes from a refusal, which a DDEML client on Wine cannot:
// there both come back as nothing.
struct RawReply {
  enum class Kind {
    // WM_DDE_DATA: Bytes holds the data, Format its clipboard format (0 when
    // the message carried no data at all, as Wine's DDEML sends a reply of
    // zero bytes).
    Data,
    Refused,   // a negative WM_DDE_ACK
    NoServer,  // no server answered the service and topic
    NoAnswer,  // the server answered neither way in time
  };
  Kind Answer = Kind::NoAnswer;
  std::vector<std::uint8_t> Bytes;
  unsigned Format = 0;
};

// Connects to the service and topic (texts in the system's ANSI code page),
// requests the item in the format, and ends the conversation. Runs this
// thread's message loop while it waits, up to `timeout` for each answer.
RawReply RawDdeRequest(std::string_view service, std::string_view topic, std::string_view item,
                       unsigned format,
                       std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));

}  // namespace vestrel::termsim
