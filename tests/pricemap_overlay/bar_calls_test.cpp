// One download's whole road on a chart, in latest-map and per-period mode:
// the full redraw, the level values of every bar and the extend step.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "price_map_fixtures.h"
#include "pricemap_overlay/price_map.h"
#include "pricemap_session.h"

namespace pmtest {
namespace {

constexpr float k14 = 3000.0f;  // base of the 2024-03-14 record
constexpr float k15 = 4000.0f;  // 2024-03-15
constexpr float k18 = 5000.0f;  // 2024-03-18

std::string three_day_map() {
  return price_map_body({fixture_record("2024-03-14", k14), fixture_record("2024-03-15", k15),
                         fixture_record("2024-03-18", k18)});
}

// The R value (subgraph 10) the bars hold, as record bases scaled by `m`.
std::vector<float> r_values(const std::vector<float>& bases, float m = 1.0f) {
  std::vector<float> values;
  for (const float b : bases) values.push_back(b == 0.0f ? 0.0f : m * fixture_level(b, 4));
  return values;
}

bool has_line(const PriceMapSession& s, std::int32_t first, std::int32_t last) {
  const auto lines = s.level_drawings();
  return std::any_of(lines.begin(), lines.end(), [&](const studyhost::DrawingState& d) {
    return d.kind == host::kDrawingLine && d.begin_bar == first && d.end_bar == last;
  });
}

std::int32_t count_ops(const std::vector<std::string>& ops, const char* name) {
  return static_cast<std::int32_t>(std::count(ops.begin(), ops.end(), name));
}

TEST(BarCalls, BeforeTheFirstMapEveryBarHoldsZeros) {
  PriceMapSession s(bars_on_day(kDay20240315, 5));
  s.transport.hold();
  s.host->full_recalculation();
  ASSERT_EQ(s.status_text(), "Downloading...");
  for (int subgraph = 10; subgraph <= 24; ++subgraph) {
    EXPECT_EQ(s.values(subgraph), std::vector<float>(5, 0.0f)) << subgraph;
  }
  s.transport.release();
}

TEST(BarCalls, LatestMapModeDrawsAndWritesTheLatestMapAndExtendsOnBarBeforeLast) {
  PriceMapSession s(bars_on_days({{kDay20240314, 3}, {kDay20240315, 3}}));
  s.answer_with(three_day_map());
  s.study->set_input_float(kInputMultiplier, 2.0f);
  s.recalculate_and_settle();
  EXPECT_EQ(s.status_text(), "Price Map Date: 2024-03-18");
  EXPECT_STREQ(host::text_of(s.study->subgraph(26).short_label), "ES");
  // The map dated after the last bar reaches from the host's bar for its date.
  EXPECT_TRUE(has_line(s, 5, 5));
  // The bars called before the map arrived get its values at once, not at
  // the next full recalculation.
  EXPECT_EQ(s.values(10), r_values({k18, k18, k18, k18, k18, k18}, 2.0f));

  s.recalculate_and_settle();
  EXPECT_EQ(s.values(10), r_values({k18, k18, k18, k18, k18, k18}, 2.0f));
  EXPECT_EQ(s.values(24).front(), 2.0f * fixture_level(k18, pricemap::kVAR));

  std::vector<std::string> ops;
  s.host->set_observer([&](const studyhost::HostCall& c) { ops.push_back(c.operation); });
  s.host->change_last_bar(bar_at(kDay20240315, 22));
  EXPECT_EQ(count_ops(ops, "use_drawing"), 0) << "an update of the last bar does not extend";

  s.host->add_bar(bar_at(kDay20240315, 23));
  EXPECT_GT(count_ops(ops, "use_drawing"), 0);
  EXPECT_TRUE(has_line(s, 5, 6)) << "extended to the new bar";
  EXPECT_FALSE(has_line(s, 5, 5));
  s.host->set_observer({});  // `ops` goes before the host's last call
}

TEST(BarCalls, PerPeriodModeGivesValuesToTheLastDayAndRedrawsWhenADayBegins) {
  PriceMapSession s(bars_on_days({{kDay20240314, 3}, {kDay20240315, 3}}));
  s.answer_with(three_day_map());
  s.recalculate_and_settle();
  s.recalculate_and_settle();
  ASSERT_EQ(s.values(10), r_values({k18, k18, k18, k18, k18, k18}));

  s.study->set_input_int(kInputPeriodMode, 2);
  s.recalculate_and_settle();
  EXPECT_EQ(s.values(10), r_values({0, 0, 0, k15, k15, k15}))
      << "bars of earlier days hold nothing after the full recalculation, as on a fresh chart";
  EXPECT_TRUE(has_line(s, 1, 2));
  EXPECT_TRUE(has_line(s, 3, 5));

  const auto before = s.level_drawings();
  s.host->add_bar(bar_at(kDay20240318, 1));
  EXPECT_EQ(s.values(10).back(), fixture_level(k18, 4));
  EXPECT_TRUE(has_line(s, 6, 6)) << "the new day is drawn with its own map";
  EXPECT_TRUE(has_line(s, 3, 5));
  EXPECT_NE(s.level_drawings().front().id, before.front().id) << "a full redraw ran";

  s.host->add_bar(bar_at(kDay20240318, 2));
  EXPECT_TRUE(has_line(s, 6, 7)) << "the last period follows new bars";
  EXPECT_EQ(s.values(10).back(), fixture_level(k18, 4));
}

TEST(BarCalls, DuplicateDayTakesTheLaterRecordsLevels) {
  PriceMapSession s(bars_on_day(kDay20240315, 3));
  s.answer_with(
      price_map_body({fixture_record("2024-03-15", k14), fixture_record("2024-03-15", k15)}));
  s.recalculate_and_settle();
  s.recalculate_and_settle();
  EXPECT_EQ(s.values(10), r_values({k15, k15, k15}));
}

}  // namespace
}  // namespace pmtest
