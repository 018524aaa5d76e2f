#include "win32/win32_sound_player.h"

#include "win32/system_library.h"
#include "win32/text_encoding.h"

namespace vestrel::win32 {
namespace {

using PlaySoundFunction = BOOL(WINAPI*)(LPCWSTR sound, HMODULE module, DWORD flags);

// winmm.dll and what it imports (the audio compression manager, COM) cost
// every start-up several milliseconds when imported; only a panel with
// [Sound] files plays anything, so it is loaded at the first sound.
PlaySoundFunction PlaySoundOfSystem() {
  static const PlaySoundFunction play = [] {
    PlaySoundFunction found = nullptr;
    FindFunction(LoadSystemLibrary(L"winmm.dll"), "PlaySoundW", found);
    return found;
  }();
  return play;
}

}  // namespace

bool Win32SoundPlayer::Play(const std::string& file) {
  const std::wstring path = Utf8ToWide(file);
  // PlaySound queues a missing file as readily as a real one; ask first.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return false;
  }
  const PlaySoundFunction play = PlaySoundOfSystem();
  return play != nullptr &&
         play(path.c_str(), nullptr, SND_ASYNC | SND_FILENAME | SND_NODEFAULT) != FALSE;
}

}  // namespace vestrel::win32
