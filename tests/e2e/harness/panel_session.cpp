#include "harness/panel_session.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <variant>

#include "contract/automation_contract.h"
#include "win32/text_encoding.h"
#include "xltable_writer.h"

namespace vestrel::e2e {
namespace {

std::vector<std::string> ReadLines(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    lines.push_back(line);
  }
  return lines;
}

HDDEDATA CALLBACK ClientCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  return nullptr;
}

}  // namespace

std::wstring Utf8(const std::string& text) { return win32::Utf8ToWide(text); }

TerminalFolder::TerminalFolder(const PanelSettings& settings) {
  std::filesystem::copy_file(PathFromEnvironment("VESTREL_EXE"), Panel());
  if (settings.TransactionLibrary) {
    std::filesystem::copy_file(PathFromEnvironment("VESTREL_T2Q_DLL"), Path() / L"TRANS2QUIK.DLL");
  }
  std::ofstream ini(Path() / contract::kIniFileNameWide, std::ios::binary);
  const auto line = [&ini](const char* key, const std::string& value) {
    ini << key << '=' << value << "\r\n";
  };
  ini << '[' << contract::kMainSection << "]\r\n";
  line(contract::kAccountKey, settings.Account);
  line(contract::kSecCodeKey, settings.SecCode);
  line(contract::kClassCodeKey, settings.ClassCode);
  if (!settings.Size.empty()) {
    line(contract::kSizeKey, settings.Size);
  }
  line(contract::kSafeSpreadKey, settings.SafeSpread);
  line(contract::kCompactKey, settings.Compact);
  ini << settings.MoreSections;
}

std::vector<std::pair<std::wstring, std::wstring>> TerminalFolder::Environment() const {
  return {{L"TERMSIM_T2Q_JOURNAL", Journal().wstring()},
          {L"VESTREL_EVENT_LOG_MIRROR", EventLog().wstring()},
          {L"TERMSIM_T2Q_SCRIPT", (Path() / L"t2q-script.txt").wstring()}};
}

namespace {

// Written beside and moved into place, so that a reader never sees half of it.
void ReplaceFile(const std::filesystem::path& path, const std::string& text) {
  const std::filesystem::path next = path.wstring() + L".new";
  std::ofstream(next, std::ios::binary) << text;
  MoveFileExW(next.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

}  // namespace

void TerminalFolder::Script(const std::vector<std::string>& lines) const {
  std::string text;
  for (const std::string& line : lines) {
    text += line + "\r\n";
  }
  ReplaceFile(Path() / L"t2q-script.txt", text);
}

void TerminalFolder::ShowBookTop(int number, double bestSell, int sellVolume, double bestBuy,
                                 int buyVolume) const {
  std::ostringstream line;
  line << "BOOK " << number << ' ' << bestSell << ' ' << sellVolume << ' ' << bestBuy << ' '
       << buyVolume << "\r\n";
  // Beside the journal, where the library looks for it.
  ReplaceFile(Path() / L"trans2quik-book.txt", line.str());
}

std::vector<std::string> TerminalFolder::JournalLines() const { return ReadLines(Journal()); }
std::vector<std::string> TerminalFolder::EventLogLines() const { return ReadLines(EventLog()); }

std::vector<std::string> TerminalFolder::SentTransactions() const {
  std::vector<std::string> sent;
  for (const std::string& line : JournalLines()) {
    if (line.rfind("SEND ", 0) == 0) {
      sent.push_back(line.substr(5));
    }
  }
  return sent;
}

std::size_t TerminalFolder::CountLogged(const std::string& part) const {
  const auto events = EventLogLines();
  return static_cast<std::size_t>(
      std::count_if(events.begin(), events.end(),
                    [&](const auto& line) { return line.find(part) != std::string::npos; }));
}

bool TerminalFolder::ErrorLogged() const { return CountLogged("ERROR OCCURS IN ") > 0; }

TerminalClient::TerminalClient() {
  DdeInitializeW(&instance_, ClientCallback, APPCMD_CLIENTONLY, 0);
  xlTableFormat_ = RegisterClipboardFormatW(L"XlTable");
}

TerminalClient::~TerminalClient() {
  if (conversation_ != nullptr) {
    DdeDisconnect(conversation_);
  }
  DdeUninitialize(instance_);
}

bool TerminalClient::ServiceAnswers() {
  const HSZ service = DdeCreateStringHandleW(instance_, contract::kDdeServiceWide, CP_WINUNICODE);
  const HSZ topic = DdeCreateStringHandleW(instance_, contract::kDdeTopicWide, CP_WINUNICODE);
  const HCONV probe = DdeConnect(instance_, service, topic, nullptr);
  DdeFreeStringHandle(instance_, service);
  DdeFreeStringHandle(instance_, topic);
  if (probe != nullptr) {
    DdeDisconnect(probe);
  }
  return probe != nullptr;
}

bool TerminalClient::Connect(std::chrono::milliseconds timeout) {
  const HSZ service = DdeCreateStringHandleW(instance_, contract::kDdeServiceWide, CP_WINUNICODE);
  const HSZ topic = DdeCreateStringHandleW(instance_, contract::kDdeTopicWide, CP_WINUNICODE);
  WaitUntil(
      [&] {
        conversation_ = DdeConnect(instance_, service, topic, nullptr);
        return conversation_ != nullptr;
      },
      timeout);
  DdeFreeStringHandle(instance_, service);
  DdeFreeStringHandle(instance_, topic);
  return conversation_ != nullptr;
}

bool TerminalClient::Poke(const std::string& item, const std::vector<std::uint8_t>& data,
                          std::chrono::milliseconds timeout) {
  const HSZ itemHandle = DdeCreateStringHandleW(instance_, Utf8(item).c_str(), CP_WINUNICODE);
  DWORD status = 0;
  const HDDEDATA result = DdeClientTransaction(
      const_cast<BYTE*>(data.data()), static_cast<DWORD>(data.size()), conversation_, itemHandle,
      xlTableFormat_, XTYP_POKE, static_cast<DWORD>(timeout.count()), &status);
  DdeFreeStringHandle(instance_, itemHandle);
  // Wine hands back a handle even for a refused poke: the status word tells.
  return result != nullptr && (status & DDE_FACK) != 0;
}

bool TerminalClient::PokeBook(const std::vector<Level>& levels) {
  return Poke(BookItem(levels), EncodeBook(levels));
}

std::vector<std::uint8_t> EncodeBook(const std::vector<Level>& levels,
                                     const std::vector<std::string>& titles) {
  using xltable::Cell;
  xltable::Sheet rows;
  rows.emplace_back();
  for (const std::string& title : titles) {
    rows.back().emplace_back(title);
  }
  for (const Level& level : levels) {
    auto cell = [](double value) { return value == 0 ? Cell{} : Cell{value}; };
    rows.push_back({cell(level.SellVolume), Cell{level.Price}, cell(level.BuyVolume)});
  }
  return xltable::EncodeXLTable(rows);
}

std::string BookItem(const std::vector<Level>& levels) {
  return xltable::RangeItem(levels.size() + 1, 3);
}

const std::vector<Level> kSampleBook = {
    {5, 103, 0}, {9, 102, 0}, {2, 101, 0}, {0, 100, 4}, {0, 99, 1}, {0, 98, 7},
};

std::string NewOrder(char operation, int price, int quantity) {
  return "ACCOUNT=A1; TYPE=L; TRANS_ID=1; CLASSCODE=C1; SECCODE=S1; ACTION=NEW_ORDER; "
         "OPERATION=" +
         std::string(1, operation) + "; PRICE=" + std::to_string(price) +
         "; QUANTITY=" + std::to_string(quantity) + ";";
}

RunningPanel::RunningPanel(const PanelSettings& settings,
                           const std::vector<std::pair<std::wstring, std::wstring>>& more)
    : terminal(settings), program(terminal.Panel(), terminal.Path(), [&] {
        auto environment = terminal.Environment();
        environment.insert(environment.end(), more.begin(), more.end());
        return environment;
      }()) {}

HWND RunningPanel::WaitShown() const {
  HWND window = nullptr;
  WaitUntil(
      [&] {
        window = program.TopLevelWindow(contract::kMainWindowClass, true);
        return window != nullptr || !program.Running();
      },
      kStartTimeout);
  return window;
}

long RunningPanel::Close() const {
  PostMessageW(program.TopLevelWindow(contract::kMainWindowClass), WM_CLOSE, 0, 0);
  return program.WaitForExit(60s);
}

HWND WaitForMessageBox(const ProgramUnderTest& program, std::chrono::milliseconds timeout) {
  // The box is complete once it is shown with its text control.
  HWND box = nullptr;
  WaitUntil(
      [&] {
        box = program.WaitForWindow(L"#32770", 0ms);
        return (box != nullptr && IsWindowVisible(box) != FALSE &&
                GetDlgItem(box, 0xFFFF) != nullptr) ||
               !program.Running();
      },
      timeout);
  return box != nullptr && IsWindowVisible(box) != FALSE ? box : nullptr;
}

std::wstring MessageBoxText(HWND box) { return WindowText(GetDlgItem(box, 0xFFFF)); }

void DismissMessageBox(HWND box) { PostMessageW(box, WM_COMMAND, IDOK, 0); }

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
  return info.hwndFocus;
}

}  // namespace vestrel::e2e
