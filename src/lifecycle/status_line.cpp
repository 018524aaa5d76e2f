#include "lifecycle/status_line.h"

#include "contract/automation_contract.h"

namespace vestrel {
namespace {

using Kind = LibraryLoadFailure::Kind;

constexpr UiText kSettingUnreadable{" is missing or not a number", " отсутствует или не число"};
constexpr UiText kNotFoundIn{" not found in ", " не найдена в "};
constexpr UiText kIn{" in ", " в "};
constexpr UiText kOnSearchPath{" on the system's search path", " на системном пути поиска"};
constexpr UiText kIsNotA{" is not a ", " не является "};
constexpr UiText kBitLibrary{"-bit library", "-разрядной библиотекой"};
constexpr UiText kCannotLoad{" cannot be loaded (system error ",
                             " не загружается (системная ошибка "};
constexpr UiText kLacks{": no function ", ": нет функции "};
constexpr UiText kNotConnected{"Not connected to the terminal", "Нет подключения к терминалу"};

std::string LibraryText(const LibraryLoadFailure& failure, UiLanguage language) {
  // Where the library is: "in C:\QUIK", or along the search path.
  const std::string where = failure.Folder.empty() ? kOnSearchPath.In(language)
                                                   : std::string(kIn.In(language)) + failure.Folder;
  switch (failure.What) {
    case Kind::NotFound:
      return failure.FileName + kNotFoundIn.In(language) + failure.Folder;
    case Kind::WrongBitness:
      return failure.FileName + where + kIsNotA.In(language) + std::to_string(failure.ProgramBits) +
             kBitLibrary.In(language);
    case Kind::Other:
      return failure.FileName + where + kCannotLoad.In(language) +
             std::to_string(failure.SystemCode) + ")";
    case Kind::MissingFunction:
      return failure.FileName + where + kLacks.In(language) + failure.Function;
    case Kind::None:
      break;
  }
  return {};
}

}  // namespace

void StatusLine::SetStartupBlock(const StartupBlock& block) {
  startup_ = block;
  Show();
}

void StatusLine::SetTerminalConnected(bool connected) {
  if (terminalConnected_ != connected) {
    terminalConnected_ = connected;
    Show();
  }
}

std::string StatusLine::Text() const {
  const UiLanguage language = regional_.InterfaceLanguage();
  if (!startup_.UnreadableSetting.empty()) {
    return contract::IniSectionPrefix(contract::kMainSection) + startup_.UnreadableSetting +
           kSettingUnreadable.In(language);
  }
  if (startup_.Library.What != Kind::None) {
    return LibraryText(startup_.Library, language);
  }
  return terminalConnected_ ? std::string() : kNotConnected.In(language);
}

}  // namespace vestrel
