#include "recording/poke_recorder.h"

#include <exception>

#include "common/app_error.h"
#include "recording/device_names.h"
#include "recording/poke_recording.h"

namespace vestrel {
namespace {

std::string Describe(const std::exception& error) {
  const auto* appError = dynamic_cast<const AppError*>(&error);
  return appError != nullptr ? appError->Description : error.what();
}

// Creates the folders on the way to path that are missing. The root (a drive
// "C:", a share \\server\share, a leading separator) is taken as there.
void CreateFoldersOf(FileSystem& files, const std::string& path) {
  const auto separator = [](char c) { return c == '\\' || c == '/'; };
  std::size_t at = 0;
  if (path.size() >= 2 && separator(path[0]) && separator(path[1])) {
    at = path.find_first_of("\\/", 2);                                      // the server
    at = at == std::string::npos ? at : path.find_first_of("\\/", at + 1);  // the share
  } else {
    at = path.find_first_of("\\/");
    if (at == 0 || (at == 2 && path[1] == ':')) {
      at = path.find_first_of("\\/", at + 1);
    }
  }
  for (; at != std::string::npos; at = path.find_first_of("\\/", at + 1)) {
    const std::string folder = path.substr(0, at);
    if (!files.FolderExists(folder)) {
      files.CreateFolder(folder);
    }
  }
}

constexpr UiText kDevice{"it names the device ", "это имя устройства "};
constexpr UiText kNotAFile{", not a file", ", а не файла"};
constexpr UiText kCannotOpen{"the file cannot be opened (", "файл не открывается ("};
constexpr UiText kCannotKeep{"a poke could not be kept (", "поступление не удалось сохранить ("};
constexpr UiText kCannotWrite{"the file cannot be written (", "в файл не удаётся записать ("};
constexpr UiText kStopped{"Recording pokes to ", "Запись поступлений в "};
constexpr UiText kStoppedEnd{" stopped: ", " прекращена: "};
constexpr UiText kNotRecorded{"Pokes are not recorded to ", "Поступления не записываются в "};
constexpr UiText kLastOneLost{" The last poke was not recorded.",
                              " Последнее поступление не записано."};
constexpr UiText kLastLost{" The last ", " Последние поступления ("};
constexpr UiText kLastLostEnd{" pokes were not recorded.", ") не записаны."};
constexpr UiText kTradingGoesOn{" Trading goes on.", " Торговля продолжается."};
constexpr UiText kCutStart{"The recording ", "Запись "};
constexpr UiText kCutMiddle{
    " ended inside a poke (a power cut or a partial copy): its last ",
    " обрывается посреди поступления (сбой питания или неполная копия): последние "};
constexpr UiText kCutEnd{
    " bytes were cut off, and recording goes on after its last whole poke.",
    " байт отрезаны, запись продолжается после последнего целого поступления."};

}  // namespace

bool PokeRecorder::Start(const std::string& path) {
  Stop();
  path_ = path;
  if (const std::string device = DeviceName(path); !device.empty()) {
    Fail(kDevice.In(Language()) + device + kNotAFile.In(Language()));
    return false;
  }
  try {
    CreateFoldersOf(files_, path);
    auto file = files_.OpenForBinaryAppend(path);
    const std::vector<std::uint8_t> start = file->ReadAt(0, kRecordingHeaderSize);
    const std::string problem = AppendProblem(start);
    if (!problem.empty()) {
      Fail(problem);
      return false;
    }
    if (start.empty()) {
      buffer_ = RecordingHeader();
    } else {
      CutPartialPoke(*file);
    }
    file_ = std::move(file);
  } catch (const std::exception& error) {
    Fail(kCannotOpen.In(Language()) + Describe(error) + ")");
    return false;
  }
  return true;
}

void PokeRecorder::CutPartialPoke(BinaryAppendFile& file) {
  const std::uint64_t size = file.Size();
  const std::uint64_t whole = EndOfWholePokes(
      size, [&](std::uint64_t offset, std::size_t count) { return file.ReadAt(offset, count); });
  if (whole == size) {
    return;
  }
  // Appended after the cut poke, every later poke would be read as part of it.
  file.Truncate(whole);
  WriteWarning(appLog_, kCutStart.In(Language()) + path_ + kCutMiddle.In(Language()) +
                            std::to_string(size - whole) + kCutEnd.In(Language()));
}

void PokeRecorder::Record(std::string_view item, std::span<const std::uint8_t> data) noexcept {
  if (!file_) {
    return;
  }
  try {
    AppendPokeRecord(buffer_, clock_.UtcMicroseconds(), item, data);
    ++bufferedPokes_;
  } catch (const std::exception& error) {
    Fail(kCannotKeep.In(Language()) + Describe(error) + ")");
    return;
  }
  if (buffer_.size() >= kFlushAtBytes) {
    Flush();
  }
}

void PokeRecorder::Flush() noexcept {
  if (!file_ || buffer_.empty()) {
    return;
  }
  try {
    file_->Append(buffer_);
  } catch (const std::exception& error) {
    Fail(kCannotWrite.In(Language()) + Describe(error) + ")");
    return;
  }
  buffer_.clear();
  bufferedPokes_ = 0;
}

void PokeRecorder::Stop() noexcept {
  Flush();
  file_.reset();
  buffer_.clear();
  buffer_.shrink_to_fit();
  bufferedPokes_ = 0;
}

void PokeRecorder::Fail(const std::string& problem) noexcept {
  const bool wasRecording = Recording();
  const std::size_t lost = bufferedPokes_;
  file_.reset();
  buffer_.clear();
  buffer_.shrink_to_fit();
  bufferedPokes_ = 0;
  try {
    std::string text = (wasRecording ? kStopped.In(Language()) + path_ + kStoppedEnd.In(Language())
                                     : kNotRecorded.In(Language()) + path_ + ": ") +
                       problem + ".";
    if (lost == 1) {
      text += kLastOneLost.In(Language());
    } else if (lost > 1) {
      text += kLastLost.In(Language()) + std::to_string(lost) + kLastLostEnd.In(Language());
    }
    appLog_.Write(text + kTradingGoesOn.In(Language()), EventType::Warning);
  } catch (...) {
    // The application log is gone as well; the panel trades on regardless.
  }
}

}  // namespace vestrel
