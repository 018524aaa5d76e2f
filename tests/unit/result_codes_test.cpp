#include "trade/result_codes.h"

#include <gtest/gtest.h>

#include "fakes/fake_ports.h"

namespace vestrel {
namespace {

using testing::FakeLogServices;

// The box a failed connection shows is checked with the whole panel
// (panel_test: code 2's own message) and the gateway (a code's name).
TEST(ResultCodes, KnownCodesHaveTheirTextsAndOthersNone) {
  FakeLogServices s;
  EXPECT_EQ(ResultCodeName(s.Log, 0), "TRANS2QUIK_SUCCESS");
  EXPECT_EQ(ResultCodeName(s.Log, 8), "TRANS2QUIK_QUIK_CONNECTED");
  EXPECT_EQ(ResultCodeName(s.Log, 13), "TRANS2QUIK_WRONG_CONNECTION_HANDLE");
  EXPECT_EQ(ResultCodeName(s.Log, 14), "");
  EXPECT_EQ(ResultCodeName(s.Log, -1), "");
}

}  // namespace
}  // namespace vestrel
