// Vestrel.exe: the panel's Windows program.
#include "win32/main_window.h"
#include "win32/windows_api.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int show) {
  return vestrel::win32::RunPanel(instance, show);
}
