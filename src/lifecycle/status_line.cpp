#include "lifecycle/status_line.h"

#include "contract/automation_contract.h"

namespace vestrel {
namespace {

using Kind = LibraryLoadFailure::Kind;

// One text in the trader's two languages.
struct Texts {
  const char* English;
  const char* Russian;
  const char* In(UiLanguage language) const {
    return language == UiLanguage::Russian ? Russian : English;
  }
};

constexpr Texts kSettingUnreadable{" is missing or not a number", " отсутствует или не число"};
constexpr Texts kNotFoundIn{" not found in ", " не найдена в "};
constexpr Texts kIn{" in ", " в "};
constexpr Texts kOnSearchPath{" on the system's search path", " на системном пути поиска"};
constexpr Texts kIsNotA{" is not a ", " не является "};
constexpr Texts kBitLibrary{"-bit library", "-разрядной библиотекой"};
constexpr Texts kCannotLoad{" cannot be loaded (system error ",
                            " не загружается (системная ошибка "};
constexpr Texts kNotConnected{"Not connected to the terminal", "Нет подключения к терминалу"};

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
