#include "trade/price_grid.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "common/conversions.h"
#include "contract/automation_contract.h"
#include "fakes/fake_ports.h"
#include "fakes/fake_window_ports.h"
#include "settings/order_settings.h"

namespace vestrel {
namespace {

// Whole numbers of ten-thousandths written as decimal text: the answer is
// worked out in integers, apart from the doubles under test.
constexpr std::int64_t kScale = 10000;

std::string ScaledText(std::int64_t units) {
  const bool negative = units < 0;
  const std::int64_t magnitude = negative ? -units : units;
  std::string text = std::to_string(magnitude / kScale);
  std::string fraction = std::to_string(magnitude % kScale);
  fraction.insert(0, 4 - fraction.size(), '0');
  fraction.erase(fraction.find_last_not_of('0') + 1);
  if (!fraction.empty()) {
    text += '.' + fraction;
  }
  return (negative && magnitude != 0 ? "-" : "") + text;
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0);
}

TEST(PriceGrid, PricesGoUpOrDownToTheNextMultipleAndExactMultiplesStay) {
  // Ticks in ten-thousandths: 0.5, 0.01, 0.25, 10, 1, 0.05, 5, 0.1, 0.001, 0.0025.
  const std::vector<std::int64_t> ticks{5000, 100, 2500, 100000, 10000, 500, 50000, 1000, 10, 25};
  std::mt19937_64 random(20261208U);
  int exact = 0;
  for (int n = 0; n < 50000; ++n) {
    const std::int64_t tick = ticks[random() % ticks.size()];
    std::int64_t price = static_cast<std::int64_t>(random() % 2'000'000'000'000ULL) - 1'000'000;
    if (random() % 2 == 0) {
      price = FloorDiv(price, tick) * tick;  // on the grid
      ++exact;
    }
    const std::int64_t down = FloorDiv(price, tick) * tick;
    const std::int64_t up = down == price ? price : down + tick;
    const double priceValue = ToNumber(ScaledText(price), '.');
    const double tickValue = ToNumber(ScaledText(tick), '.');
    ASSERT_EQ(NumberText(GridUp(priceValue, tickValue), '.'), ScaledText(up))
        << ScaledText(price) << " up to " << ScaledText(tick);
    ASSERT_EQ(NumberText(GridDown(priceValue, tickValue), '.'), ScaledText(down))
        << ScaledText(price) << " down to " << ScaledText(tick);
  }
  EXPECT_GT(exact, 20000);

  // No tick: every price as it is.
  EXPECT_EQ(GridUp(100.07, 0), 100.07);
  EXPECT_EQ(GridDown(-3.5, 0), -3.5);
}

TEST(PriceGrid, TheTickIsReadWithEitherSeparatorAndAWrongOneIsOneWarning) {
  testing::MapProfile profile;
  testing::FakeEventLog appLog;
  const auto tick = [&](const char* value) {
    profile.Values["Orders/Tick"] = value;
    return ReadOrderSettings(profile, "C:\\QUIK\\Marlowin.ini", appLog).Tick;
  };
  EXPECT_EQ(tick(""), 0);
  EXPECT_EQ(tick("0"), 0);
  EXPECT_EQ(tick("10"), 10);
  EXPECT_EQ(tick("0.5"), 0.5);
  EXPECT_EQ(tick("0,01"), 0.01);
  EXPECT_TRUE(appLog.Entries.empty());
  EXPECT_EQ(tick("-5"), 0);
  EXPECT_EQ(tick("ten"), 0);
  EXPECT_EQ(appLog.Entries, (std::vector<testing::EventLogEntry>{
                                {contract::IniSectionPrefix(contract::kOrdersSection) +
                                     "Tick=-5 is not a price step (a number above 0); this "
                                     "feature stays off.",
                                 EventType::Warning},
                                {contract::IniSectionPrefix(contract::kOrdersSection) +
                                     "Tick=ten is not a price step (a number above 0); this "
                                     "feature stays off.",
                                 EventType::Warning}}));
}

}  // namespace
}  // namespace vestrel
