#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The panel's public contract with the programs around it: the control IDs
// and window classes hotkey tools and the end-to-end tests find its windows
// by, the DDE names the terminal pokes to, and the settings file's sections
// and keys. Traders' own tools depend on every value here: they never change.
// The program, its tools, benchmarks and tests all take them from this one
// header.
namespace vestrel::contract {

// The main window's controls: each is a child window with this ID.
inline constexpr std::int32_t kCmdMaxBid = 1001;
inline constexpr std::int32_t kCmdBestBid = 1002;
inline constexpr std::int32_t kCmdBestAsk = 1003;
inline constexpr std::int32_t kCmdMaxAsk = 1004;
inline constexpr std::int32_t kCmdReverse = 1005;
inline constexpr std::int32_t kCmdKillOrders = 1006;
inline constexpr std::int32_t kCmdLog = 1007;
inline constexpr std::int32_t kCmdAbout = 1008;
inline constexpr std::int32_t kLabel5 = 1009;
inline constexpr std::int32_t kLabel6 = 1010;
inline constexpr std::int32_t kShpUp = 1011;
inline constexpr std::int32_t kShpDown = 1012;
inline constexpr std::int32_t kPicTray = 1013;
inline constexpr std::int32_t kLblPaper = 1014;
// What keeps the panel from trading, when the trader must mend it; hidden
// otherwise.
inline constexpr std::int32_t kLblStatus = 1015;
// The IDs run without a gap from the first control to the last.
inline constexpr std::int32_t kFirstControlId = kCmdMaxBid;
inline constexpr std::int32_t kLastControlId = kLblStatus;

// The log window's list box, one line per item.
inline constexpr std::int32_t kLogListId = 2001;

// The ladder window's rows: one list box item a visible row, top to bottom,
// "PRICE<TAB>BUY<TAB>SELL<TAB>MINE".
inline constexpr std::int32_t kLadderRowsId = 1101;

// Window classes: the main window, the log window, the About dialog, and the
// main window's shapes and tray picture.
inline constexpr const wchar_t* kMainWindowClass = L"VestrelMain";
inline constexpr const wchar_t* kLogWindowClass = L"VestrelLog";
inline constexpr const wchar_t* kAboutWindowClass = L"VestrelAbout";
inline constexpr const wchar_t* kShapeClass = L"VestrelShape";
inline constexpr const wchar_t* kPictureClass = L"VestrelPicture";
// The ladder: the whole book on a price grid, a second top-level window.
inline constexpr const wchar_t* kLadderWindowClass = L"VestrelLadder";

// DDE: the service and topic the terminal connects to, the advise item, the
// one request answered, and the start of the items whose pokes are order
// books (the terminal names a poke by its cell range, "R1C1:R21C4"). The wide
// spellings are for DDEML's Unicode entry points.
inline constexpr const char* kDdeService = "a";
inline constexpr const char* kDdeTopic = "b";
inline constexpr const char* kDdeAdviseItem = "c";
inline constexpr const wchar_t* kDdeServiceWide = L"a";
inline constexpr const wchar_t* kDdeTopicWide = L"b";
inline constexpr const char* kDdeRequestItem = "MyRequest";
inline constexpr const char* kDdeTableItemPrefix = "R1C1:";

// The settings file, beside the program.
inline constexpr const char* kIniFileName = "Marlowin.ini";
inline constexpr const wchar_t* kIniFileNameWide = L"Marlowin.ini";

// [Main], read at start-up.
inline constexpr const char* kMainSection = "Main";
inline constexpr const char* kAccountKey = "Account";
inline constexpr const char* kSecCodeKey = "SecCode";
inline constexpr const char* kClassCodeKey = "ClassCode";
// The base contract Kill cancels on; absent or empty, RTS.
inline constexpr const char* kBaseContractKey = "BaseContract";
inline constexpr const char* kSizeKey = "Size";
inline constexpr const char* kSafeSpreadKey = "SafeSpread";
inline constexpr const char* kCompactKey = "Compact";

// [Guard]
inline constexpr const char* kGuardSection = "Guard";
inline constexpr const char* kStaleAfterMsKey = "StaleAfterMs";
inline constexpr const char* kMinClickIntervalMsKey = "MinClickIntervalMs";
inline constexpr const char* kConnectionCheckMsKey = "ConnectionCheckMs";

// [Hotkeys]: one key per command, and whether they are the whole system's.
inline constexpr const char* kHotkeysSection = "Hotkeys";
inline constexpr const char* kMaxBidHotkey = "MaxBid";
inline constexpr const char* kBestBidHotkey = "BestBid";
inline constexpr const char* kBestAskHotkey = "BestAsk";
inline constexpr const char* kMaxAskHotkey = "MaxAsk";
inline constexpr const char* kReverseHotkey = "Reverse";
inline constexpr const char* kKillHotkey = "Kill";
inline constexpr const char* kFlattenHotkey = "Flatten";
inline constexpr const char* kGlobalHotkeysKey = "Global";
// Shows or hides the ladder, and brings its spread back to the middle.
inline constexpr const char* kLadderHotkey = "Ladder";
inline constexpr const char* kCentreHotkey = "Centre";

// [View]
inline constexpr const char* kViewSection = "View";
inline constexpr const char* kAlwaysOnTopKey = "AlwaysOnTop";

// [Record]
inline constexpr const char* kRecordSection = "Record";
inline constexpr const char* kRecordFileKey = "File";

// [Paper]
inline constexpr const char* kPaperSection = "Paper";
inline constexpr const char* kPaperEnabledKey = "Enabled";

// [Orders]
inline constexpr const char* kOrdersSection = "Orders";
inline constexpr const char* kTickKey = "Tick";

// [Risk]
inline constexpr const char* kRiskSection = "Risk";
inline constexpr const char* kMaxPositionKey = "MaxPosition";
inline constexpr const char* kDailyLossLimitKey = "DailyLossLimit";

// [Sound]
inline constexpr const char* kSoundSection = "Sound";
inline constexpr const char* kFillSoundKey = "Fill";
inline constexpr const char* kRefusedSoundKey = "Refused";

// [Live]
inline constexpr const char* kLiveSection = "Live";
inline constexpr const char* kLiveOrdersKey = "Orders";
inline constexpr const char* kLiveAsyncKey = "Async";

// [Ladder]
inline constexpr const char* kLadderSection = "Ladder";
inline constexpr const char* kLadderEnabledKey = "Enabled";

// How a message names a setting: "Marlowin.ini [Guard] " (the key follows).
inline std::string IniSectionPrefix(std::string_view section) {
  return std::string(kIniFileName) + " [" + std::string(section) + "] ";
}

}  // namespace vestrel::contract
