#include "win32/win32_registry.h"

#include "win32/text_encoding.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {
namespace {

HKEY RootKey(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::ClassesRoot:
      return HKEY_CLASSES_ROOT;
    case RegistryRoot::CurrentUser:
      return HKEY_CURRENT_USER;
    case RegistryRoot::LocalMachine:
      return HKEY_LOCAL_MACHINE;
    case RegistryRoot::Users:
      return HKEY_USERS;
  }
  return nullptr;
}

bool IsTextType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

}  // namespace

bool Win32Registry::OpenKey(RegistryRoot root, const std::string& keyPath, std::uint32_t accessMask,
                            RegistryKey& key) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(RootKey(root), Utf8ToAnsi(keyPath).c_str(), 0, accessMask, &opened) !=
      ERROR_SUCCESS) {
    return false;
  }
  key = reinterpret_cast<RegistryKey>(opened);
  return true;
}

bool Win32Registry::QueryValue(RegistryKey key, const std::string& valueName,
                               std::size_t bufferSize, RegistryValue& value) {
  std::string buffer(bufferSize, '\0');
  DWORD type = 0;
  auto size = static_cast<DWORD>(bufferSize);
  if (RegQueryValueExA(reinterpret_cast<HKEY>(key), Utf8ToAnsi(valueName).c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS ||
      size > bufferSize) {
    return false;
  }
  buffer.resize(size);
  value.Type = type;
  value.Data = IsTextType(type) ? AnsiToUtf8(buffer) : std::move(buffer);
  return true;
}

void Win32Registry::CloseKey(RegistryKey key) { RegCloseKey(reinterpret_cast<HKEY>(key)); }

}  // namespace vestrel::win32
