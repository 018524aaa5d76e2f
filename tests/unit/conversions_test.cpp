#include "common/conversions.h"

#include <gtest/gtest.h>

#include "common/app_error.h"

namespace vestrel {
namespace {

int ErrorNumberOf(auto&& call) {
  try {
    call();
  } catch (const AppError& error) {
    return error.Number;
  }
  return 0;
}

TEST(Conversions, NumberReadsTheLocaleSeparatorAndIgnoresBlanks) {
  EXPECT_DOUBLE_EQ(ToNumber("101,5", ','), 101.5);
  EXPECT_DOUBLE_EQ(ToNumber("101.5", '.'), 101.5);
  EXPECT_DOUBLE_EQ(ToNumber("  -7 ", '.'), -7.0);
  EXPECT_DOUBLE_EQ(ToNumber("+3,25E2", ','), 325.0);
  EXPECT_DOUBLE_EQ(ToNumber(",5", ','), 0.5);
  EXPECT_DOUBLE_EQ(ToNumber("1e-400", '.'), 0.0);
}

TEST(Conversions, TextThatIsNotANumberIsATypeMismatch) {
  for (const char* text : {"", " ", "*", "abc", "1.5", "1,5,", "--1", "1e", "12 3", ","}) {
    EXPECT_EQ(ErrorNumberOf([&] { ToNumber(text, ','); }), kErrTypeMismatch) << text;
  }
  EXPECT_EQ(ErrorNumberOf([] { ToNumber("1e400", '.'); }), kErrOverflow);
}

TEST(Conversions, IntegerRoundsHalvesToEvenAndChecksTheRange) {
  EXPECT_EQ(ToInteger("0.5", '.'), 0);
  EXPECT_EQ(ToInteger("1.5", '.'), 2);
  EXPECT_EQ(ToInteger("2,5", ','), 2);
  EXPECT_EQ(ToInteger("-2.5", '.'), -2);
  EXPECT_EQ(ToInteger("2.51", '.'), 3);
  EXPECT_EQ(ToInteger(" 1 ", '.'), 1);
  EXPECT_EQ(ToInteger("2147483647", '.'), 2147483647);
  EXPECT_EQ(ToInteger("-2147483648", '.'), -2147483647 - 1);
  EXPECT_EQ(ErrorNumberOf([] { ToInteger("2147483647.5", '.'); }), kErrOverflow);
  EXPECT_EQ(ErrorNumberOf([] { ToInteger("-2147483649", '.'); }), kErrOverflow);
  EXPECT_EQ(ErrorNumberOf([] { ToInteger("", '.'); }), kErrTypeMismatch);
}

TEST(Conversions, RoundHalfEvenOnRowArithmetic) {
  EXPECT_EQ(RoundHalfEven(10.5), 10.0);
  EXPECT_EQ(RoundHalfEven(11.5), 12.0);
  EXPECT_EQ(RoundHalfEven(-0.5), 0.0);
  EXPECT_EQ(RoundHalfEven(-1.5), -2.0);
  EXPECT_EQ(RoundHalfEven(2.4999), 2.0);
}

TEST(Conversions, NumberTextHasFifteenDigitsNoTrailingZerosAndTheLocaleSeparator) {
  EXPECT_EQ(NumberText(101.5, ','), "101,5");
  EXPECT_EQ(NumberText(101.5, '.'), "101.5");
  EXPECT_EQ(NumberText(98650, ','), "98650");
  EXPECT_EQ(NumberText(0.1 + 0.2, '.'), "0.3");
  EXPECT_EQ(NumberText(-0.0, '.'), "0");
  EXPECT_EQ(NumberText(123456789012345.0, '.'), "123456789012345");
  EXPECT_EQ(NumberText(1e20, '.'), "1E+20");
  EXPECT_EQ(NumberText(0.00001, ','), "1E-05");
  EXPECT_EQ(NumberText(-1234.25, ','), "-1234,25");
  EXPECT_EQ(IntegerText(-2147483648LL), "-2147483648");
}

TEST(Conversions, NumberTextReadsBackAsTheSameNumber) {
  for (double value : {0.25, 98650.0, 101.5, 1e-3, 7.125e10, -3.5}) {
    for (char separator : {',', '.'}) {
      EXPECT_DOUBLE_EQ(ToNumber(NumberText(value, separator), separator), value);
    }
  }
}

}  // namespace
}  // namespace vestrel
