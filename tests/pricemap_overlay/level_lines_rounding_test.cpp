#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "pricemap_overlay/level_lines.h"

namespace pricemap {
namespace {

TEST(DrawnPrice, RoundsToTheIncrementWithTheThousandthEdge) {
  // A remainder of at least 0.499 of the increment (0.12475 of 0.25) goes away from zero.
  EXPECT_EQ(drawn_price(100.12f, 1.0f, 0.25f), 100.0);
  EXPECT_EQ(drawn_price(100.1248f, 1.0f, 0.25f), 100.25);
  EXPECT_EQ(drawn_price(100.1247f, 1.0f, 0.25f), 100.0);
  EXPECT_EQ(drawn_price(-100.13f, 1.0f, 0.25f), -100.25);
  EXPECT_EQ(drawn_price(-100.12f, 1.0f, 0.25f), -100.0);
  EXPECT_EQ(drawn_price(100.2f, 1.0f, 0.25f), 100.25);
  EXPECT_EQ(drawn_price(0.0f, 1.0f, 0.25f), 0.0);
  EXPECT_EQ(drawn_price(4512.25f, 1.0f, 0.25f), 4512.25);
}

TEST(DrawnPrice, ScalesBeforeRoundingAndLeavesAZeroIncrementAlone) {
  // 2 x 50.0624 = 100.1248: rounded after scaling, not before.
  EXPECT_EQ(drawn_price(50.0624f, 2.0f, 0.25f), 100.25);
  EXPECT_EQ(drawn_price(100.1248f, 1.0f, 0.0f), static_cast<double>(100.1248f));
  // The product is a float product.
  EXPECT_EQ(drawn_price(0.1f, 3.0f, 0.0f), static_cast<double>(0.1f * 3.0f));
}

TEST(DrawnPrice, AQuotientPastThirtyTwoBitsLeavesThePriceUnrounded) {
  // 1e10 / 0.25 is 4e10 increments: too many to count in 32 bits.
  EXPECT_EQ(drawn_price(1.0e10f, 1.0f, 0.25f), static_cast<double>(1.0e10f));
  EXPECT_EQ(drawn_price(-1.0e10f, 1.0f, 0.25f), static_cast<double>(-1.0e10f));
  EXPECT_EQ(drawn_price(3.0e38f, 1.0f, 1.0e-30f), static_cast<double>(3.0e38f));
  // Just inside the range still rounds: 2^31 - 1 increments of 1.
  EXPECT_EQ(drawn_price(2147483520.0f, 1.0f, 1.0f), 2147483520.0);
}

TEST(DrawnPrice, NonFiniteLevelsAndIncrementsPassThroughUnrounded) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_TRUE(std::isnan(drawn_price(nan, 1.0f, 0.25f)));
  EXPECT_EQ(drawn_price(inf, 1.0f, 0.25f), std::numeric_limits<double>::infinity());
  EXPECT_EQ(drawn_price(-inf, 1.0f, 0.25f), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(drawn_price(100.0f, 1.0f, inf), 100.0);
  EXPECT_EQ(drawn_price(100.1248f, 1.0f, nan), static_cast<double>(100.1248f));
  // A huge multiplier overflows the float product to infinity.
  EXPECT_EQ(drawn_price(3.0e38f, 10.0f, 0.25f), std::numeric_limits<double>::infinity());
}

TEST(RightLabelAnchor, IsMinusOffsetDaysAndSaturatesPastSixtyFourBits) {
  EXPECT_EQ(right_label_anchor(7), -7 * host::kMicrosPerDay);
  EXPECT_EQ(right_label_anchor(0), 0);
  EXPECT_EQ(right_label_anchor(-3), 3 * host::kMicrosPerDay);
  // 106751991 days is the last whole count that fits.
  EXPECT_EQ(right_label_anchor(106751991), -106751991 * host::kMicrosPerDay);
  EXPECT_EQ(right_label_anchor(106751992), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(right_label_anchor(std::numeric_limits<std::int32_t>::max()),
            std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(right_label_anchor(std::numeric_limits<std::int32_t>::min()),
            std::numeric_limits<std::int64_t>::max());
}

}  // namespace
}  // namespace pricemap
