#pragma once

#include "panel/panel.h"
#include "win32/win32_clock.h"
#include "win32/win32_dde_library.h"
#include "win32/win32_event_log.h"
#include "win32/win32_file_system.h"
#include "win32/win32_global_hotkeys.h"
#include "win32/win32_main_window_shell.h"
#include "win32/win32_message_box.h"
#include "win32/win32_profile_reader.h"
#include "win32/win32_regional_settings.h"
#include "win32/win32_sound_player.h"
#include "win32/win32_terminal_streams.h"
#include "win32/win32_transaction_library.h"
#include "win32/win32_user_context.h"

namespace vestrel::win32 {

// The Win32 adapters of the panel's ports, as the program runs them.
struct PlatformPorts {
  Win32EventLog AppLog;
  Win32MessageBox Messages;
  Win32RegionalSettings Regional;
  Win32FileSystem Files;
  Win32ProfileReader Profile;
  Win32UserContextSource Users;
  Win32TransactionLibrary Library;
  // After the library: made after it, detached and gone before it.
  Win32TerminalStreams Streams{Library};
  Win32DdeLibrary Dde;
  Win32MainWindowShell Shell;
  Win32Clock Time;
  Win32GlobalHotkeys Hotkeys;
  Win32SoundPlayer Sounds;

  // The panel's ports, with the main window's own two.
  PanelPorts For(MainWindowCloser& closer, ModelessWindows& windows) {
    return {AppLog, Files, Regional, Users,   Messages, Profile, Library, Streams,
            Dde,    Shell, closer,   windows, Time,     Hotkeys, Sounds};
  }
};

}  // namespace vestrel::win32
