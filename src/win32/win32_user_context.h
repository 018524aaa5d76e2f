#pragma once

#include "ports/user_context_source.h"

namespace vestrel::win32 {

// The "Login.LoginDB" component through COM late binding: created for each
// call, asked GetUserName, released. Throws on any failure (a missing
// component is the usual case). COM must be initialised on the calling thread.
class Win32UserContextSource : public UserContextSource {
 public:
  std::string GetUserName() override;
};

}  // namespace vestrel::win32
