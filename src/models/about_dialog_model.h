#pragma once

#include <cstdint>
#include <string>

#include "common/program_version.h"
#include "ports/message_box.h"
#include "ports/process_starter.h"
#include "ports/registry.h"

namespace vestrel {

// The About dialog: the program's name, version and where to find help, and the
// System Information button. Texts are UTF-8.
class AboutDialogModel {
 public:
  // Access the registry keys are opened with: standard read rights plus
  // query, set-value, create-subkey, enumerate, notify and create-link.
  static constexpr std::uint32_t kKeyAccess = 0x2003F;
  // Size of the buffer a registry value is read into.
  static constexpr std::size_t kValueBufferSize = 1024;

  static constexpr const char* kTitle = "О программе";
  static constexpr const char* kUnavailable = "System Information Is Unavailable At This Time";

  // Fixed texts of the labels.
  static constexpr const char* lblTitle = "Marlowin";
  static constexpr const char* lblDisclaimer =
      "Warning: every click on a price button sends a real order to the trading terminal. "
      "Check your orders and your position in the terminal.";
  // Where a trader finds help: the project, the guides the release package
  // carries beside Vestrel.exe, and the licence it is under.
  static constexpr const char* Label1 = "Vestrel";
  static constexpr const char* Label2 = R"(Guide: docs\guide.en.html, docs\guide.ru.html)";
  static constexpr const char* Label3 = "Licence: Apache License 2.0 (see LICENSE)";

  AboutDialogModel(ProgramVersion version, Registry& registry, ProcessStarter& processes,
                   MessageBox& messages);

  // Every time the dialog loads: the window title and lblVersion are set.
  void Load();

  // The window's title: empty until the dialog loads.
  const std::string& Caption() const { return caption_; }
  // lblVersion: "Version" until the dialog loads, then "Version 1.0.65".
  const std::string& lblVersion() const { return version_label_; }

  // Finds the System Information program through the registry and starts it;
  // when there is none, or it cannot be started, tells the trader so.
  void StartSysInfo();

  // Reads a text value of a registry key. True with the text when the value
  // exists and is text; true with an empty text when it exists but is of
  // another type (not a usable path); false with an empty text when the key
  // cannot be opened or the value cannot be read.
  bool GetKeyValue(RegistryRoot KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                   std::string& KeyVal);

 private:
  ProgramVersion version_;
  Registry& registry_;
  ProcessStarter& processes_;
  MessageBox& messages_;
  std::string caption_;
  std::string version_label_ = "Version";
};

}  // namespace vestrel
