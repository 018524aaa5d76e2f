#include "win32/win32_sound_player.h"

#include "win32/text_encoding.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {

bool Win32SoundPlayer::Play(const std::string& file) {
  const std::wstring path = Utf8ToWide(file);
  // PlaySound queues a missing file as readily as a real one; ask first.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return false;
  }
  return PlaySoundW(path.c_str(), nullptr, SND_ASYNC | SND_FILENAME | SND_NODEFAULT) != FALSE;
}

}  // namespace vestrel::win32
