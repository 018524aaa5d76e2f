#include "trade/show_err.h"

#include <gtest/gtest.h>

#include "fakes/fake_ports.h"
#include "trade/result_codes.h"

namespace vestrel {
namespace {

using testing::FakeLogServices;
using testing::FakeMessageBox;

TEST(ResultCodes, KnownCodesHaveTheirTextsAndOthersNone) {
  FakeLogServices s;
  EXPECT_EQ(ResultCodeName(s.Log, 0), "TRANS2QUIK_SUCCESS");
  EXPECT_EQ(ResultCodeName(s.Log, 8), "TRANS2QUIK_QUIK_CONNECTED");
  EXPECT_EQ(ResultCodeName(s.Log, 13), "TRANS2QUIK_WRONG_CONNECTION_HANDLE");
  EXPECT_EQ(ResultCodeName(s.Log, 14), "");
  EXPECT_EQ(ResultCodeName(s.Log, -1), "");
}

TEST(ShowResultCode, ShowsTheCodesTextForAFailureAndNothingForZero) {
  FakeLogServices s;
  FakeMessageBox boxes;
  ShowResultCode(s.Log, boxes, 0);
  EXPECT_TRUE(boxes.Shown.empty());
  ShowResultCode(s.Log, boxes, 2);
  ASSERT_EQ(boxes.Shown.size(), 1U);
  EXPECT_EQ(boxes.Shown[0],
            "В каталоге либо отсутствует INFO.EXE, либо у него не запущен сервис обработки "
            "внешних подключений");
  EXPECT_EQ(boxes.Icons[0], MessageIcon::None);
}

}  // namespace
}  // namespace vestrel
