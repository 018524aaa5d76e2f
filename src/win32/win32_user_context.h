#pragma once

#include <string>

#include "ports/user_context_source.h"
#include "win32/system_library.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {

// The "Login.LoginDB" component through COM late binding: created for each
// call, asked GetUserName, released. Throws on any failure (a missing
// component is the usual case). COM's libraries are loaded and COM is
// initialised on the calling thread at the first call, not at start-up: only
// an error's record asks for the user's name.
class Win32UserContextSource : public UserContextSource {
 public:
  Win32UserContextSource() = default;
  ~Win32UserContextSource() override;
  Win32UserContextSource(const Win32UserContextSource&) = delete;
  Win32UserContextSource& operator=(const Win32UserContextSource&) = delete;

  std::string GetUserName() override;

 private:
  bool comStarted_ = false;
  bool comInitialized_ = false;
};

// Asks a component for GetUserName the way a late-bound call does: as a
// method or as a property, whichever the component offers. Throws error 438
// when it offers neither or the answer is not text.
std::string UserNameOf(IDispatch& component);

}  // namespace vestrel::win32
