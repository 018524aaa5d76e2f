#pragma once

#include <string>
#include <string_view>

namespace vestrel {

// The device a path names instead of a file, as the system reads it: the last
// part's name before its first dot, trailing dots and blanks dropped, compared
// without regard to case with CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0-COM9 and
// LPT0-LPT9 ("logs\com1.txt", "NUL.", "lpt1 " all name a device), or a path in
// the device namespace ("\\.\..."). Empty for an ordinary file name. Opening a
// device (a serial port, a console) can block for good, so such a path is
// refused before it is opened.
std::string DeviceName(std::string_view path);

}  // namespace vestrel
