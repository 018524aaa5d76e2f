#pragma once

// A terminal folder with the panel, its settings and the stand-in transaction
// library, a DDE client that pokes order books like the terminal, and the
// automation contract's ways of reading and clicking the panel.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "harness/program_under_test.h"

namespace vestrel::e2e {

struct PanelSettings {
  std::string Account = "A1";
  std::string SecCode = "S1";
  std::string ClassCode = "C1";
  std::string Size = "2";
  std::string SafeSpread = "10";
  std::string Compact = "0";
  // Sections after [Main], as the file's text ("[Paper]\r\nEnabled=1\r\n").
  std::string MoreSections = "";
  // False: no TRANS2QUIK.DLL in the folder.
  bool TransactionLibrary = true;
};

class TerminalFolder {
 public:
  explicit TerminalFolder(const PanelSettings& settings = {});
  const std::filesystem::path& Path() const { return folder_.Path(); }
  std::filesystem::path Panel() const { return Path() / L"Vestrel.exe"; }
  std::filesystem::path Journal() const { return Path() / L"journal.txt"; }
  std::filesystem::path EventLog() const { return Path() / L"events.jsonl"; }
  // The environment the panel starts with: the journal, the event-log mirror
  // and the stand-in library's script file here.
  std::vector<std::pair<std::wstring, std::wstring>> Environment() const;
  // The stand-in library's journal and the event-log mirror, as lines.
  std::vector<std::string> JournalLines() const;
  std::vector<std::string> EventLogLines() const;
  // The transactions the stand-in library was given to send, in order.
  std::vector<std::string> SentTransactions() const;
  // The event-log entries that hold the text.
  std::size_t CountLogged(const std::string& part) const;
  // Whether the panel has logged an error record.
  bool ErrorLogged() const;

  // Scripts the stand-in library of a running panel (lines NAME=value, read
  // at its every call).
  void Script(const std::vector<std::string>& lines) const;
  // Tells the stand-in library the top of the book the terminal shows, as
  // termsim --book-file does: it fills resting orders against it. A new
  // number brings new volume.
  void ShowBookTop(int number, double bestSell, int sellVolume, double bestBuy,
                   int buyVolume) const;

 private:
  TempFolder folder_{L"vestrel-terminal"};
};

// The order book the terminal sends: titles, then sell levels above buy
// levels, prices descending; empty cells as blank blocks.
struct Level {
  double SellVolume;  // 0: empty cell
  double Price;
  double BuyVolume;  // 0: empty cell
};

// A DDEML client of the panel's DDE service and topic.
class TerminalClient {
 public:
  TerminalClient();
  ~TerminalClient();
  TerminalClient(const TerminalClient&) = delete;
  TerminalClient& operator=(const TerminalClient&) = delete;
  // Polls until the service answers; false when it did not in time.
  bool Connect(std::chrono::milliseconds timeout = kStartTimeout);
  // Pokes XLTable data to the item; true when the panel acknowledged it.
  bool Poke(const std::string& item, const std::vector<std::uint8_t>& data,
            std::chrono::milliseconds timeout = 30s);
  // Pokes the book as the terminal does, to the item of its size.
  bool PokeBook(const std::vector<Level>& levels);
  bool ServiceAnswers();

 private:
  DWORD instance_ = 0;
  HCONV conversation_ = nullptr;
  UINT xlTableFormat_ = 0;
};

std::vector<std::uint8_t> EncodeBook(const std::vector<Level>& levels,
                                     const std::vector<std::string>& titles = {
                                         "SELL_VOLUME", "PRICE", "BUY_VOLUME"});
std::string BookItem(const std::vector<Level>& levels);

// The book most scenarios trade from: best sell 101, best buy 100; the
// largest sell volume 9 at 102, the largest buy volume 7 at 98.
extern const std::vector<Level> kSampleBook;

// A new order and Kill as the panel sends them with the default settings
// (account A1, instrument S1 of class C1).
std::string NewOrder(char operation, int price, int quantity);
inline constexpr const char* kKillAllOrders =
    "TRANS_ID=1; ACCOUNT=A1; ACTION=KILL_ALL_FUTURES_ORDERS; CLASSCODE=C1;BASE_CONTRACT=RTS";

// The panel started in a terminal folder of its own with the folder's
// environment and any more variables given.
class RunningPanel {
 public:
  explicit RunningPanel(const PanelSettings& settings = {},
                        const std::vector<std::pair<std::wstring, std::wstring>>& more = {});
  // The main window once it is shown; nullptr when it was not in time or the
  // program ended first.
  HWND WaitShown() const;
  // Closes the main window as the trader does; the exit code (-1 when the
  // program did not end within a minute).
  long Close() const;

  TerminalFolder terminal;
  ProgramUnderTest program;
};

using automation::Caption;
using automation::Click;
using automation::ShapeInFront;
// The message box the program shows, once it is up (nullptr when none came).
HWND WaitForMessageBox(const ProgramUnderTest& program,
                       std::chrono::milliseconds timeout = kStartTimeout);
std::wstring MessageBoxText(HWND box);
// The control of the window's thread that has the keyboard focus.
HWND FocusOf(HWND window);
void DismissMessageBox(HWND box);

std::wstring Utf8(const std::string& text);

}  // namespace vestrel::e2e
