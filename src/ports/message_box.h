#pragma once

#include <string_view>

namespace vestrel {

enum class MessageIcon { None, Exclamation };

// A modal message box captioned with the application title, OK button only.
// Returns when the trader closes it; the UI thread's message loop runs meanwhile.
class MessageBox {
 public:
  virtual ~MessageBox() = default;
  virtual void Show(std::string_view text, MessageIcon icon = MessageIcon::None) = 0;
};

}  // namespace vestrel
