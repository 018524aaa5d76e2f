#include "settings/settings.h"

#include "common/conversions.h"
#include "contract/automation_contract.h"
#include "diag/error_scope.h"

namespace vestrel {
namespace {

// The buffer holds 128 characters; the lookup is told 127 of them.
constexpr int kProfileBufferSizePassed = 127;

}  // namespace

std::string ReadProfileValue(LogDispatcher& log, ProfileReader& reader, const std::string& section,
                             const std::string& key, const std::string& file) {
  ErrorScope scope(log, "Vestrel.INI.VBGetPrivateProfileString", ParamRef("pSection", section),
                   ParamRef("pKey", key), ParamRef("pFile", file));
  return scope.PassOn([&] {
    scope.Line = 1;
    return reader.GetPrivateProfileString(section, key, file, kProfileBufferSizePassed);
  });
}

void ReadSettings(LogDispatcher& log, ProfileReader& reader, const std::string& iniFile,
                  char decimalSeparator, Settings& settings, std::string* keyBeingRead) {
  std::string unused;
  std::string& key = keyBeingRead != nullptr ? *keyBeingRead : unused;
  auto read = [&](const char* key) {
    return ReadProfileValue(log, reader, contract::kMainSection, key, iniFile);
  };
  auto readInteger = [&](const char* name) {
    key = name;
    return ToInteger(read(name), decimalSeparator);
  };
  settings.Account = read(contract::kAccountKey);
  settings.SecCode = read(contract::kSecCodeKey);
  settings.ClassCode = read(contract::kClassCodeKey);
  settings.BaseContract = read(contract::kBaseContractKey);
  settings.Size = readInteger(contract::kSizeKey);
  settings.SafeSpread = readInteger(contract::kSafeSpreadKey);
  settings.Compact = readInteger(contract::kCompactKey);
  key.clear();
}

}  // namespace vestrel
