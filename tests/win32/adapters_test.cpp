// The Win32 adapters against Wine's real implementations.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "common/app_error.h"
#include "diag/log_dispatcher.h"
#include "diag/text_log_sink.h"
#include "fakes/fake_ports.h"
#include "recording/poke_recorder.h"
#include "recording/poke_recording.h"
#include "scratch_files.h"
#include "win32/text_encoding.h"
#include "win32/win32_clock.h"
#include "win32/win32_event_log.h"
#include "win32/win32_file_system.h"
#include "win32/win32_profile_reader.h"
#include "win32/win32_regional_settings.h"
#include "win32/win32_sound_player.h"
#include "win32/win32_user_context.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {
namespace {

std::string TempFolder() { return WideToUtf8(ScratchFolder(L"adapters")); }
std::string ReadBytes(const std::string& path) { return FileBytes(Utf8ToWide(path)); }

std::vector<RecordedPoke> ReadPokes(const std::string& path) {
  const std::string bytes = ReadBytes(path);
  return ReadRecording(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()))
      .Pokes;
}

bool Exists(const std::string& path) {
  return GetFileAttributesW(Utf8ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(Win32Regional, TheDecimalSeparatorAndTheAnsiCodePageAreTheSystems) {
  const char* separator = std::getenv("VESTREL_EXPECT_DECIMAL");
  const char* codePage = std::getenv("VESTREL_EXPECT_CODE_PAGE");
  ASSERT_TRUE(separator != nullptr && codePage != nullptr) << "the test runner sets them";
  const Win32RegionalSettings regional;
  EXPECT_EQ(regional.DecimalSeparator(), separator[0]);
  // The bytes a Russian terminal sends for ЦЕНА: its letters on a Russian
  // machine, Western letters on a Western one.
  const std::string bytes = "\xD6\xC5\xCD\xC0 PRICE";
  EXPECT_EQ(regional.AnsiToUtf8(bytes),
            std::string(codePage) == "1251" ? "ЦЕНА PRICE" : "ÖÅÍÀ PRICE");
  EXPECT_EQ(regional.AnsiToUtf8(""), "");
}

TEST(Win32ProfileReader, ReadsThroughTheSystemLookupCutTo126CharactersOrWhole) {
  const std::string ini = TempFolder() + "\\Marlowin.ini";
  std::ofstream(Utf8ToWide(ini).c_str(), std::ios::binary)
      << "[MAIN]\r\nACCOUNT = " << std::string(200, 'a') << "\r\nSize=1\r\nEmpty=\r\n"
      << "[Record]\r\nFile127=" << std::string(127, 'b') << "\r\nFile128=" << std::string(128, 'c')
      << "\r\nFile3000=" << std::string(3000, 'd') << "\r\n"
      << "[Hotkeys]\r\n  bestBID =F2\r\n;Kill=F9\r\nReverse\r\n"
      << "[ paper ]\r\nEnabled=1\r\n"
      << "[Quirks]\r\nQuoted = \"a b\" \r\nTabbed=\tx\t\r\nTwice=1\r\ntwice=2\r\nPlain =  p q  "
         "\r\n";
  Win32ProfileReader reader;
  EXPECT_EQ(reader.GetPrivateProfileString("Main", "Account", ini, 127), std::string(126, 'a'));
  EXPECT_EQ(reader.GetPrivateProfileString("main", "size", ini, 127), "1");
  EXPECT_EQ(reader.GetPrivateProfileString("Main", "Empty", ini, 127), "");
  EXPECT_EQ(reader.GetPrivateProfileString("Main", "Missing", ini, 127), "");
  EXPECT_EQ(reader.GetPrivateProfileString("Main", "Size", ini + ".missing", 127), "");

  EXPECT_EQ(reader.GetWholeValue("Main", "Account", ini), std::string(200, 'a'));
  EXPECT_EQ(reader.GetWholeValue("Record", "File127", ini), std::string(127, 'b'));
  EXPECT_EQ(reader.GetWholeValue("Record", "File128", ini), std::string(128, 'c'));
  EXPECT_EQ(reader.GetWholeValue("Record", "File3000", ini), std::string(3000, 'd'));
  EXPECT_EQ(reader.GetWholeValue("Main", "Size", ini), "1");
  EXPECT_EQ(reader.GetWholeValue("Main", "Missing", ini), "");
  // A section's key names are read once: what they hold is looked up as
  // ever, what they certainly lack is "" without a lookup.
  EXPECT_EQ(reader.GetWholeValue("HOTKEYS", "BestBid", ini), "F2");
  EXPECT_EQ(reader.GetWholeValue("Hotkeys", "Kill", ini), "");
  EXPECT_EQ(reader.GetWholeValue("Hotkeys", "Reverse", ini), "");
  EXPECT_EQ(reader.GetWholeValue("Ladder", "Enabled", ini), "");
  // The file's section names are read once too; a header the system reads
  // loosely is still looked up, and answers as the system does.
  char system[16] = {};
  GetPrivateProfileStringA("Paper", "Enabled", "", system, sizeof system, ini.c_str());
  EXPECT_STREQ(system, "1");
  EXPECT_EQ(reader.GetWholeValue("Paper", "Enabled", ini), "1");
  // Plain values come from the listed entries; whatever the system reads in
  // its own way is still its to answer.
  for (const char* key : {"Quoted", "Tabbed", "Twice", "Plain", "Missing"}) {
    char value[32] = {};
    GetPrivateProfileStringA("Quirks", key, "", value, sizeof value, ini.c_str());
    EXPECT_EQ(reader.GetWholeValue("quirks", key, ini), value) << key;
    EXPECT_EQ(reader.GetPrivateProfileString("Quirks", key, ini, 2), std::string(value, 1).c_str())
        << key;
  }
}

TEST(Win32EventLog, MirrorsEveryEntryAsAJsonLine) {
  const std::string mirror = TempFolder() + "\\events.jsonl";
  DeleteFileW(Utf8ToWide(mirror).c_str());
  SetEnvironmentVariableW(L"VESTREL_EVENT_LOG_MIRROR", Utf8ToWide(mirror).c_str());
  {
    Win32EventLog log;
    log.Write("3|1|7|M|250|0||250", EventType::Information);
    log.Write("ERROR OCCURS IN UNKNOWN \"q\" \\ Ошибка\r\nx = 1\r\n", EventType::Error);
  }
  SetEnvironmentVariableW(L"VESTREL_EVENT_LOG_MIRROR", nullptr);
  EXPECT_EQ(ReadBytes(mirror),
            "{\"type\": 4, \"text\": \"3|1|7|M|250|0||250\"}\n"
            "{\"type\": 1, \"text\": \"ERROR OCCURS IN UNKNOWN \\\"q\\\" \\\\ Ошибка\\r\\nx = "
            "1\\r\\n\"}\n");
}

TEST(Win32UserContext, AMissingComponentFailsAndTheDispatcherGivesAnEmptyContext) {
  CoInitialize(nullptr);
  Win32UserContextSource source;
  EXPECT_THROW(source.GetUserName(), AppError);
  Win32EventLog appLog;
  Win32FileSystem files;
  Win32RegionalSettings regional;
  LogDispatcher dispatcher(LogServices{appLog, files, regional, source});
  const UserContext context = dispatcher.GetUserContext();
  EXPECT_EQ(context.UserName, "");
  EXPECT_EQ(context.DBID, "");
  CoUninitialize();
}

// A component that answers GetUserName only as a property, or only as a
// method, as components written either way do.
class UserNameComponent : public IDispatch {
 public:
  explicit UserNameComponent(WORD answersTo) : answersTo_(answersTo) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    *object = this;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID,
                                          DISPID* ids) override {
    *ids = 7;
    return std::wstring_view(names[0]) == L"GetUserName" ? S_OK : DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    if (id != 7 || (flags & answersTo_) == 0) {
      return DISP_E_MEMBERNOTFOUND;
    }
    result->vt = VT_BSTR;
    result->bstrVal = SysAllocString(L"Трейдер");
    return S_OK;
  }

 private:
  WORD answersTo_;
};

TEST(Win32UserContext, TheUserNameIsAskedForAsAMethodOrAsAProperty) {
  UserNameComponent property(DISPATCH_PROPERTYGET);
  UserNameComponent method(DISPATCH_METHOD);
  EXPECT_EQ(UserNameOf(property), "Трейдер");
  EXPECT_EQ(UserNameOf(method), "Трейдер");
}

// A loader as Windows 7 without its loader update has it: the search flags
// are an invalid parameter.
std::vector<std::wstring> loadedNames;
HMODULE WINAPI LoaderWithoutSearchFlags(LPCWSTR name, HANDLE file, DWORD flags) {
  if ((flags & LOAD_LIBRARY_SEARCH_SYSTEM32) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  loadedNames.emplace_back(name);
  return LoadLibraryExW(name, file, flags);
}

TEST(Win32UserContext, ComIsLoadedFromTheSystemFolderByItsFullPathWhereTheFlagIsRefused) {
  wchar_t folder[MAX_PATH] = {};
  ASSERT_NE(GetSystemDirectoryW(folder, MAX_PATH), 0U);
  for (const wchar_t* name : {L"ole32.dll", L"oleaut32.dll"}) {
    loadedNames.clear();
    const HMODULE module = LoadSystemLibrary(name, LoaderWithoutSearchFlags);
    EXPECT_NE(module, nullptr);
    EXPECT_EQ(loadedNames, std::vector<std::wstring>{std::wstring(folder) + L"\\" + name});
    EXPECT_EQ(module, GetModuleHandleW(name));
    FreeLibrary(module);
  }
  EXPECT_NE(LoadSystemLibrary(L"ole32.dll"), nullptr);
  EXPECT_EQ(LoadSystemLibrary(L"no_such_library.dll", LoaderWithoutSearchFlags), nullptr);
}

class Win32TextLog : public ::testing::Test {
 protected:
  std::string Folder() { return files_.AppDataFolder() + "\\Zel_Project"; }
  std::string FileFor(int daysBack) {
    using namespace std::chrono;
    const LocalDateTime now = regional_.Now();
    const sys_days today{year{now.Year} / month{static_cast<unsigned>(now.Month)} /
                         day{static_cast<unsigned>(now.Day)}};
    const year_month_day date{today - days{daysBack}};
    LocalDateTime then{static_cast<int>(date.year()),
                       static_cast<int>(static_cast<unsigned>(date.month())),
                       static_cast<int>(static_cast<unsigned>(date.day()))};
    return Folder() + "\\" + DailyLogFileName(then);
  }

  Win32EventLog appLog_;
  Win32FileSystem files_;
  Win32RegionalSettings regional_;
};

TEST_F(Win32TextLog, WritesTheBlockInTheAnsiCodePageAndPrunesDays15To35) {
  if (files_.FolderExists(Folder())) {
    for (int back : {0, 14, 15, 20, 35, 36}) {
      DeleteFileW(Utf8ToWide(FileFor(back)).c_str());
    }
  } else {
    files_.CreateFolder(Folder());
  }
  for (int back : {14, 15, 20, 35, 36}) {
    files_.OpenForAppend(FileFor(back))->WriteLine("old");
  }
  ErrorRecord record;
  record.Level = 1;
  record.Number = 13;
  record.Description = errors::TypeMismatch.Text;
  record.Source = "Vestrel.frmMain.Form_Load";
  ASSERT_TRUE(TextLogSink(files_, regional_, appLog_).Write(record, {}));

  EXPECT_TRUE(Exists(FileFor(14)));
  EXPECT_TRUE(Exists(FileFor(36)));
  EXPECT_FALSE(Exists(FileFor(15)));
  EXPECT_FALSE(Exists(FileFor(20)));
  EXPECT_FALSE(Exists(FileFor(35)));

  const std::string written = ReadBytes(FileFor(0));
  const std::string label = GetACP() == 1251
                                ? "\xCA\xF0\xE8\xF2\xE8\xF7\xED\xEE\xF1\xF2\xFC: ERROR\r\n"
                                : "???????????: ERROR\r\n";
  EXPECT_NE(written.find(" : Type mismatch (13)\r\n" + label + "\r\n"), std::string::npos)
      << written;
  EXPECT_NE(written.find("Vestrel.frmMain.Form_Load"), std::string::npos);
  EXPECT_EQ(written.substr(written.size() - 109), std::string(105, '*') + "\r\n\r\n");
}

TEST_F(Win32TextLog, ALockedFileIsReportedAsAnOpeningFailureAtStep80) {
  files_.OpenForAppend(FileFor(0));  // make sure the folder and file exist
  const HANDLE lock = CreateFileW(Utf8ToWide(FileFor(0)).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  const std::string mirror = TempFolder() + "\\locked.jsonl";
  DeleteFileW(Utf8ToWide(mirror).c_str());
  SetEnvironmentVariableW(L"VESTREL_EVENT_LOG_MIRROR", Utf8ToWide(mirror).c_str());
  Win32EventLog mirrored;
  SetEnvironmentVariableW(L"VESTREL_EVENT_LOG_MIRROR", nullptr);
  EXPECT_FALSE(TextLogSink(files_, regional_, mirrored).Write(ErrorRecord{}, {}));
  CloseHandle(lock);
  const std::string line = ReadBytes(mirror);
  EXPECT_EQ(
      line.rfind(
          "{\"type\": 4, \"text\": \"Error occurs in LogInterface.LogEventToTextFile no line 80: ",
          0),
      0U)
      << line;
}

TEST(Win32FileSystem, ARecordingIsAppendedToReadableMeanwhileAndWrittenByOneOnly) {
  const std::string path = TempFolder() + "\\pokes.rec";
  DeleteFileW(Utf8ToWide(path).c_str());
  Win32FileSystem files;
  Win32Clock clock;
  testing::FakeEventLog appLog;
  const std::vector<std::uint8_t> book{0x10, 0, 4, 0, 1, 0, 1, 0, 0x0A, 0x0D, 0x1A};
  {
    PokeRecorder recorder(files, clock, appLog);
    ASSERT_TRUE(recorder.Start(path));
    recorder.Record("R1C1:R1C1", book);
    recorder.Flush();
    // Another program may read the recording, but not write it as well.
    ASSERT_EQ(ReadPokes(path).size(), 1U);
    PokeRecorder second(files, clock, appLog);
    EXPECT_FALSE(second.Start(path));
    ASSERT_EQ(appLog.Entries.size(), 1U);
    EXPECT_EQ(appLog.Entries[0].Type, EventType::Warning);
    recorder.Record("R2C1:R2C1", {});
  }
  {
    // A second session appends behind the first.
    PokeRecorder recorder(files, clock, appLog);
    ASSERT_TRUE(recorder.Start(path));
    recorder.Record("R1C1:R1C1", book);
  }
  const std::vector<RecordedPoke> pokes = ReadPokes(path);
  ASSERT_EQ(pokes.size(), 3U);
  EXPECT_EQ(pokes[0].Data, book);
  EXPECT_EQ(pokes[1].Item, "R2C1:R2C1");
  EXPECT_EQ(pokes[2].Data, book);
  EXPECT_LE(pokes[0].UtcMicroseconds, pokes[2].UtcMicroseconds);
  EXPECT_GT(pokes[0].UtcMicroseconds, 1'700'000'000'000'000);  // the system's time
  EXPECT_EQ(appLog.Entries.size(), 1U);

  // A copy cut off inside its last poke is cut back to its whole pokes before
  // anything is appended.
  std::string content = ReadBytes(path);
  content.resize(content.size() - 5);
  std::ofstream(Utf8ToWide(path).c_str(), std::ios::binary) << content;
  {
    PokeRecorder recorder(files, clock, appLog);
    ASSERT_TRUE(recorder.Start(path));
    recorder.Record("R3C1:R3C1", book);
  }
  const std::vector<RecordedPoke> after = ReadPokes(path);
  ASSERT_EQ(after.size(), 3U);
  EXPECT_EQ(after[2].Item, "R3C1:R3C1");
  ASSERT_EQ(appLog.Entries.size(), 2U);
  EXPECT_NE(appLog.Entries[1].Text.find(
                "its last " + std::to_string(kPokeRecordHeaderSize + 9 + book.size() - 5) +
                " bytes were cut off"),
            std::string::npos)
      << appLog.Entries[1].Text;
}

TEST(Win32FileSystem, OnlyAFileOnDiskIsOpenedForARecording) {
  Win32FileSystem files;
  // The device opens; what it is shows only then.
  try {
    files.OpenForBinaryAppend("NUL");
    ADD_FAILURE() << "the NUL device was opened as a recording";
  } catch (const AppError& error) {
    EXPECT_EQ(error.Description, "not a file on disk");
  }
  EXPECT_THROW(files.OpenForBinaryAppend(TempFolder()), AppError);
}

// The sound library is loaded at the first sound, not imported.
TEST(Win32SoundPlayer, PlaysAWaveFileAndNeverTheSystemsDefaultInPlaceOfAMissingOne) {
  Win32SoundPlayer player;
  EXPECT_FALSE(player.Play(TempFolder() + "\\no such sound.wav"));
  EXPECT_FALSE(player.Play(TempFolder()));
  EXPECT_EQ(GetModuleHandleW(L"winmm.dll"), nullptr);

  // A tenth of a second of 8 kHz 8-bit mono silence: the header, 800 samples.
  const std::string wave = TempFolder() + "\\silence.wav";
  const char header[] =
      "RIFF\x44\x03\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x40\x1F\0\0"
      "\x40\x1F\0\0\x01\0\x08\0data\x20\x03\0\0";
  std::ofstream(Utf8ToWide(wave).c_str(), std::ios::binary)
      << std::string(header, sizeof header - 1) << std::string(800, '\x80');
  EXPECT_TRUE(player.Play(wave));
  EXPECT_NE(GetModuleHandleW(L"winmm.dll"), nullptr);
}

}  // namespace
}  // namespace vestrel::win32
