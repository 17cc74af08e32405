// Period levels that once went wrong on hostile price texts.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "chart_fixture.h"
#include "timeframe_structure/period_levels.h"

namespace timeframe {
namespace {

// High and low near the float limit overflowed their sum, and the mid output
// showed an infinite level on every bar of the period.
TEST(PeriodLevelsRegression, MidOfPricesNearTheFloatLimitStaysFinite) {
  constexpr float kHuge = 3.4e38f;
  PeriodRecords records{};
  store_period(records, 2, test::at(2025, 10, 8), kHuge, 3.0e38f, kHuge);
  EXPECT_TRUE(std::isfinite(records[1].mid));
  EXPECT_EQ(records[1].mid, 3.0e38f * 0.5f + kHuge * 0.5f);

  const float lowest = std::numeric_limits<float>::lowest();
  store_period(records, 5, test::at(2025, 10, 8), lowest, lowest, lowest);
  EXPECT_EQ(records[4].mid, lowest);
}

TEST(PeriodLevelsRegression, OrdinaryMidKeepsTheFloatSumThenHalf) {
  PeriodRecords records{};
  store_period(records, 1, test::at(2025, 10, 8), 6750.3f, 6700.55f, 6725.0f);
  EXPECT_EQ(records[0].mid, (6700.55f + 6750.3f) * 0.5f);
}

}  // namespace
}  // namespace timeframe
