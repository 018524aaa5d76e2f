#pragma once

#include <cstdint>

#include "diag/log_dispatcher.h"
#include "ports/message_box.h"

namespace vestrel {

// Shows the text of a non-zero terminal result code in a modal message box;
// 0 shows nothing.
void ShowResultCode(LogDispatcher& log, MessageBox& messages, std::int32_t code);

}  // namespace vestrel
