// The trading road under Wine: the real transaction-library adapter loading
// the stand-in TRANS2QUIK.DLL (copied beside this program), driven by the
// gateway. Orders sent from the panel's buttons, and their replies, are
// followed end to end (PanelTrading); here what only the adapter shows:
// scripted replies in the ANSI code page, where the library is looked for,
// and a missing or broken one.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/app_error.h"
#include "fakes/fake_ports.h"
#include "models/log_window_model.h"
#include "scratch_files.h"
#include "trade/gateway.h"
#include "win32/text_encoding.h"
#include "win32/win32_transaction_library.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {
namespace {

using testing::FakeLogServices;
using testing::FakeMessageBox;

// The stand-in's scripting variables; each test leaves them unset.
constexpr const wchar_t* kScriptVariables[] = {
    L"TERMSIM_T2Q_CONNECT",       L"TERMSIM_T2Q_DLL_CONNECTED",  L"TERMSIM_T2Q_QUIK_CONNECTED",
    L"TERMSIM_T2Q_SEND",          L"TERMSIM_T2Q_SEND_OUTPUTS",   L"TERMSIM_T2Q_RESULT_MESSAGE",
    L"TERMSIM_T2Q_ERROR_MESSAGE", L"TERMSIM_T2Q_REPLY_CODE",     L"TERMSIM_T2Q_TRANS_ID",
    L"TERMSIM_T2Q_ORDER_NUM",     L"TERMSIM_T2Q_EXTENDED_ERROR", L"TERMSIM_T2Q_SCRIPT"};

class Trading : public ::testing::Test {
 protected:
  void SetUp() override {
    journal_ = ScratchFolder(L"trading-journal") + L"\\journal.txt";
    DeleteFileW(journal_.c_str());
    SetEnvironmentVariableW(L"TERMSIM_T2Q_JOURNAL", journal_.c_str());
  }
  void TearDown() override {
    for (const wchar_t* name : kScriptVariables) {
      SetEnvironmentVariableW(name, nullptr);
    }
    SetEnvironmentVariableW(L"TERMSIM_T2Q_JOURNAL", nullptr);
  }
  // The journal so far, emptied for the next look.
  std::string TakeJournal() {
    std::string text = FileBytes(journal_);
    DeleteFileW(journal_.c_str());
    return text;
  }

  const std::string folder_ = WideToUtf8(ExecutableFolder());
  FakeLogServices services_;
  FakeMessageBox boxes_;
  bool closing_ = false;
  LogWindowModel logWindow_{services_.Log, services_.Regional, closing_};
  std::wstring journal_;
};

TEST_F(Trading, ScriptedRepliesComeBackWholeAndInTheAnsiCodePage) {
  Win32TransactionLibrary library;
  TradingGateway gateway(services_.Log, services_.AppLog, services_.Regional, boxes_, library,
                         logWindow_);
  SetEnvironmentVariableW(L"TERMSIM_T2Q_QUIK_CONNECTED", L"6");
  EXPECT_FALSE(gateway.Connect(folder_));
  EXPECT_EQ(boxes_.Shown, std::vector<std::string>{"TRANS2QUIK_QUIK_NOT_CONNECTED"});
  SetEnvironmentVariableW(L"TERMSIM_T2Q_QUIK_CONNECTED", nullptr);
  // The library is connected even so; the panel would close now.
  TakeJournal();

  // A result message longer than the buffer fills all 250 bytes without NUL.
  const bool cyrillic = GetACP() == 1251;
  SetEnvironmentVariableW(L"TERMSIM_T2Q_RESULT_MESSAGE", std::wstring(300, L'x').c_str());
  SetEnvironmentVariableW(L"TERMSIM_T2Q_ERROR_MESSAGE", L"Ошибка");
  SetEnvironmentVariableW(L"TERMSIM_T2Q_EXTENDED_ERROR", L"-17");
  SetEnvironmentVariableW(L"TERMSIM_T2Q_ORDER_NUM", L"12.5");
  EXPECT_EQ(gateway.Send("ACCOUNT=Счёт; ACTION=NEW_ORDER; TRANS_ID=42;"), 0);
  const std::string error = cyrillic ? "Ошибка" : "??????";
  ASSERT_EQ(services_.AppLog.Entries.size(), 1U);
  EXPECT_EQ(services_.AppLog.Entries[0].Text,
            "3|42|12,5|" + std::string(250, 'x') + "|250|-17|" + error + "|250");
  EXPECT_EQ(logWindow_.Lines().back(),
            "06.12.2026 14:05:09|" + std::string(250, 'x') + "|250|-17|" + error + "|250");

  // A refused send that leaves every output alone.
  SetEnvironmentVariableW(L"TERMSIM_T2Q_SEND", L"5");
  SetEnvironmentVariableW(L"TERMSIM_T2Q_SEND_OUTPUTS", L"none");
  EXPECT_EQ(gateway.Send("ACTION=NEW_ORDER;"), 5);
  EXPECT_EQ(services_.AppLog.Entries.back().Text, "0|0|0||250|0||250");
  gateway.Disconnect();

  const std::string account = cyrillic ? "\xD1\xF7\xB8\xF2" : "????";
  EXPECT_EQ(TakeJournal(), "SEND ACCOUNT=" + account +
                               "; ACTION=NEW_ORDER; TRANS_ID=42;\r\nSEND ACTION=NEW_ORDER;\r\n"
                               "DISCONNECT\r\n");
}

TEST_F(Trading, AScriptFileChangesTheAnswersOfALoadedLibraryAtTheNextCall) {
  Win32TransactionLibrary library;
  const std::wstring script = ScratchFolder(L"trading-script") + L"\\script.txt";
  SetEnvironmentVariableW(L"TERMSIM_T2Q_SCRIPT", script.c_str());
  SetEnvironmentVariableW(L"TERMSIM_T2Q_QUIK_CONNECTED", L"6");
  std::int32_t extendedErrorCode = 0;
  std::ofstream(script.c_str(), std::ios::binary)
      << "TERMSIM_T2Q_QUIK_CONNECTED=7\r\nTERMSIM_T2Q_QUIK_CONNECTED=9\r\n";
  EXPECT_EQ(library.IsQuikConnected(extendedErrorCode), 9);  // the file wins, its last line
  std::ofstream(script.c_str(), std::ios::binary | std::ios::trunc).close();
  EXPECT_EQ(library.IsQuikConnected(extendedErrorCode), 6);
  DeleteFileW(script.c_str());
}

TEST_F(Trading, TheProgramFolderComesFirstThenTheSearchPath) {
  // Copies under names of their own: a process holds one module per name.
  const std::wstring standIn = ExecutableFolder() + L"\\TRANS2QUIK.DLL";
  const std::wstring own = ScratchFolder(L"trading-own");
  const std::wstring onPath = ScratchFolder(L"trading-path");
  for (const std::wstring& copy :
       {own + L"\\T2Q_FIRST.DLL", onPath + L"\\T2Q_FIRST.DLL", onPath + L"\\T2Q_SEARCHED.DLL"}) {
    ASSERT_TRUE(CopyFileW(standIn.c_str(), copy.c_str(), FALSE));
  }
  ASSERT_TRUE(SetDllDirectoryW(onPath.c_str()));
  std::int32_t extended = 0;

  Win32TransactionLibrary inOwnFolder(own, L"T2Q_FIRST.DLL");
  EXPECT_EQ(inOwnFolder.Connect("C:\\QUIK", extended), 0);
  EXPECT_EQ(inOwnFolder.LoadedPath(), own + L"\\T2Q_FIRST.DLL");

  Win32TransactionLibrary elsewhere(ScratchFolder(L"trading-empty"), L"T2Q_SEARCHED.DLL");
  EXPECT_EQ(elsewhere.IsDllConnected(extended), 11);
  EXPECT_EQ(elsewhere.LoadedPath(), onPath + L"\\T2Q_SEARCHED.DLL");
  SetDllDirectoryW(nullptr);
  EXPECT_EQ(TakeJournal(), "CONNECT C:\\QUIK\r\nIS_DLL_CONNECTED\r\n");
}

TEST_F(Trading, AMissingOrBrokenLibraryIsAnErrorOnTheChainNeverACrash) {
  Win32TransactionLibrary missing(ExecutableFolder(), L"NO_SUCH_T2Q.DLL");
  TradingGateway gateway(services_.Log, services_.AppLog, services_.Regional, boxes_, missing,
                         logWindow_);
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      gateway.Connect(folder_);
      ADD_FAILURE() << "a missing library connected";
    } catch (const AppError& error) {
      EXPECT_EQ(error.Number, 53);
      EXPECT_EQ(error.Source, "Vestrel.frmMain.QuikInit");
      EXPECT_EQ(error.Description, "File not found: NO_SUCH_T2Q.DLL");
    }
  }
  EXPECT_EQ(services_.ErrorEntries().size(), 2U);
  // What the status line names: the file and the folder looked in.
  EXPECT_EQ(missing.LoadFailure().What, LibraryLoadFailure::Kind::NotFound);
  EXPECT_EQ(missing.LoadFailure().FileName, "NO_SUCH_T2Q.DLL");
  EXPECT_EQ(missing.LoadFailure().Folder, WideToUtf8(ExecutableFolder()));

  std::int32_t extended = 0;
  Win32TransactionLibrary withoutEntries(ScratchFolder(L"trading-empty"), L"kernel32.dll");
  try {
    withoutEntries.Connect("C:\\QUIK", extended);
    ADD_FAILURE() << "a library without the entry point connected";
  } catch (const AppError& error) {
    EXPECT_EQ(error.Number, 453);
    EXPECT_EQ(error.Description,
              "Can't find DLL entry point _TRANS2QUIK_CONNECT@16 in kernel32.dll");
  }

  const std::wstring broken = ScratchFolder(L"trading-broken");
  std::ofstream((broken + L"\\TRANS2QUIK.DLL").c_str(), std::ios::binary) << "not a library";
  Win32TransactionLibrary notALibrary(broken);
  try {
    notALibrary.Connect("C:\\QUIK", extended);
    ADD_FAILURE() << "a file that is no library connected";
  } catch (const AppError& error) {
    EXPECT_EQ(error.Number, 48);
    EXPECT_EQ(error.Description.rfind("Error in loading DLL: ", 0), 0U) << error.Description;
    // The system's text names the file itself, not its placeholder.
    EXPECT_EQ(error.Description.find("%1"), std::string::npos) << error.Description;
  }
  // No image of this program's kind: the system cannot tell a library of
  // the other bitness from a file that is none.
  EXPECT_EQ(notALibrary.LoadFailure().What, LibraryLoadFailure::Kind::WrongBitness);
  EXPECT_EQ(notALibrary.LoadFailure().Folder, WideToUtf8(broken));
  EXPECT_EQ(notALibrary.LoadFailure().ProgramBits, static_cast<int>(sizeof(void*) * 8));
  EXPECT_TRUE(TakeJournal().empty());
}

}  // namespace
}  // namespace vestrel::win32
