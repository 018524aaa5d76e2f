#include "diag/value_to_string.h"

#include "common/conversions.h"

namespace vestrel {

std::string ValueToString(const ParamValue& value, char decimalSeparator) {
  struct Visitor {
    char separator;
    std::string operator()(std::monostate /*unused*/) const { return "IsNull"; }
    std::string operator()(std::int64_t number) const { return IntegerText(number); }
    std::string operator()(double number) const { return NumberText(number, separator); }
    std::string operator()(const std::string& text) const { return text; }
    std::string operator()(ArrayValue /*unused*/) const { return "Array"; }
  };
  return std::visit(Visitor{decimalSeparator}, value);
}

}  // namespace vestrel
