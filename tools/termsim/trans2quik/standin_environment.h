#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "win32/counter_clock.h"

namespace vestrel::termsim {

// The stand-in library's settings: a line NAME=value of the script file that
// TERMSIM_T2Q_SCRIPT names, else the process's environment variable NAME.
// Both are read at every call, from any thread.
bool Env(const char* name, std::string& value);
// A whole number; the fallback when unset or not a number.
long EnvLong(const char* name, long fallback);
// A decimal number; the fallback when unset or not a number.
double EnvDouble(const char* name, double fallback);

// The module this code is in.
HMODULE ThisModule();

// The journal file, and the top-of-book file termsim writes (by default
// beside the journal).
std::string JournalPath();
std::string BookPath();

// The performance counter in nanoseconds, as the panel reckons it.
using win32::CounterNanoseconds;

// Appends one line, byte for byte as received, and closes the file again so
// that readers see it at once. A journal that cannot be written is skipped.
// With TERMSIM_T2Q_JOURNAL_TIMES=1 the line begins with the time of the call
// (CounterNanoseconds) and a blank.
void Journal(std::string_view line);

// The whole of a small file (at most a few KB); none when it cannot be read.
std::optional<std::string> ReadSmallFile(const std::string& path);

}  // namespace vestrel::termsim
