#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "fakes/fake_ports.h"
#include "models/about_dialog_model.h"

namespace vestrel {
namespace {

using testing::FakeMessageBox;
using Texts = std::vector<std::string>;

constexpr std::uint32_t kKeyRead = 0x20019;
constexpr std::uint32_t kRegistryNumber = 4;  // REG_DWORD
constexpr const char* kMsinfoKey = R"(SOFTWARE\Microsoft\Shared Tools\MSINFO)";
constexpr const char* kLocationKey = R"(SOFTWARE\Microsoft\Shared Tools Location)";
constexpr const char* kUnavailable = "System Information Is Unavailable At This Time";

// Keys and values in memory; opening asks for no more rights than AllowedAccess.
class FakeRegistry : public Registry {
 public:
  bool OpenKey(RegistryRoot root, const std::string& keyPath, std::uint32_t accessMask,
               RegistryKey& key) override {
    Masks.push_back(accessMask);
    if (!Keys.contains({root, keyPath}) || (accessMask & ~AllowedAccess) != 0) {
      return false;
    }
    key = ++lastKey_;
    open_[key] = {root, keyPath};
    return true;
  }
  bool QueryValue(RegistryKey key, const std::string& valueName, std::size_t bufferSize,
                  RegistryValue& value) override {
    const auto& values = Keys.at(open_.at(key));
    const auto found = values.find(valueName);
    if (found == values.end() || found->second.Data.size() > bufferSize) {
      return false;
    }
    value = found->second;
    return true;
  }
  void CloseKey(RegistryKey key) override { open_.erase(key); }

  void SetText(RegistryRoot root, const std::string& key, const std::string& name,
               const std::string& text) {
    Keys[{root, key}][name] = {kRegistryText, text + '\0'};
  }
  std::size_t OpenKeys() const { return open_.size(); }

  std::map<std::tuple<RegistryRoot, std::string>, std::map<std::string, RegistryValue>> Keys;
  std::uint32_t AllowedAccess = 0xF003F;  // KEY_ALL_ACCESS
  std::vector<std::uint32_t> Masks;

 private:
  RegistryKey lastKey_ = 0;
  std::map<RegistryKey, std::tuple<RegistryRoot, std::string>> open_;
};

class FakeProcessStarter : public ProcessStarter {
 public:
  bool Start(const std::string& programPath) override {
    Attempts.push_back(programPath);
    return Startable;
  }
  bool FileExists(const std::string& path) override { return Files.contains(path); }

  std::set<std::string> Files;
  bool Startable = true;
  Texts Attempts;
};

struct About {
  FakeRegistry registry;
  FakeProcessStarter processes;
  FakeMessageBox messages;
  AboutDialogModel dialog{kProgramVersion, registry, processes, messages};

  void SetMsinfoPath(const std::string& path) {
    registry.SetText(RegistryRoot::LocalMachine, kMsinfoKey, "PATH", path);
  }
  void SetLocation(const std::string& folder) {
    registry.SetText(RegistryRoot::LocalMachine, kLocationKey, "MSINFO", folder);
  }
  // Runs StartSysInfo; every key it opened is closed again.
  void StartSysInfo() {
    dialog.StartSysInfo();
    EXPECT_EQ(registry.OpenKeys(), 0U);
  }
};

TEST(AboutDialog, EveryLoadSetsTheTitleAndTheVersion) {
  About a;
  EXPECT_EQ(a.dialog.lblVersion(), "Version");
  EXPECT_EQ(a.dialog.Caption(), "");
  a.dialog.Load();
  EXPECT_EQ(a.dialog.Caption(), "О программе");
  EXPECT_EQ(a.dialog.lblVersion(), "Version " + VersionText(kProgramVersion));

  AboutDialogModel zero({2, 10, 0}, a.registry, a.processes, a.messages);
  zero.Load();
  zero.Load();
  EXPECT_EQ(zero.lblVersion(), "Version 2.10.0");
}

TEST(AboutDialog, StartsTheProgramTheMsinfoPathNamesWithTheFullAccessMask) {
  About a;
  a.SetMsinfoPath("C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe");
  a.SetLocation("C:\\Elsewhere");
  a.processes.Files.insert("C:\\Elsewhere\\MSINFO32.EXE");
  a.StartSysInfo();
  EXPECT_EQ(a.processes.Attempts,
            Texts{"C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe"});
  EXPECT_EQ(a.registry.Masks, std::vector<std::uint32_t>{0x2003F});
  EXPECT_TRUE(a.messages.Shown.empty());
}

TEST(AboutDialog, FallsBackToMsinfo32InTheSharedToolsLocation) {
  About a;
  a.SetLocation("C:\\Shared\\MSInfo");
  a.processes.Files.insert("C:\\Shared\\MSInfo\\MSINFO32.EXE");
  a.StartSysInfo();
  EXPECT_EQ(a.processes.Attempts, Texts{"C:\\Shared\\MSInfo\\MSINFO32.EXE"});
  EXPECT_TRUE(a.messages.Shown.empty());

  // The location is known, but the program is not in that folder.
  a.processes.Files.clear();
  a.processes.Attempts.clear();
  a.StartSysInfo();
  EXPECT_TRUE(a.processes.Attempts.empty());
  EXPECT_EQ(a.messages.Shown, Texts{kUnavailable});
}

TEST(AboutDialog, WithoutAStartableProgramTheTraderIsToldAndNothingStarts) {
  // Both entries missing.
  About missing;
  missing.StartSysInfo();
  EXPECT_TRUE(missing.processes.Attempts.empty());
  EXPECT_EQ(missing.messages.Shown, Texts{kUnavailable});
  EXPECT_EQ(missing.messages.Icons, std::vector<MessageIcon>{MessageIcon::None});

  // The path is there, but the program does not start.
  About failing;
  failing.SetMsinfoPath("C:\\Tools\\msinfo32.exe");
  failing.processes.Startable = false;
  failing.StartSysInfo();
  EXPECT_EQ(failing.processes.Attempts, Texts{"C:\\Tools\\msinfo32.exe"});
  EXPECT_EQ(failing.messages.Shown, Texts{kUnavailable});

  // Values that are no text name no program, in either key.
  About numbers;
  numbers.registry.Keys[{RegistryRoot::LocalMachine, kMsinfoKey}]["PATH"] = {
      kRegistryNumber, std::string("\x01\0\0\0", 4)};
  numbers.registry.Keys[{RegistryRoot::LocalMachine, kLocationKey}]["MSINFO"] = {
      kRegistryNumber, std::string("\0\0\0\0", 4)};
  numbers.processes.Files.insert("\\MSINFO32.EXE");
  numbers.StartSysInfo();
  EXPECT_TRUE(numbers.processes.Attempts.empty());
  EXPECT_EQ(numbers.messages.Shown, Texts{kUnavailable});
}

TEST(AboutDialog, AUserWhoMayNotOpenTheKeysWithThatAccessGetsTheMessage) {
  About a;
  a.SetMsinfoPath("C:\\Tools\\msinfo32.exe");
  a.SetLocation("C:\\Tools");
  a.processes.Files.insert("C:\\Tools\\MSINFO32.EXE");
  a.registry.AllowedAccess = kKeyRead;
  a.StartSysInfo();
  EXPECT_TRUE(a.processes.Attempts.empty());
  EXPECT_EQ(a.messages.Shown, Texts{kUnavailable});
  EXPECT_EQ(a.registry.Masks, (std::vector<std::uint32_t>{0x2003F, 0x2003F}));
}

TEST(AboutDialog, GetKeyValueDropsOneTrailingNulAndFailsOnWhatItCannotRead) {
  About a;
  const RegistryRoot hklm = RegistryRoot::LocalMachine;
  auto& values = a.registry.Keys[{hklm, "K"}];
  values["nul"] = {kRegistryText, std::string("a\0\0", 3)};
  values["bare"] = {kRegistryText, "b"};
  values["empty"] = {kRegistryText, ""};
  values["long"] = {kRegistryText, std::string(1025, 'x')};
  values["fits"] = {kRegistryText, std::string(1023, 'y') + '\0'};
  const std::vector<std::pair<const char*, std::optional<std::string>>> cases{
      {"nul", std::string("a\0", 2)},   {"bare", "b"},          {"empty", ""},
      {"fits", std::string(1023, 'y')}, {"long", std::nullopt}, {"missing", std::nullopt}};
  for (const auto& [name, expected] : cases) {
    std::string text = "stale";
    EXPECT_EQ(a.dialog.GetKeyValue(hklm, "K", name, text), expected.has_value()) << name;
    EXPECT_EQ(text, expected.value_or("")) << name;  // nothing stale on a failure
  }
  std::string text = "stale";
  EXPECT_FALSE(a.dialog.GetKeyValue(RegistryRoot::CurrentUser, "K", "bare", text));
  EXPECT_EQ(text, "");
  EXPECT_EQ(a.registry.OpenKeys(), 0U);
}

}  // namespace
}  // namespace vestrel
