#include "fakes/fake_dde_library.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <utility>

#include "contract/automation_contract.h"

namespace vestrel::testing {
namespace {

std::string Hex(std::uint64_t value) {
  if (value == 0) {
    return "0";
  }
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

std::string Key(std::string_view text) {
  std::string key(text);
  std::transform(key.begin(), key.end(), key.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return key;
}

}  // namespace

std::uint32_t FakeDdeLibrary::Initialize(std::uint32_t& instance, DdeCallback& callback,
                                         std::uint32_t commands) {
  Calls.push_back("Initialize(" + std::to_string(instance) + ", " + Hex(commands) + ") -> " +
                  Hex(InitializeResult));
  if ((InitializeResult & 0xFFFF) == 0) {
    instance = InstanceToGive;
    Instance = InstanceToGive;
    Callback = &callback;
  }
  return InitializeResult;
}

DdeHandle FakeDdeLibrary::CreateStringHandle(std::uint32_t instance, std::string_view text,
                                             int codePage) {
  const DdeHandle handle = instance == Instance && instance != 0 ? AddAtom(text) : 0;
  Calls.push_back("CreateStringHandle(" + std::to_string(instance) + ", \"" + std::string(text) +
                  "\", " + std::to_string(codePage) + ") -> " + Hex(handle));
  return handle;
}

DdeHandle FakeDdeLibrary::Connect(std::uint32_t instance, DdeHandle service, DdeHandle topic) {
  DdeHandle conversation = 0;
  if (OtherServerRunning && instance == Instance && instance != 0) {
    conversation = nextConversation_++;
    OpenConversations.push_back(conversation);
  }
  Calls.push_back("Connect(" + std::to_string(instance) + ", " + Hex(service) + ", " + Hex(topic) +
                  ") -> " + Hex(conversation));
  return conversation;
}

DdeHandle FakeDdeLibrary::NameService(std::uint32_t instance, DdeHandle service, DdeHandle reserved,
                                      std::uint32_t command) {
  DdeHandle result = 0;
  if (instance == Instance && instance != 0) {
    if (command == kDnsRegister) {
      result = NameServiceResult;
      Serving = result != 0;
    } else {
      Serving = false;
      result = 1;
    }
  }
  Calls.push_back("NameService(" + std::to_string(instance) + ", " + Hex(service) + ", " +
                  Hex(reserved) + ", " + std::to_string(command) + ") -> " + Hex(result));
  return result;
}

std::uint32_t FakeDdeLibrary::QueryString(std::uint32_t instance, DdeHandle handle,
                                          std::span<char> buffer, int codePage) {
  std::uint32_t result = 0;
  const auto atom = atoms_.find(handle);
  if (instance == Instance && instance != 0 && atom != atoms_.end()) {
    const std::string& text = atom->second.Spelling;
    if (buffer.empty()) {
      result = static_cast<std::uint32_t>(text.size());
    } else {
      const std::size_t copied = std::min(text.size(), buffer.size() - 1);
      std::copy_n(text.begin(), copied, buffer.begin());
      buffer[copied] = '\0';
      result = static_cast<std::uint32_t>(copied);
    }
  }
  Calls.push_back("QueryString(" + std::to_string(instance) + ", " + Hex(handle) + ", " +
                  std::to_string(buffer.size()) + ", " + std::to_string(codePage) + ") -> " +
                  std::to_string(result));
  return result;
}

std::uint32_t FakeDdeLibrary::GetData(DdeHandle data, std::span<std::uint8_t> buffer,
                                      std::uint32_t offset) {
  std::uint32_t result = 0;
  const auto found = clientData_.find(data);
  if (found != clientData_.end() && offset <= found->second.size()) {
    const std::size_t available = found->second.size() - offset;
    if (buffer.empty()) {
      result = static_cast<std::uint32_t>(found->second.size());
    } else {
      const std::size_t copied = std::min(available, buffer.size());
      std::copy_n(found->second.begin() + offset, copied, buffer.begin());
      result = static_cast<std::uint32_t>(copied);
    }
  }
  Calls.push_back("GetData(" + Hex(data) + ", " + std::to_string(buffer.size()) + ", " +
                  std::to_string(offset) + ") -> " + std::to_string(result));
  return result;
}

DdeHandle FakeDdeLibrary::CreateDataHandle(std::uint32_t instance,
                                           std::span<const std::uint8_t> source,
                                           std::uint32_t offset, DdeHandle item,
                                           std::uint32_t format, std::uint32_t commands) {
  DdeHandle handle = 0;
  if (instance == Instance && instance != 0) {
    handle = nextData_++;
    DataHandle& data = CreatedData[handle];
    data.Bytes.assign(source.begin() + std::min<std::size_t>(offset, source.size()), source.end());
    data.Item = item;
    data.Format = format;
  }
  Calls.push_back("CreateDataHandle(" + std::to_string(instance) + ", " +
                  std::to_string(source.size()) + ", " + std::to_string(offset) + ", " + Hex(item) +
                  ", " + std::to_string(format) + ", " + Hex(commands) + ") -> " + Hex(handle));
  return handle;
}

bool FakeDdeLibrary::FreeStringHandle(std::uint32_t instance, DdeHandle handle) {
  const bool freed = instance == Instance && instance != 0 && ReleaseAtom(handle);
  Calls.push_back("FreeStringHandle(" + std::to_string(instance) + ", " + Hex(handle) + ")");
  return freed;
}

bool FakeDdeLibrary::Uninitialize(std::uint32_t instance) {
  Calls.push_back("Uninitialize(" + std::to_string(instance) + ")");
  if (instance == 0 || instance != Instance) {
    return false;
  }
  Instance = 0;
  Callback = nullptr;
  Serving = false;
  OpenConversations.clear();
  return true;
}

std::map<DdeHandle, std::string> FakeDdeLibrary::Strings() const {
  std::map<DdeHandle, std::string> strings;
  for (const auto& [handle, atom] : atoms_) {
    strings[handle] = atom.Spelling;
  }
  return strings;
}

DdeHandle FakeDdeLibrary::Deliver(std::uint32_t uType, std::uint32_t uFmt, DdeHandle hConv,
                                  DdeHandle hsz1, DdeHandle hsz2, DdeHandle hData,
                                  DdeHandle dwData1, DdeHandle dwData2) {
  if (Callback == nullptr) {
    return 0;
  }
  try {
    return Callback->Call(uType, uFmt, hConv, hsz1, hsz2, hData, dwData1, dwData2);
  } catch (...) {
    ++CallbackFailures;
    return 0;
  }
}

DdeHandle FakeDdeLibrary::ClientConnect(std::string_view topic) {
  if (!Serving) {
    return 0;
  }
  const DdeHandle topicHandle = ClientString(topic);
  const DdeHandle service = ClientString(contract::kDdeService);
  const DdeHandle answer = Deliver(kXtypConnect, 0, 0, topicHandle, service, 0);
  ClientFree(service);
  ClientFree(topicHandle);
  return answer;
}

DdeHandle FakeDdeLibrary::ClientPoke(std::string_view item, const std::vector<std::uint8_t>& bytes,
                                     std::uint32_t format, std::string_view topic) {
  const DdeHandle topicHandle = ClientString(topic);
  const DdeHandle itemHandle = ClientString(item);
  const DdeHandle data = TakeClientData(bytes);
  const DdeHandle answer = Deliver(kXtypPoke, format, 0x501, topicHandle, itemHandle, data);
  FreeClientData(data);
  ClientFree(itemHandle);
  ClientFree(topicHandle);
  return answer;
}

DdeHandle FakeDdeLibrary::ClientRequest(std::string_view item, std::uint32_t format) {
  const DdeHandle topicHandle = ClientString(contract::kDdeTopic);
  const DdeHandle itemHandle = ClientString(item);
  const DdeHandle answer = Deliver(kXtypRequest, format, 0x501, topicHandle, itemHandle, 0);
  ClientFree(itemHandle);
  ClientFree(topicHandle);
  return answer;
}

DdeHandle FakeDdeLibrary::ClientExecute(std::string_view command) {
  const DdeHandle topicHandle = ClientString(contract::kDdeTopic);
  std::vector<std::uint8_t> text(command.begin(), command.end());
  text.push_back(0);
  const DdeHandle data = TakeClientData(std::move(text));
  const DdeHandle answer = Deliver(kXtypExecute, 0, 0x501, topicHandle, 0, data);
  FreeClientData(data);
  ClientFree(topicHandle);
  return answer;
}

DdeHandle FakeDdeLibrary::ClientAdviseStart(std::string_view item, std::uint32_t format) {
  const DdeHandle topicHandle = ClientString(contract::kDdeTopic);
  const DdeHandle itemHandle = ClientString(item);
  const DdeHandle answer = Deliver(kXtypAdvStart, format, 0x501, topicHandle, itemHandle, 0);
  ClientFree(itemHandle);
  ClientFree(topicHandle);
  return answer;
}

DdeHandle FakeDdeLibrary::ClientString(std::string_view text) { return AddAtom(text); }

DdeHandle FakeDdeLibrary::TakeClientData(std::vector<std::uint8_t> bytes) {
  const DdeHandle data = freedClientData_ != 0 ? std::exchange(freedClientData_, 0) : nextData_++;
  clientData_[data] = std::move(bytes);
  return data;
}

void FakeDdeLibrary::FreeClientData(DdeHandle data) {
  clientData_.erase(data);
  freedClientData_ = data;
}

void FakeDdeLibrary::ClientFree(DdeHandle handle) { ReleaseAtom(handle); }

DdeHandle FakeDdeLibrary::AddAtom(std::string_view text) {
  const std::string key = Key(text);
  const auto found = atomByKey_.find(key);
  if (found != atomByKey_.end()) {
    ++atoms_[found->second].References;
    return found->second;
  }
  const DdeHandle handle = nextAtom_++;
  atomByKey_[key] = handle;
  atoms_[handle] = Atom{std::string(text), 1};
  return handle;
}

bool FakeDdeLibrary::ReleaseAtom(DdeHandle handle) {
  const auto found = atoms_.find(handle);
  if (found == atoms_.end()) {
    return false;
  }
  if (--found->second.References == 0) {
    atomByKey_.erase(Key(found->second.Spelling));
    atoms_.erase(found);
  }
  return true;
}

}  // namespace vestrel::testing
