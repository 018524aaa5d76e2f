#include "trade/show_err.h"

#include "diag/error_scope.h"
#include "trade/result_codes.h"

namespace vestrel {

void ShowErr(LogDispatcher& log, MessageBox& messages, std::int32_t lngRes) {
  ErrorScope scope(log, "Vestrel.frmMain.ShowErr", ParamRef("lngRes", lngRes));
  scope.PassOn([&] {
    if (lngRes != 0) {
      scope.Line = 1;
      const std::string text = Trans2QuikResultToStr(log, lngRes);
      scope.Line = 2;
      messages.Show(text);
    }
  });
}

}  // namespace vestrel
