#include "models/about_dialog_model.h"

#include <string>

namespace vestrel {
namespace {

constexpr const char* kSysInfoKey = R"(SOFTWARE\Microsoft\Shared Tools\MSINFO)";
constexpr const char* kSysInfoValue = "PATH";
constexpr const char* kSysInfoLocationKey = R"(SOFTWARE\Microsoft\Shared Tools Location)";
constexpr const char* kSysInfoLocationValue = "MSINFO";
constexpr const char* kSysInfoProgram = R"(\MSINFO32.EXE)";

}  // namespace

AboutDialogModel::AboutDialogModel(ProgramVersion version, Registry& registry,
                                   ProcessStarter& processes, MessageBox& messages)
    : version_(version), registry_(registry), processes_(processes), messages_(messages) {}

void AboutDialogModel::Load() {
  caption_ = kTitle;
  version_label_ = "Version " + VersionText(version_);
}

void AboutDialogModel::StartSysInfo() {
  std::string SysInfoPath;
  bool found = GetKeyValue(RegistryRoot::LocalMachine, kSysInfoKey, kSysInfoValue, SysInfoPath);
  if (!found) {
    std::string folder;
    // An empty folder (a value that is no text) names no program.
    if (GetKeyValue(RegistryRoot::LocalMachine, kSysInfoLocationKey, kSysInfoLocationValue,
                    folder) &&
        !folder.empty()) {
      SysInfoPath = folder + kSysInfoProgram;
      found = processes_.FileExists(SysInfoPath);
    }
  }
  // A path that is empty is no program to start.
  if (found && !SysInfoPath.empty() && processes_.Start(SysInfoPath)) {
    return;
  }
  messages_.Show(kUnavailable, MessageIcon::None);
}

bool AboutDialogModel::GetKeyValue(RegistryRoot KeyRoot, const std::string& KeyName,
                                   const std::string& SubKeyRef, std::string& KeyVal) {
  KeyVal.clear();
  RegistryKey key = 0;
  if (!registry_.OpenKey(KeyRoot, KeyName, kKeyAccess, key)) {
    return false;
  }
  // The key is closed on every way out.
  struct OpenKey {
    Registry& registry;
    RegistryKey key;
    ~OpenKey() { registry.CloseKey(key); }
  } open{registry_, key};
  RegistryValue value;
  if (!registry_.QueryValue(open.key, SubKeyRef, kValueBufferSize, value)) {
    return false;
  }
  if (!value.Data.empty() && value.Data.back() == '\0') {
    value.Data.pop_back();
  }
  if (value.Type == kRegistryText) {
    KeyVal = std::move(value.Data);
  }
  return true;
}

}  // namespace vestrel
