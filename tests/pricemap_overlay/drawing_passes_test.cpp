#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "level_lines_chart.h"
#include "pricemap_overlay/drawing_passes.h"
#include "pricemap_overlay/level_lines.h"

namespace pricemap {
namespace {

using pmdraw::DrawingChart;
using pmdraw::kDayA;
using pmdraw::kDayB;

// The bars of the UT4 line of every period drawn for `day`, with its price.
std::vector<std::tuple<std::int32_t, std::int32_t, float>> ut4_lines(DrawingChart& chart,
                                                                     std::int32_t day) {
  std::vector<std::tuple<std::int32_t, std::int32_t, float>> lines;
  const auto found = chart.state.drawn.by_day.find(day);
  if (found == chart.state.drawn.by_day.end()) return {};
  for (const DrawnLevel& level : found->second) {
    if (!level.label_text.ends_with(" UT4")) continue;
    const studyhost::DrawingState& d = chart.drawing(level.line_id);
    lines.emplace_back(d.begin_bar, d.end_bar, d.begin_price);
  }
  return lines;
}

using Lines = std::vector<std::tuple<std::int32_t, std::int32_t, float>>;

TEST(DrawingPasses, EachPeriodGetsItsOwnMapAndOnlyTheLastItsLabelsOnTheCurrentSession) {
  for (std::int32_t price_labels : {0, 1, 2}) {
    SCOPED_TRACE(price_labels);
    DrawingChart chart(pmdraw::bars_on({{kDayA, 4}, {kDayB, 6}}));
    chart.state.records[kDayA] = pmdraw::ladder_record(100.0f);
    chart.state.records[kDayB] = pmdraw::ladder_record(200.0f);
    DisplaySettings s = chart.settings();
    s.price_labels = price_labels;
    draw_every_period({chart.sc(), chart.state.drawn, s, 1.0f}, chart.state);

    const DrawnLevelMap& drawn = chart.state.drawn;
    EXPECT_EQ(drawn.last_day, kDayB);
    EXPECT_EQ(ut4_lines(chart, kDayA), (Lines{{1, 3, 112.0f}}));
    EXPECT_EQ(ut4_lines(chart, kDayB), (Lines{{4, 9, 212.0f}}));
    const DrawnLevel& a = drawn.by_day.at(kDayA).front();
    const DrawnLevel& b = drawn.by_day.at(kDayB).front();
    EXPECT_EQ(a.label_text, "112.00 UT4");
    EXPECT_EQ(a.label_id != 0, price_labels == 0);
    EXPECT_EQ(b.label_id != 0, price_labels != 2);
    if (a.label_id != 0) {
      EXPECT_EQ(chart.drawing(a.label_id).begin_bar, 3);
    }
    if (b.label_id != 0) {
      EXPECT_EQ(chart.drawing(b.label_id).text_alignment, 4);
      EXPECT_EQ(chart.drawing(b.label_id).begin_datetime, -7 * pmdraw::kDay);
    }
  }
}

TEST(DrawingPasses, BarsWithoutAPriceMapAndShortChartsGetNoDrawings) {
  DrawingChart chart(pmdraw::bars_on({{kDayA - 1, 3}, {kDayA, 4}}));
  chart.state.records[kDayA] = pmdraw::ladder_record(100.0f);
  const DisplaySettings s = chart.settings();
  draw_every_period({chart.sc(), chart.state.drawn, s, 1.0f}, chart.state);
  EXPECT_EQ(chart.state.drawn.last_day, kDayA);
  EXPECT_EQ(chart.state.drawn.by_day.size(), 1u);
  EXPECT_EQ(ut4_lines(chart, kDayA), (Lines{{3, 6, 112.0f}}));

  DrawingChart early(pmdraw::bars_on({{kDayA - 1, 5}}));
  early.state.records[kDayA] = pmdraw::ladder_record(100.0f);
  early.state.drawn.last_day = 77;
  draw_every_period({early.sc(), early.state.drawn, s, 1.0f}, early.state);
  EXPECT_EQ(early.state.drawn.last_day, 0);
  EXPECT_TRUE(early.host->drawings().empty());

  DrawingChart one(pmdraw::bars_on({{kDayA, 1}}));
  one.state.records[kDayA] = pmdraw::ladder_record(100.0f);
  one.state.drawn.last_day = 77;
  draw_every_period({one.sc(), one.state.drawn, s, 1.0f}, one.state);
  EXPECT_EQ(one.state.drawn.last_day, 0);
  EXPECT_TRUE(one.host->drawings().empty());
}

// A conversion that moves midnights by up to three days either way, so that
// later days can convert to earlier times than earlier days.
std::int64_t shuffled_midnight(host::StudyInterface*, const std::int64_t* t) {
  const std::int64_t day = *t / pmdraw::kDay;
  return *t + ((day * 7919) % 7 - 3) * pmdraw::kDay;
}

TEST(DrawingPasses, PeriodsMatchTheRecordByRecordWalkUnderAnOutOfOrderConversion) {
  std::vector<std::pair<std::int32_t, int>> days;
  for (std::int32_t d = 0; d < 40; ++d) days.emplace_back(kDayA + d, 6);
  DrawingChart chart(pmdraw::bars_on(days));
  for (std::int32_t d = 2; d < 40; ++d) {
    chart.state.records[kDayA + d] = pmdraw::ladder_record(static_cast<float>(1000 + 100 * d));
  }
  host::StudyInterface& sc = chart.sc();
  sc.convert_to_chart_time = &shuffled_midnight;
  DisplaySettings s = chart.settings();
  draw_every_period({sc, chart.state.drawn, s, 1.0f}, chart.state);

  // The periods as the walk over the records finds them, bar by bar.
  std::vector<std::tuple<std::int32_t, std::int32_t, std::int32_t>> runs;  // day, first, last
  for (std::int32_t i = 1; i < sc.bar_count; ++i) {
    const std::int32_t day = day_at_or_before(chart.state, sc, host::element(sc.bar_datetimes, i));
    if (runs.empty() || std::get<0>(runs.back()) != day) runs.emplace_back(day, i, i);
    std::get<2>(runs.back()) = i;
  }
  ASSERT_GT(runs.size(), 10u);
  std::size_t drawn_periods = 0;
  for (const auto& [day, records] : chart.state.records) {
    Lines expected;
    for (const auto& [run_day, first, last] : runs) {
      if (run_day == day) expected.emplace_back(first, last, records.levels[kUT4]);
    }
    EXPECT_EQ(ut4_lines(chart, day), expected) << "day " << day;
    drawn_periods += expected.size();
  }
  for (const auto& [day, levels] : chart.state.drawn.by_day) {
    EXPECT_TRUE(chart.state.records.contains(day)) << "day " << day;
  }
  EXPECT_GT(drawn_periods, 10u);
  EXPECT_EQ(chart.state.drawn.last_day, std::get<0>(runs.back()));
}

TEST(DrawingPasses, RedrawDeletesEveryRecordedIdentifierAndDrawsNothingOnAnError) {
  DrawingChart chart(pmdraw::bars_on({{kDayA, 4}, {kDayB, 6}}));
  chart.state.records[kDayA] = pmdraw::ladder_record(100.0f);
  chart.state.records[kDayB] = pmdraw::ladder_record(200.0f);
  chart.study->set_input_yes_no(13, true);  // MSD lines on every key level
  chart.study->set_input_yes_no(14, true);  // minor levels, which have no VAR lines
  redraw_all_levels(chart.sc());
  ASSERT_EQ(chart.state.drawn.by_day.size(), 2u);
  const std::size_t made = chart.host->drawings().size();
  ASSERT_GT(made, 0u);

  std::vector<std::string> expected;
  for (const auto& [day, levels] : chart.state.drawn.by_day) {
    for (const DrawnLevel& l : levels) {
      for (std::int32_t id : {l.line_id, l.label_id, l.var_up_id, l.var_down_id, l.msd_up_id,
                              l.msd_down_id, l.ad_up_id, l.ad_down_id}) {
        expected.push_back("chart=1 id=" + std::to_string(id));
      }
    }
  }
  EXPECT_NE(std::find(expected.begin(), expected.end(), "chart=1 id=0"), expected.end());

  chart.calls.clear();
  chart.state.error_showing = true;
  chart.state.drawn.label_side = 1;
  redraw_all_levels(chart.sc());
  EXPECT_EQ(chart.operations("delete_drawing"), expected);
  EXPECT_TRUE(chart.operations("use_drawing").empty());
  EXPECT_TRUE(chart.host->drawings().empty());
  EXPECT_TRUE(chart.state.drawn.by_day.empty());
  EXPECT_EQ(chart.state.drawn.last_day, kDayB);
  EXPECT_EQ(chart.state.drawn.label_side, 1);

  // Cleared again, the same redraw draws the same number of drawings anew.
  chart.state.error_showing = false;
  redraw_all_levels(chart.sc());
  EXPECT_EQ(chart.host->drawings().size(), made);
}

TEST(DrawingPasses, RedrawTakesSettingsMultiplierAndModeFromTheInputs) {
  DrawingChart chart(pmdraw::bars_on({{kDayA, 4}, {kDayB, 6}}));
  chart.state.records[kDayA] = pmdraw::ladder_record(100.0f);
  chart.state.records[kDayB] = pmdraw::ladder_record(200.0f);
  chart.study->set_input_float(16, 2.0f);
  chart.study->set_input_int(19, 4);

  *chart.study->persistent_int_cell(slot::kLatestMapFlag) = 1;
  redraw_all_levels(chart.sc());
  EXPECT_EQ(chart.state.settings.label_offset, 4);
  EXPECT_TRUE(chart.state.settings.latest_map_mode);
  EXPECT_EQ(chart.state.drawn.by_day.count(kDayA), 0u);
  EXPECT_EQ(ut4_lines(chart, kDayB), (Lines{{4, 9, 424.0f}}));

  *chart.study->persistent_int_cell(slot::kLatestMapFlag) = 0;
  redraw_all_levels(chart.sc());
  EXPECT_FALSE(chart.state.settings.latest_map_mode);
  EXPECT_EQ(ut4_lines(chart, kDayA), (Lines{{1, 3, 224.0f}}));
  EXPECT_EQ(ut4_lines(chart, kDayB), (Lines{{4, 9, 424.0f}}));
}

TEST(DrawingPasses, SinglePeriodDrawsTheChosenMapFromTheBarTheHostFindsForIt) {
  const std::int32_t kDayC = kDayB + 3;  // after the last bar
  DrawingChart chart(pmdraw::bars_on({{kDayA, 4}, {kDayB, 6}}));
  chart.state.records[kDayA] = pmdraw::ladder_record(100.0f);
  chart.state.records[kDayB] = pmdraw::ladder_record(200.0f);
  chart.state.records[kDayC] = pmdraw::ladder_record(300.0f);
  DisplaySettings s = chart.settings();
  s.latest_map_mode = true;

  draw_one_period({chart.sc(), chart.state.drawn, s, 1.0f}, chart.state, 1);
  EXPECT_EQ(chart.state.drawn.last_day, kDayB);
  EXPECT_EQ(ut4_lines(chart, kDayB), (Lines{{4, 9, 212.0f}}));
  const DrawnLevel& ut4 = chart.state.drawn.by_day[kDayB].front();
  EXPECT_EQ(chart.drawing(ut4.label_id).text_alignment, 4);

  // Any other period mode takes the latest map, dated after the last bar here.
  draw_one_period({chart.sc(), chart.state.drawn, s, 1.0f}, chart.state, 0);
  EXPECT_EQ(chart.state.drawn.last_day, kDayC);
  EXPECT_EQ(ut4_lines(chart, kDayC), (Lines{{9, 9, 312.0f}}));

  // Without a map the host is still asked for the bar, and nothing is drawn.
  DrawingChart empty(pmdraw::bars_on({{kDayA, 4}}));
  empty.state.drawn.last_day = 77;
  draw_one_period({empty.sc(), empty.state.drawn, s, 1.0f}, empty.state, 0);
  EXPECT_EQ(empty.state.drawn.last_day, 0);
  EXPECT_EQ(empty.operations("bar_index_at"), std::vector<std::string>{"chart=1 datetime=0"});
  EXPECT_TRUE(empty.host->drawings().empty());
}

TEST(DrawingPasses, ExtendStretchesTheLastPeriodAndRefreshesRightHandLabels) {
  for (std::int32_t side : {1, 2}) {
    SCOPED_TRACE(side);
    DrawingChart chart(pmdraw::bars_on({{kDayA, 4}, {kDayB, 6}}));
    chart.state.records[kDayA] = pmdraw::ladder_record(100.0f);
    chart.state.records[kDayB] = pmdraw::ladder_record(200.0f);
    DisplaySettings s = chart.settings();
    s.label_side = side;
    s.price_labels = 0;
    s.show_msd = true;
    draw_every_period({chart.sc(), chart.state.drawn, s, 1.0f}, chart.state);
    const auto before = chart.host->drawings();

    chart.sc().bar_count = 12;  // two bars more
    s.label_offset = 3;
    extend_last_period({chart.sc(), chart.state.drawn, s, 1.0f});
    EXPECT_EQ(chart.host->drawings().size(), before.size());

    for (const DrawnLevel& l : chart.state.drawn.by_day[kDayB]) {
      for (std::int32_t id : {l.line_id, l.var_up_id, l.var_down_id, l.ad_up_id, l.ad_down_id,
                              l.msd_up_id, l.msd_down_id}) {
        EXPECT_EQ(chart.drawing(id).end_bar, 11);
        EXPECT_EQ(chart.drawing(id).begin_bar, 4);
      }
      const studyhost::DrawingState& label = chart.drawing(l.label_id);
      EXPECT_EQ(label.text, l.label_text);
      EXPECT_EQ(label.begin_datetime, side == 2 ? -3 * pmdraw::kDay : 0);
      EXPECT_EQ(label.begin_bar, side == 2 ? -1 : 4);
    }
    for (const DrawnLevel& l : chart.state.drawn.by_day[kDayA]) {
      EXPECT_EQ(chart.drawing(l.line_id).end_bar, 3);
      EXPECT_EQ(chart.drawing(l.label_id).begin_bar, side == 2 ? 3 : 1);
    }
  }
}

}  // namespace
}  // namespace pricemap
