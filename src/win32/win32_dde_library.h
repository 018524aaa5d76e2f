#pragma once

#include "ports/dde_library.h"

namespace vestrel::win32 {

// The DDE library port on user32's DDEML (the ANSI functions).
//
// DDEML's callback carries no context, so each instance gets one of a fixed
// set of callback entries (kMaxInstances per process), bound to its
// DdeCallback from Initialize until Uninitialize. An entry turns a callback
// failure (an exception) into the answer 0, so the transaction is refused,
// nothing unwinds through DDEML, and the instance goes on serving.
//
// Texts: UTF-8 in, converted to the system's ANSI code page for CP_WINANSI;
// QueryString hands back UTF-8, with lengths and copies counted in its bytes.
class Win32DdeLibrary : public DdeLibrary {
 public:
  static constexpr int kMaxInstances = 8;

  std::uint32_t Initialize(std::uint32_t& instance, DdeCallback& callback,
                           std::uint32_t commands) override;
  DdeHandle CreateStringHandle(std::uint32_t instance, std::string_view text,
                               int codePage) override;
  DdeHandle Connect(std::uint32_t instance, DdeHandle service, DdeHandle topic) override;
  DdeHandle NameService(std::uint32_t instance, DdeHandle service, DdeHandle reserved,
                        std::uint32_t command) override;
  std::uint32_t QueryString(std::uint32_t instance, DdeHandle handle, std::span<char> buffer,
                            int codePage) override;
  std::uint32_t GetData(DdeHandle data, std::span<std::uint8_t> buffer,
                        std::uint32_t offset) override;
  DdeHandle CreateDataHandle(std::uint32_t instance, std::span<const std::uint8_t> source,
                             std::uint32_t offset, DdeHandle item, std::uint32_t format,
                             std::uint32_t commands) override;
  bool FreeStringHandle(std::uint32_t instance, DdeHandle handle) override;
  bool Uninitialize(std::uint32_t instance) override;
};

}  // namespace vestrel::win32
