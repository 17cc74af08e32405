#include "studyhost/render/chart_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "host/study_interface.h"
#include "studyhost/render/label_placement.h"

namespace {

using studyhost::Bar;
using studyhost::ChartLayout;
using studyhost::ChartPicture;
using studyhost::DrawingState;
using studyhost::RenderOptions;

constexpr std::int64_t kFiveMinutes = 300000000LL;
constexpr std::int64_t kDay = host::kMicrosPerDay;
constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

ChartPicture bars_at(int count, float price) {
  ChartPicture p;
  for (int i = 0; i < count; ++i) {
    p.bars.push_back(Bar{45947 * kDay + i * kFiveMinutes, price, price, price, price, 1.0f});
  }
  return p;
}

ChartLayout layout_of(const ChartPicture& p, std::int32_t visible_bars = 0,
                      double text_width = 100) {
  RenderOptions options;
  options.visible_bars = visible_bars;
  return studyhost::layout_chart(p, options, [&](const DrawingState&) { return text_width; });
}

DrawingState level(float price) {
  DrawingState d;
  d.kind = host::kDrawingLine;
  d.begin_price = d.end_price = price;
  d.has_begin_price = d.has_end_price = true;
  return d;
}

// Every bar shown lies inside the plot and every price inside the scale.
void expect_usable(const ChartLayout& l) {
  ASSERT_TRUE(std::isfinite(l.bar_spacing));
  EXPECT_GT(l.bar_spacing, 0);
  EXPECT_LT(l.price_low, l.price_high);
  EXPECT_TRUE(std::isfinite(l.price_low) && std::isfinite(l.price_high));
  if (l.last_bar >= l.first_bar) {
    EXPECT_GT(l.x_of_bar(l.first_bar), l.plot_left);
    EXPECT_LT(l.x_of_bar(l.last_bar), l.plot_right);
  }
  const double step = studyhost::price_grid_step(l);
  EXPECT_TRUE(std::isfinite(step) && step > 0);
}

TEST(ChartLayout, OneBarAndAllPricesEqualStillGiveARange) {
  for (const float price : {100.0f, 0.0f, -5.0f, 3e38f}) {
    const ChartLayout l = layout_of(bars_at(1, price));
    expect_usable(l);
    EXPECT_EQ(l.first_bar, 0);
    EXPECT_EQ(l.last_bar, 0);
    EXPECT_GT(l.y_of_price(price), l.plot_top) << price;
    EXPECT_LT(l.y_of_price(price), l.plot_bottom) << price;
  }
  const ChartLayout empty = layout_of(ChartPicture{});
  EXPECT_EQ(empty.last_bar, -1);
  expect_usable(empty);
  EXPECT_TRUE(studyhost::time_scale({}, empty).marks.empty());
}

TEST(ChartLayout, VisibleBarCountsOfZeroNegativeOrHugeShowEveryBar) {
  const ChartPicture p = bars_at(50, 100.0f);
  for (const std::int32_t visible : {0, -7, 50, 51, std::numeric_limits<std::int32_t>::max()}) {
    const ChartLayout l = layout_of(p, visible);
    EXPECT_EQ(l.first_bar, 0) << visible;
    EXPECT_EQ(l.last_bar, 49) << visible;
    expect_usable(l);
  }
  const ChartLayout last = layout_of(p, 1);
  EXPECT_EQ(last.first_bar, 49);
  expect_usable(last);
}

TEST(ChartLayout, FarLevelsAndNonFiniteValuesLeaveThePriceScaleOnTheBars) {
  ChartPicture p = bars_at(40, 100.0f);
  p.bars[3].low = kNan;
  p.bars[4].high = kInf;
  p.drawings.push_back(level(101.0f));  // near: taken in
  for (const float far : {1e30f, -3e38f, kNan, kInf}) p.drawings.push_back(level(far));
  studyhost::SubgraphSeries series;
  series.values = {kNan, kInf, -kInf, 1e38f, 0.0f};
  series.draw_style = host::kDrawStyleLineSkipZero;
  p.subgraphs.push_back(series);
  const ChartLayout l = layout_of(p);
  expect_usable(l);
  EXPECT_LT(l.price_low, 100.0);
  EXPECT_GT(l.price_high, 101.0);
  EXPECT_LT(l.price_high, 102.0);
}

TEST(ChartLayout, ALabelRightOfTheLastBarTakesRoomUnlessItIsFurtherThanTheBarsShown) {
  ChartPicture p = bars_at(40, 100.0f);
  const double plain = layout_of(p).bar_spacing;
  DrawingState label;
  label.kind = host::kDrawingText;
  label.text = "100.00 DIR";
  label.begin_datetime = -5 * kDay;  // five bars right of the last bar
  p.drawings.push_back(label);
  const ChartLayout l = layout_of(p, 0, 200);
  EXPECT_LT(l.bar_spacing, plain);
  EXPECT_LE(l.x_of_bar(39 + 5) + 200, l.plot_right);
  p.drawings.back().begin_datetime = std::numeric_limits<std::int64_t>::min();
  EXPECT_EQ(layout_of(p, 0, 200).bar_spacing, plain);
}

TEST(TimeScale, StepsAtTheFinestIntervalWithRoomAndCopesWithAnyDateTime) {
  const ChartPicture p = bars_at(2 * 288, 100.0f);  // two days of 5-minute bars
  const ChartLayout l = layout_of(p);
  const studyhost::TimeScale scale = studyhost::time_scale(p.bars, l);
  ASSERT_FALSE(scale.marks.empty());
  EXPECT_LE(static_cast<double>(scale.marks.size()), l.plot_width() / 45);
  EXPECT_GE(scale.interval, 5 * 60000000LL);
  for (const std::int32_t i : scale.marks) {
    EXPECT_EQ(p.bars[static_cast<std::size_t>(i)].datetime % scale.interval, 0) << i;
  }

  EXPECT_EQ(studyhost::floor_day(-1), -1);
  EXPECT_EQ(studyhost::floor_day(-kDay), -1);
  EXPECT_EQ(studyhost::time_label(45947 * kDay + 9 * 3600000000LL, false), "09:00");
  EXPECT_EQ(studyhost::time_label(45947 * kDay, true), "Oct 17");
  ChartPicture extremes = bars_at(3, 100.0f);
  extremes.bars[0].datetime = std::numeric_limits<std::int64_t>::min();
  extremes.bars[2].datetime = std::numeric_limits<std::int64_t>::max();
  const ChartLayout el = layout_of(extremes);
  EXPECT_EQ(studyhost::time_scale(extremes.bars, el).marks.size(), 2u);
  const std::int64_t min = std::numeric_limits<std::int64_t>::min();
  EXPECT_EQ(studyhost::floor_day(min), min / kDay - 1);
}

TEST(LabelPlacement, LabelsThatOverlapAreStackedInOrderAroundWhereTheyWantToStand) {
  using studyhost::LabelBox;
  // Three labels of one column, two at one height, a fourth beside them and
  // a fifth far below; the last one's middle lies outside the limits.
  const std::vector<LabelBox> boxes{{0, 100, 50, 110},    {10, 104, 60, 114}, {0, 100, 50, 110},
                                    {200, 100, 250, 110}, {0, 300, 50, 310},  {0, 990, 50, 1000}};
  const std::vector<double> shift = studyhost::spread_labels(boxes, 1, 0, 500);
  ASSERT_EQ(shift.size(), boxes.size());
  auto top = [&](std::size_t i) { return boxes[i].top + shift[i]; };
  // Stacked at the wanted order (a later label below an earlier one at its
  // height), 1 pixel apart, the stack's middle where its labels want theirs.
  EXPECT_DOUBLE_EQ(top(2), top(0) + 11);
  EXPECT_DOUBLE_EQ(top(1), top(2) + 11);
  EXPECT_NEAR((top(0) + top(1) + 10) / 2, (105 + 109 + 105) / 3.0, 1e-9);
  for (const std::size_t alone : {3u, 4u, 5u}) EXPECT_EQ(shift[alone], 0) << alone;

  // A stack kept inside the limits, and one that reaches another further
  // down joins it.
  const std::vector<double> low =
      studyhost::spread_labels({{0, 92, 9, 100}, {0, 92, 9, 100}, {0, 80, 9, 88}}, 0, 0, 100);
  EXPECT_DOUBLE_EQ(92 + low[1], 92);
  EXPECT_DOUBLE_EQ(92 + low[0], 84);
  EXPECT_DOUBLE_EQ(80 + low[2], 76);

  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(studyhost::spread_labels({{nan, 0, 1, 1}, {0, 0, 1, 1}}, 1, 0, 10)[0], 0);
}

}  // namespace
