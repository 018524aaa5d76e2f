#include "book/book_view.h"

#include "common/app_error.h"
#include "common/conversions.h"

namespace vestrel {

double ShownPrice::Read() const {
  if (Number) {
    return *Number;
  }
  if (Unreadable == kErrOverflow) {
    RaiseOverflow();
  }
  RaiseTypeMismatch();
}

ShownPrice ReadShownPrice(std::string_view text, char decimalSeparator) {
  try {
    return {ToNumber(text, decimalSeparator), 0};
  } catch (const AppError& error) {
    return {std::nullopt, error.Number};
  }
}

}  // namespace vestrel
