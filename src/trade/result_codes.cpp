#include "trade/result_codes.h"

#include <array>

#include "diag/error_scope.h"

namespace vestrel {

std::string ResultCodeName(LogDispatcher& log, std::int32_t code) {
  static constexpr std::array<const char*, 14> kTexts = {
      "TRANS2QUIK_SUCCESS",
      "TRANS2QUIK_FAILED",
      "В каталоге либо отсутствует INFO.EXE, либо у него не запущен сервис обработки внешних "
      "подключений",
      "TRANS2QUIK_DLL_VERSION_NOT_SUPPORTED",
      "TRANS2QUIK_ALREADY_CONNECTED_TO_QUIK",
      "TRANS2QUIK_WRONG_SYNTAX",
      "TRANS2QUIK_QUIK_NOT_CONNECTED",
      "TRANS2QUIK_DLL_NOT_CONNECTED",
      "TRANS2QUIK_QUIK_CONNECTED",
      "TRANS2QUIK_QUIK_DISCONNECTED",
      "TRANS2QUIK_DLL_CONNECTED",
      "TRANS2QUIK_DLL_DISCONNECTED",
      "TRANS2QUIK_MEMORY_ALLOCATION_ERROR",
      "TRANS2QUIK_WRONG_CONNECTION_HANDLE",
  };
  ErrorScope scope(log, "Vestrel.modTrans2Quik.Trans2QuikResultToStr",
                   ParamRef("lngResCode", code));
  return scope.PassOn([&]() -> std::string {
    scope.Line = 1;
    if (code < 0 || code >= static_cast<std::int32_t>(kTexts.size())) {
      return {};
    }
    return kTexts[static_cast<std::size_t>(code)];
  });
}

}  // namespace vestrel
