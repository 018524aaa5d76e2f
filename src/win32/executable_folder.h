#pragma once

#include <string>

namespace vestrel::win32 {

// The folder of the running program, without a trailing separator except at
// a drive root ("C:\"). Throws AppError when the system cannot tell.
std::wstring ExecutableFolder();

}  // namespace vestrel::win32
