#include "trade/show_err.h"

#include "diag/error_scope.h"
#include "trade/result_codes.h"

namespace vestrel {

void ShowResultCode(LogDispatcher& log, MessageBox& messages, std::int32_t code) {
  ErrorScope scope(log, "Vestrel.frmMain.ShowErr", ParamRef("lngRes", code));
  scope.PassOn([&] {
    if (code != 0) {
      scope.Line = 1;
      const std::string text = ResultCodeName(log, code);
      scope.Line = 2;
      messages.Show(text);
    }
  });
}

}  // namespace vestrel
