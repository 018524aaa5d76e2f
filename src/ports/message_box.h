#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vestrel {

enum class MessageIcon { None, Exclamation };

// A modal message box captioned with the application title, OK button only.
class MessageBox {
 public:
  virtual ~MessageBox() = default;
  // Shows the box now and returns when the trader closes it; the UI thread's
  // message loop runs meanwhile.
  virtual void Show(std::string_view text, MessageIcon icon = MessageIcon::None) = 0;
  // Shows the box once the event being handled has returned, then calls
  // closed when the trader has closed it. For news that arrives inside a DDE
  // transaction: the transaction is answered first, because a modal wait
  // inside a DDEML callback lets the client end the conversation while DDEML
  // still works on it further up the stack. A platform without a queue of
  // its own may show the box at once (as here) and call closed before it
  // returns.
  virtual void ShowLater(std::string text, MessageIcon icon, std::function<void()> closed) {
    Show(text, icon);
    closed();
  }
};

}  // namespace vestrel
