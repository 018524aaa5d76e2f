#pragma once

#include "common/app_error.h"

namespace vestrel {

// The exception being handled, as an AppError. Call only inside a catch block.
// Errors of the standard library become the runtime's numbered errors with
// the program's own source: out of memory 7, out of range 9, overflow 6,
// anything else 5.
AppError CurrentAppError();

}  // namespace vestrel
