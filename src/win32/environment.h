#pragma once

#include <string>

namespace vestrel::win32 {

// The value of the process's environment variable `name`; empty when it is
// unset, empty or too long to be a path.
std::wstring EnvironmentValue(const wchar_t* name);

}  // namespace vestrel::win32
