#pragma once

#include <string>

namespace vestrel {

// The outside user-context component ("Login.LoginDB"). Any failure, a missing
// component included, is reported by throwing; the caller ignores it.
class UserContextSource {
 public:
  virtual ~UserContextSource() = default;
  virtual std::string GetUserName() = 0;
};

}  // namespace vestrel
