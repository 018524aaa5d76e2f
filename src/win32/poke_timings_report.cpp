#include "win32/poke_timings_report.h"

#include "win32/environment.h"
#include "win32/unique_handle.h"

namespace vestrel::win32 {

PokeTimingsReport::PokeTimingsReport(const Clock& clock)
    : file_(EnvironmentValue(L"VESTREL_POKE_TIMINGS")) {
  if (!file_.empty()) {
    timings_ = std::make_unique<PokeTimings>(clock);
  }
}

void PokeTimingsReport::Write() const {
  if (timings_ == nullptr) {
    return;
  }
  const std::string report = timings_->Report();
  const UniqueKernelHandle file = KernelHandle(CreateFileW(
      file_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (file) {
    WriteFile(file.get(), report.data(), static_cast<DWORD>(report.size()), &written, nullptr);
  }
}

}  // namespace vestrel::win32
