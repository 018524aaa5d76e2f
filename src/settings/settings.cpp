#include "settings/settings.h"

#include "common/conversions.h"
#include "diag/error_scope.h"

namespace vestrel {
namespace {

// The buffer holds 128 characters; the lookup is told 127 of them.
constexpr int kProfileBufferSizePassed = 127;

}  // namespace

std::string VBGetPrivateProfileString(LogDispatcher& log, ProfileReader& reader,
                                      const std::string& pSection, const std::string& pKey,
                                      const std::string& pFile) {
  ErrorScope scope(log, "Vestrel.INI.VBGetPrivateProfileString", ParamRef("pSection", pSection),
                   ParamRef("pKey", pKey), ParamRef("pFile", pFile));
  return scope.PassOn([&] {
    scope.Line = 1;
    return reader.GetPrivateProfileString(pSection, pKey, pFile, kProfileBufferSizePassed);
  });
}

void ReadSettings(LogDispatcher& log, ProfileReader& reader, const std::string& iniFile,
                  char decimalSeparator, Settings& settings) {
  auto read = [&](const char* key) {
    return VBGetPrivateProfileString(log, reader, kSettingsSection, key, iniFile);
  };
  auto readInteger = [&](const char* key) { return ToInteger(read(key), decimalSeparator); };
  settings.Account = read("Account");
  settings.SecCode = read("SecCode");
  settings.ClassCode = read("ClassCode");
  settings.Size = readInteger("Size");
  settings.SafeSpread = readInteger("SafeSpread");
  settings.Compact = readInteger("Compact");
}

}  // namespace vestrel
