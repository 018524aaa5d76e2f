#pragma once

#include "vestrel/version.h"

// The automation contract: the control IDs a hotkey tool or a test finds the
// panel's controls by. Written out here, not taken from the program's own
// headers, so that a changed ID fails the tests.
namespace vestrel::e2e {

inline constexpr int kMaxBid = 1001, kBestBid = 1002, kBestAsk = 1003, kMaxAsk = 1004,
                     kReverse = 1005, kKill = 1006, kLog = 1007, kLabel5 = 1009, kLabel6 = 1010,
                     kShapeUp = 1011, kShapeDown = 1012, kTrayPicture = 1013, kPaperPosition = 1014,
                     kLogList = 2001;

// The main window's caption: the design-time caption and the version.
inline constexpr const wchar_t* kVersionedCaption = L"Marlowin (" VESTREL_VERSION_TEXT L")";

}  // namespace vestrel::e2e
