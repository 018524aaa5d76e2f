#pragma once

#include <string>

#include "diag/error_record.h"

namespace vestrel {

// Text of a recorded parameter value, as both log sinks write it: "Array" for
// an array, "IsNull" for no value, numbers in the user's format, text as is.
std::string ValueToString(const ParamValue& value, char decimalSeparator);

}  // namespace vestrel
