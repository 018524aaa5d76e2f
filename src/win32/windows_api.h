#pragma once

// The one way into <windows.h> for this folder. The core's ports use the
// system's own names (MessageBox, DeleteFile, GetUserName,
// GetPrivateProfileString), which <windows.h> defines as macros; they are
// undefined here so both can meet. Call the W or A functions by full name.
// clang-format off
#include <windows.h>
#include <ddeml.h>
#include <mmsystem.h>
#include <oleauto.h>
#include <shellapi.h>
#include <shlobj.h>
// clang-format on

#undef MessageBox
#undef DeleteFile
#undef GetUserName
#undef GetPrivateProfileString
