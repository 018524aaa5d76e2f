#include "standin_environment.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace vestrel::termsim {
namespace {

// An environment variable of the process (set before or after the library
// was loaded), in the ANSI code page; false when it is not set.
bool ProcessEnv(const char* name, std::string& value) {
  const DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
  if (size == 0) {
    return false;
  }
  std::string text(size, '\0');
  const DWORD length = GetEnvironmentVariableA(name, text.data(), size);
  if (length >= size) {
    return false;
  }
  text.resize(length);
  value = std::move(text);
  return true;
}

// The value of a line NAME=value in the script file, read at every call:
// rewriting the file changes the answers of a library already loaded by a
// running program, whose environment no one else can change. False when
// there is no such file or line.
bool ScriptValue(const char* name, std::string& value) {
  std::string path;
  if (!ProcessEnv("TERMSIM_T2Q_SCRIPT", path) || path.empty()) {
    return false;
  }
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    return false;
  }
  const std::string prefix = std::string(name) + "=";
  bool found = false;
  char line[1024];
  while (std::fgets(line, sizeof line, file) != nullptr) {
    std::string_view text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
      text.remove_suffix(1);
    }
    if (text.substr(0, prefix.size()) == prefix) {
      value = std::string(text.substr(prefix.size()));
      found = true;  // the last line of a name wins
    }
  }
  std::fclose(file);
  return found;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

bool Env(const char* name, std::string& value) {
  return ScriptValue(name, value) || ProcessEnv(name, value);
}

long EnvLong(const char* name, long fallback) {
  std::string text;
  if (!Env(name, text) || text.empty()) {
    return fallback;
  }
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text.c_str(), &end, 10);
  return (errno == 0 && *end == '\0') ? value : fallback;
}

double EnvDouble(const char* name, double fallback) {
  std::string text;
  if (!Env(name, text) || text.empty()) {
    return fallback;
  }
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  return *end == '\0' ? value : fallback;
}

HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(&ThisModule), &module);
  return module;
}

std::string JournalPath() {
  std::string path;
  if (Env("TERMSIM_T2Q_JOURNAL", path) && !path.empty()) {
    return path;
  }
  char module[MAX_PATH];
  const DWORD length = GetModuleFileNameA(ThisModule(), module, MAX_PATH);
  path.assign(module, length < MAX_PATH ? length : 0);
  return FolderOf(path) + "trans2quik-journal.txt";
}

std::string BookPath() {
  std::string path;
  if (Env("TERMSIM_T2Q_BOOK", path) && !path.empty()) {
    return path;
  }
  return FolderOf(JournalPath()) + "trans2quik-book.txt";
}

void Journal(std::string_view line) {
  // Taken before anything else, so that it is the time of the call and not
  // of the file's work.
  const long long called = CounterNanoseconds();
  std::string text;
  std::string times;
  if (Env("TERMSIM_T2Q_JOURNAL_TIMES", times) && times == "1") {
    text = std::to_string(called) + " ";
  }
  text += std::string(line) + "\r\n";
  const HANDLE file = CreateFileA(JournalPath().c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return;
  }
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

std::optional<std::string> ReadSmallFile(const std::string& path) {
  // Shared for deleting too, so that a writer may replace the file meanwhile.
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return std::nullopt;
  }
  char buffer[4096];
  DWORD read = 0;
  const BOOL ok = ReadFile(file, buffer, sizeof buffer, &read, nullptr);
  CloseHandle(file);
  if (!ok) {
    return std::nullopt;
  }
  return std::string(buffer, read);
}

}  // namespace vestrel::termsim
