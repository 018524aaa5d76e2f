// The log window and the About dialog as real windows under Wine, and the
// registry and process adapters behind System Info.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/app_error.h"
#include "contract/automation_contract.h"
#include "fakes/fake_ports.h"
#include "fakes/fake_window_ports.h"
#include "models/about_dialog_model.h"
#include "models/log_window_model.h"
#include "panel_automation.h"
#include "scratch_files.h"
#include "win32/about_dialog.h"
#include "win32/log_window_view.h"
#include "win32/main_window_view.h"
#include "win32/text_encoding.h"
#include "win32/unique_handle.h"
#include "win32/win32_process_starter.h"
#include "win32/win32_registry.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {
namespace {

using testing::FakeLogServices;
using testing::FakeMessageBox;
using Texts = std::vector<std::string>;

constexpr const char* kUnavailable = "System Information Is Unavailable At This Time";

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

int ScreenDpi(int axis) { return GetDeviceCaps(WindowDc(nullptr).get(), axis); }

int TwipsX(int twips) { return MulDiv(twips, ScreenDpi(LOGPIXELSX), 1440); }
int TwipsY(int twips) { return MulDiv(twips, ScreenDpi(LOGPIXELSY), 1440); }

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

// Read as an automation tool reads them.
using automation::ListLines;
std::wstring TextOf(HWND window) { return automation::WindowText(window); }

std::vector<std::wstring> Wide(const Texts& texts) {
  std::vector<std::wstring> wide;
  for (const std::string& text : texts) {
    wide.push_back(Utf8ToWide(text));
  }
  return wide;
}

// The program's message loop, as the panel runs it, until nothing is left.
void Pump(AboutDialog* about = nullptr) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
    if (about != nullptr && about->PreTranslateMessage(message)) {
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// ---------------------------------------------------------------- log window

struct LogFixture {
  FakeLogServices services;
  bool closing = false;
  LogWindowModel log{services.Log, services.Regional, closing};
};

TEST(LogWindowView, CollectsLinesHiddenKeepsThemThroughClosesAndUnloadsAtShutdown) {
  LogFixture f;
  LogWindowView view(Instance(), f.log);
  EXPECT_EQ(view.Window(), nullptr);
  f.log.AddLine("1|first");  // loads the window, hidden
  const HWND window = view.Window();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(ClassOf(window), contract::kLogWindowClass);
  EXPECT_EQ(TextOf(window), L"");
  EXPECT_EQ(GetWindow(window, GW_OWNER), nullptr);
  EXPECT_FALSE(IsWindowVisible(window));
  const HWND list = GetDlgItem(window, contract::kLogListId);
  ASSERT_EQ(list, view.List());
  EXPECT_EQ(ClassOf(list), L"ListBox");
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, TwipsX(9300));
  EXPECT_EQ(client.bottom, TwipsY(4425));
  RECT listed;  // the list fills it
  GetWindowRect(list, &listed);
  EXPECT_EQ(listed.right - listed.left, client.right);
  EXPECT_EQ(listed.bottom - listed.top, client.bottom);

  f.log.AddLine("");
  f.log.AddLine("2|Ошибка: нет связи");
  EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(ListLines(list), Wide(f.log.Lines()));
  EXPECT_EQ(ListLines(list)[1], L"06.12.2026 14:05:09|");

  // Shown, it does not follow new lines: the top line and the selection stay.
  view.Show();
  Pump();
  EXPECT_TRUE(IsWindowVisible(window));
  for (int i = 0; i < 60; ++i) {
    f.log.AddLine("line " + std::to_string(i));
  }
  EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 0);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), LB_ERR);
  EXPECT_EQ(ListLines(list), Wide(f.log.Lines()));

  // Closing while the panel runs only hides it; showing again brings back
  // the same window with every line.
  SendMessageW(window, WM_CLOSE, 0, 0);
  Pump();
  EXPECT_TRUE(IsWindow(window));
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_FALSE(f.log.Visible());
  f.log.AddLine("while hidden");
  view.Show();
  EXPECT_EQ(view.Window(), window);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 64);
  EXPECT_EQ(ListLines(list).back(), L"06.12.2026 14:05:09|while hidden");

  // Every size, the first one included, is filled by the list; a minimised
  // window leaves the list as it was.
  for (const SIZE size : {SIZE{300, 200}, SIZE{900, 640}, SIZE{150, 120}}) {
    SetWindowPos(window, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(window, &client);
    RECT listArea;
    GetWindowRect(list, &listArea);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&listArea), 2);
    EXPECT_EQ(listArea.left, 0);
    EXPECT_EQ(listArea.top, 0);
    EXPECT_EQ(listArea.right, client.right) << size.cx;
    EXPECT_EQ(listArea.bottom, client.bottom) << size.cy;
  }
  ShowWindow(window, SW_MINIMIZE);
  RECT minimised;
  GetClientRect(list, &minimised);
  EXPECT_GT(minimised.right, 0);
  EXPECT_GT(minimised.bottom, 0);
  view.Show();  // restores it
  EXPECT_FALSE(IsIconic(window));

  // The panel shuts down: the close goes through and the lines go with it.
  f.closing = true;
  SendMessageW(window, WM_CLOSE, 0, 0);
  Pump();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(view.Window(), nullptr);
  EXPECT_FALSE(f.log.Loaded());
  EXPECT_TRUE(f.services.AppLog.Entries.empty());
}

WNDPROC gListProc = nullptr;

LRESULT CALLBACK FullList(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == LB_ADDSTRING) {
    return LB_ERRSPACE;
  }
  return CallWindowProcW(gListProc, list, message, wParam, lParam);
}

TEST(LogWindowView, AListThatRefusesALineFailsLogDataAndKeepsWhatItShows) {
  LogFixture f;
  f.log.AddLine("before the window");
  f.log.Show();
  // A view bound to a loaded model makes the window with the lines so far.
  LogWindowView view(Instance(), f.log);
  ASSERT_NE(view.Window(), nullptr);
  EXPECT_TRUE(IsWindowVisible(view.Window()));
  EXPECT_EQ(ListLines(view.List()), Wide(f.log.Lines()));

  gListProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(view.List(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FullList)));
  EXPECT_THROW(f.log.AddLine("refused"), AppError);
  SetWindowLongPtrW(view.List(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gListProc));
  EXPECT_EQ(f.log.Lines(), Texts{"06.12.2026 14:05:09|before the window"});
  EXPECT_EQ(SendMessageW(view.List(), LB_GETCOUNT, 0, 0), 1);
  EXPECT_EQ(f.services.ErrorEntries(),
            Texts{"ERROR OCCURS IN UNKNOWN, SOURCE: Vestrel.frmLog.LogData IN LINE: 3. ERROR =  7 "
                  "(Out of memory) ADDITIONAL PARAMS: \r\nstrData = refused\r\n"});

  // Destroyed from outside the model, it comes back with every line.
  DestroyWindow(view.Window());
  EXPECT_EQ(view.Window(), nullptr);
  f.log.AddLine("after");
  ASSERT_NE(view.Window(), nullptr);
  EXPECT_EQ(ListLines(view.List()), Wide(f.log.Lines()));
}

// ------------------------------------------------------------------ registry

// A private registry root standing in for HKEY_LOCAL_MACHINE, so the test
// neither needs nor changes the prefix's machine keys.
class FakeMachineRoot {
 public:
  FakeMachineRoot() {
    path_ = L"Software\\VestrelTests\\about-" + std::to_wstring(GetCurrentProcessId());
    RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &root_, nullptr);
    ok_ = root_ != nullptr && RegOverridePredefKey(HKEY_LOCAL_MACHINE, root_) == ERROR_SUCCESS;
  }
  ~FakeMachineRoot() {
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegCloseKey(root_);
    RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
  }
  bool Ok() const { return ok_; }

  void SetText(const wchar_t* key, const wchar_t* name, const std::wstring& text) {
    SetValue(key, name, REG_SZ, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  }
  void SetNumber(const wchar_t* key, const wchar_t* name, DWORD number) {
    SetValue(key, name, REG_DWORD, &number, sizeof number);
  }
  void Delete(const wchar_t* key) { RegDeleteTreeW(root_, key); }

 private:
  void SetValue(const wchar_t* key, const wchar_t* name, DWORD type, const void* data,
                std::size_t size) {
    HKEY opened = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root_, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(opened, name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size));
    RegCloseKey(opened);
  }

  std::wstring path_;
  HKEY root_ = nullptr;
  bool ok_ = false;
};

constexpr const wchar_t* kMsinfoKey = L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const wchar_t* kLocationKey = L"SOFTWARE\\Microsoft\\Shared Tools Location";

// A small console program of ours that ends at once (quick_program.exe,
// beside this one), standing in for the programs the panel starts.
std::wstring QuickProgram() {
  wchar_t self[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring folder(self, length);
  folder.resize(folder.find_last_of(L'\\') + 1);
  return folder + L"quick_program.exe";
}

// ------------------------------------------------------------- main window

// A main window with its view, as the program makes it, hidden.
struct ViewFixture {
  static inline MainWindowView* view = nullptr;

  static LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (view != nullptr && view->Handle(message, wParam, lParam, result)) {
      return result;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  ViewFixture() {
    RegisterControlClasses(Instance());
    WNDCLASSEXW host{};
    host.cbSize = sizeof host;
    host.lpfnWndProc = HostProc;
    host.hInstance = Instance();
    host.lpszClassName = L"VestrelViewTestHost";
    RegisterClassExW(&host);
    window = CreateWindowExW(0, L"VestrelViewTestHost", L"", WS_OVERLAPPEDWINDOW, 0, 0, 600, 300,
                             nullptr, nullptr, Instance(), nullptr);
    owned = std::make_unique<MainWindowView>(window, model, clock);
    view = owned.get();
  }
  ~ViewFixture() {
    view = nullptr;
    owned.reset();
    DestroyWindow(window);
  }

  // The button's client area as it draws itself (WM_PRINTCLIENT, as a
  // repaint round has it draw) into a bitmap of its own; one pixel.
  COLORREF PixelOf(ControlId id, int x, int y) const {
    const HWND button = view->Control(id);
    RECT area;
    GetClientRect(button, &area);
    const UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = area.right;
    info.bmiHeader.biHeight = -area.bottom;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const UniqueBitmap bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const SelectionScope selected(dc.get(), bitmap.get());
    SendMessageW(button, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
    return GetPixel(dc.get(), x, y);
  }

  HWND window = nullptr;
  MainWindowModel model;
  testing::FakeClock clock;
  std::unique_ptr<MainWindowView> owned;
};

// What the trader reads off a price button: live its own colour; stale light
// grey, hatched; disconnected dark grey; both with a stripe of its colour.
TEST(MainWindowView, ThePriceButtonsAreDrawnLiveStaleAndDisconnectedSoNoneIsTakenForAnother) {
  ViewFixture fixture;
  RECT area;
  GetClientRect(fixture.view->Control(ControlId::cmdBestBid), &area);
  const int bodyX = area.right - 12;
  const int y = area.bottom / 2;
  const auto grey = [](COLORREF c) {
    return GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c);
  };

  EXPECT_EQ(fixture.PixelOf(ControlId::cmdBestBid, bodyX, y), RGB(255, 0, 0));
  EXPECT_EQ(fixture.PixelOf(ControlId::cmdBestAsk, bodyX, y), RGB(0, 255, 0));

  fixture.model.SetLook(ControlId::cmdBestBid, ControlLook::Stale);
  const COLORREF stale = fixture.PixelOf(ControlId::cmdBestBid, bodyX, y);
  EXPECT_TRUE(grey(stale) && GetRValue(stale) >= 160) << std::hex << stale;
  EXPECT_EQ(fixture.PixelOf(ControlId::cmdBestBid, 4, y), RGB(255, 0, 0));  // the stripe
  // The hatch: somewhere along the row a darker line crosses the face.
  bool hatched = false;
  for (int x = 12; x < area.right - 4 && !hatched; ++x) {
    hatched = fixture.PixelOf(ControlId::cmdBestBid, x, 4) == RGB(168, 168, 168);
  }
  EXPECT_TRUE(hatched);

  fixture.model.SetLook(ControlId::cmdBestBid, ControlLook::Disconnected);
  EXPECT_EQ(fixture.PixelOf(ControlId::cmdBestBid, bodyX, y), RGB(56, 56, 56));
  EXPECT_EQ(fixture.PixelOf(ControlId::cmdBestBid, 4, y), RGB(255, 0, 0));
}

// Moved to a monitor of another DPI: controls and fonts at the new DPI, the
// window where the system suggests.
TEST(MainWindowView, ADpiChangeLaysTheWindowOutAgainWithItsFonts) {
  ViewFixture fixture;
  const HWND bestBid = fixture.view->Control(ControlId::cmdBestBid);
  RECT suggested{40, 30, 40 + 960, 30 + 480};
  SendMessageW(fixture.window, WM_DPICHANGED, MAKEWPARAM(144, 144),
               reinterpret_cast<LPARAM>(&suggested));
  RECT button;
  GetWindowRect(bestBid, &button);
  MapWindowPoints(nullptr, fixture.window, reinterpret_cast<POINT*>(&button), 2);
  EXPECT_EQ(button.left, MulDiv(1800, 144, 1440));
  EXPECT_EQ(button.top, MulDiv(720, 144, 1440));
  EXPECT_EQ(button.right - button.left, MulDiv(1455, 144, 1440));
  EXPECT_EQ(button.bottom - button.top, MulDiv(495, 144, 1440));
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(bestBid, WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_EQ(font.lfHeight, -27);  // 13.5 points at 144 DPI
  RECT outer;
  GetWindowRect(fixture.window, &outer);
  EXPECT_EQ(outer.left, suggested.left);
  EXPECT_EQ(outer.right - outer.left, suggested.right - suggested.left);
  EXPECT_EQ(outer.bottom - outer.top, suggested.bottom - suggested.top);
}

// Top to bottom: the buttons in tab order, then the labels (cmdBestBid
// covers Label5 in the compact layout), the circle in front, the one behind.
TEST(MainWindowView, ControlsLieInTheirDesignedZOrderWithTheFrontCircleAboveTheOther) {
  ViewFixture fixture;
  std::vector<ControlId> order;
  for (HWND child = GetWindow(fixture.window, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    order.push_back(static_cast<ControlId>(GetDlgCtrlID(child)));
  }
  ASSERT_EQ(order.size(), kControlCount);
  const auto at = [&order](ControlId id) { return std::find(order.begin(), order.end(), id); };
  EXPECT_EQ(order[order.size() - 2], fixture.model.FrontShape());
  const ControlId behind =
      fixture.model.FrontShape() == ControlId::shpUp ? ControlId::shpDown : ControlId::shpUp;
  EXPECT_EQ(order.back(), behind);
  for (const ControlDesign& button : MainWindowModel::Controls()) {
    if (button.Kind != ControlKind::CommandButton) {
      continue;
    }
    EXPECT_LT(at(button.Id), at(ControlId::Label5)) << button.Name;
    for (const ControlDesign& other : MainWindowModel::Controls()) {
      if (other.Kind == ControlKind::CommandButton && other.TabIndex > button.TabIndex) {
        EXPECT_LT(at(button.Id), at(other.Id)) << button.Name << " before " << other.Name;
      }
    }
  }
}

TEST(MainWindowView, TheIndicatorIsACircleCentredInItsControl) {
  // 1215 x 735 twips at 96 DPI: 81 x 49 pixels.
  const RECT circle = CircleInside(RECT{0, 0, 81, 49});
  EXPECT_EQ(circle.right - circle.left, 49);
  EXPECT_EQ(circle.bottom - circle.top, 49);
  EXPECT_EQ(circle.left, 16);
  EXPECT_EQ(circle.top, 0);
}

TEST(Win32Registry, OpensQueriesAndClosesWithTextInUtf8) {
  FakeMachineRoot machine;
  ASSERT_TRUE(machine.Ok());
  const bool russian = GetACP() == 1251;
  const std::wstring text = russian ? L"C:\\Программы\\x" : L"C:\\Programme\\x";
  machine.SetText(L"K", L"Text", text);
  machine.SetText(L"K", L"Long", std::wstring(1100, L'a'));
  machine.SetNumber(L"K", L"Number", 0x01020304);

  Win32Registry registry;
  RegistryKey key = 0;
  EXPECT_FALSE(registry.OpenKey(RegistryRoot::LocalMachine, "Missing", 0x2003F, key));
  ASSERT_TRUE(registry.OpenKey(RegistryRoot::LocalMachine, "K", 0x2003F, key));
  RegistryValue value;
  ASSERT_TRUE(registry.QueryValue(key, "Text", 1024, value));
  EXPECT_EQ(value.Type, kRegistryText);
  EXPECT_EQ(value.Data, WideToUtf8(text) + '\0');
  ASSERT_TRUE(registry.QueryValue(key, "Number", 1024, value));
  EXPECT_EQ(value.Type, static_cast<std::uint32_t>(REG_DWORD));
  EXPECT_EQ(value.Data, std::string("\x04\x03\x02\x01", 4));
  EXPECT_FALSE(registry.QueryValue(key, "Long", 1024, value));
  EXPECT_FALSE(registry.QueryValue(key, "Missing", 1024, value));
  registry.CloseKey(key);
}

TEST(Win32ProcessStarter, StartsProgramsByTheirExactPathOnly) {
  Win32ProcessStarter processes;
  const std::wstring folder = ScratchFolder(L"Program Folder");
  const std::wstring program = folder + L"\\Quick Program.exe";
  ASSERT_NE(CopyFileW(QuickProgram().c_str(), program.c_str(), FALSE), FALSE);
  const std::wstring text = folder + L"\\notes.txt";
  HANDLE file = CreateFileW(text.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(file);

  EXPECT_TRUE(processes.FileExists(WideToUtf8(program)));
  EXPECT_FALSE(processes.FileExists(WideToUtf8(folder)));
  EXPECT_FALSE(processes.FileExists(WideToUtf8(folder + L"\\missing.exe")));

  EXPECT_TRUE(processes.Start(WideToUtf8(program)));
  EXPECT_TRUE(processes.Start("\"" + WideToUtf8(program) + "\""));
  EXPECT_FALSE(processes.Start(""));
  EXPECT_FALSE(processes.Start(WideToUtf8(folder)));
  EXPECT_FALSE(processes.Start(WideToUtf8(text)));
  // Never the program a blank would split off: "...\Quick" is not tried.
  EXPECT_FALSE(processes.Start(WideToUtf8(folder + L"\\Quick")));
  EXPECT_FALSE(processes.Start(WideToUtf8(program) + std::string(1, '\0') + "x"));
}

// The model's choices are pinned by its unit tests; here the registry's
// texts (a Cyrillic folder under code page 1251) reach a real start.
TEST(SystemInfo, FollowsTheRegistryThroughTheRealAdapters) {
  Win32Registry registry;
  Win32ProcessStarter processes;
  FakeMessageBox messages;
  AboutDialogModel about(kProgramVersion, registry, processes, messages);
  FakeMachineRoot machine;
  ASSERT_TRUE(machine.Ok());
  const std::wstring folder =
      ScratchFolder(GetACP() == 1251 ? L"Общие средства MSInfo" : L"Shared Tools MSInfo");
  machine.SetText(kLocationKey, L"MSINFO", folder);
  // A folder of an earlier run with the same process ID may still hold one.
  DeleteFileW((folder + L"\\MSINFO32.EXE").c_str());
  about.StartSysInfo();  // the folder holds no MSINFO32.EXE
  EXPECT_EQ(messages.Shown, Texts{kUnavailable});

  ASSERT_NE(CopyFileW(QuickProgram().c_str(), (folder + L"\\MSINFO32.EXE").c_str(), FALSE), FALSE);
  messages.Shown.clear();
  about.StartSysInfo();  // started from the location
  EXPECT_TRUE(messages.Shown.empty());

  machine.Delete(kLocationKey);
  machine.SetText(kMsinfoKey, L"PATH", folder + L"\\MSINFO32.EXE");
  about.StartSysInfo();  // started from the path
  EXPECT_TRUE(messages.Shown.empty());
}

// -------------------------------------------------------------- About dialog

BOOL CALLBACK CountAboutWindow(HWND window, LPARAM counter) {
  if (ClassOf(window) == kAboutWindowClass) {
    ++*reinterpret_cast<int*>(counter);
  }
  return TRUE;
}

int AboutWindowsOfThisThread() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountAboutWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

struct AboutFixture {
  FakeMachineRoot machine;  // an empty machine: no System Information program
  Win32Registry registry;
  Win32ProcessStarter processes;
  FakeMessageBox messages;
  AboutDialog about{Instance(), kProgramVersion, registry, processes, messages};
  int closings = 0;
  AboutFixture() {
    about.SetClosedHandler([this] { ++closings; });
  }
};

TEST(AboutDialogWindow, OneFixedModelessDialogWithTheLoadedTexts) {
  AboutFixture f;
  ASSERT_TRUE(f.machine.Ok());
  f.about.Show();
  Pump(&f.about);
  const HWND dialog = f.about.Window();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(ClassOf(dialog), contract::kAboutWindowClass);
  EXPECT_EQ(TextOf(dialog), L"О программе");
  EXPECT_EQ(TextOf(GetDlgItem(dialog, kAboutVersionId)), L"Version " VESTREL_VERSION_TEXT);
  EXPECT_EQ(TextOf(GetDlgItem(dialog, kAboutTitleId)), L"Marlowin");
  EXPECT_EQ(TextOf(GetDlgItem(dialog, kAboutOkId)), L"OK");
  EXPECT_EQ(TextOf(GetDlgItem(dialog, kAboutSysInfoId)), L"&System Info...");
  EXPECT_EQ(TextOf(GetDlgItem(dialog, kAboutLabel2Id)),
            L"Guide: docs\\guide.en.html, docs\\guide.ru.html");
  EXPECT_EQ(TextOf(GetDlgItem(dialog, kAboutLabel3Id)),
            L"Licence: Apache License 2.0 (see LICENSE)");
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), nullptr);
  EXPECT_TRUE(IsWindowVisible(dialog));
  EXPECT_EQ(GetWindowLongW(dialog, GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
  RECT client;
  GetClientRect(dialog, &client);
  EXPECT_EQ(client.right, TwipsX(5730));
  EXPECT_EQ(client.bottom, TwipsY(3555));
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendDlgItemMessageW(dialog, kAboutTitleId, WM_GETFONT, 0, 0)),
             sizeof font, &font);
  EXPECT_STREQ(font.lfFaceName, L"Arial");
  EXPECT_EQ(font.lfHeight, -MulDiv(135, ScreenDpi(LOGPIXELSY), 720));
  EXPECT_EQ(SendMessageW(dialog, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));

  // A second About click brings back the one dialog.
  f.about.Show();
  Pump(&f.about);
  EXPECT_EQ(f.about.Window(), dialog);
  EXPECT_EQ(AboutWindowsOfThisThread(), 1);

  // System Info finds nothing on this machine and says so; the dialog stays.
  SendDlgItemMessageW(dialog, kAboutSysInfoId, BM_CLICK, 0, 0);
  Pump(&f.about);
  EXPECT_EQ(f.messages.Shown, Texts{kUnavailable});
  EXPECT_EQ(f.about.Window(), dialog);

  // The close box.
  PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  Pump(&f.about);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_FALSE(f.about.IsOpen());
  EXPECT_EQ(f.closings, 1);
  EXPECT_EQ(AboutWindowsOfThisThread(), 0);
}

TEST(AboutDialogWindow, EnterAndEscCloseItThroughTheMessageLoop) {
  AboutFixture f;
  for (const WPARAM key : {VK_ESCAPE, VK_RETURN}) {
    f.about.Show();
    Pump(&f.about);
    const HWND dialog = f.about.Window();
    ASSERT_NE(dialog, nullptr);
    const HWND focus = GetFocus();
    const HWND target = focus != nullptr ? focus : GetDlgItem(dialog, kAboutOkId);
    EXPECT_TRUE(target == dialog || IsChild(dialog, target));
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001U));
    Pump(&f.about);
    EXPECT_FALSE(IsWindow(dialog)) << key;
    EXPECT_TRUE(f.messages.Shown.empty()) << key;
  }
  EXPECT_EQ(f.closings, 2);

  // The program's end takes an open dialog down without calling back.
  HWND left = nullptr;
  {
    AboutDialog other(Instance(), {1, 0, 0}, f.registry, f.processes, f.messages);
    other.SetClosedHandler([&f] { ++f.closings; });
    other.Show();
    left = other.Window();
    EXPECT_EQ(TextOf(GetDlgItem(left, kAboutVersionId)), L"Version 1.0.0");
  }
  EXPECT_FALSE(IsWindow(left));
  EXPECT_EQ(f.closings, 2);
}

}  // namespace
}  // namespace vestrel::win32
