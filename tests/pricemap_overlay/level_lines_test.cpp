#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "level_lines_chart.h"
#include "pricemap_overlay/level_lines.h"

namespace pricemap {
namespace {

using pmdraw::DrawingChart;
using studyhost::DrawingState;

// Distinct colours, so a level drawn in the wrong one shows which rule fired.
DisplaySettings coloured(DisplaySettings s) {
  s.r_level_color = 0x01;
  s.plus_c_color = 0x02;
  s.minus_c_color = 0x03;
  s.dir_color = 0x04;
  s.up_pivot_color = 0x05;
  s.down_pivot_color = 0x06;
  s.minor_resistance_color = 0x07;
  s.minor_support_color = 0x08;
  s.crx_plus_color = 0x09;
  s.crx_minus_color = 0x0A;
  s.cr_plus_color = 0x0B;
  s.cr_minus_color = 0x0C;
  return s;
}

const DrawnLevel& level_named(const std::vector<DrawnLevel>& list, const std::string& text) {
  const auto it = std::find_if(list.begin(), list.end(),
                               [&](const DrawnLevel& l) { return l.label_text == text; });
  EXPECT_NE(it, list.end()) << "no level " << text;
  return it != list.end() ? *it : list.front();
}

struct LevelSet {
  DrawingChart chart{pmdraw::bars_on({{pmdraw::kDayA, 10}})};
  DrawnLevelMap map;
  std::vector<DrawnLevel> list;

  void draw(PriceMapRecord record, const DisplaySettings& s, bool is_last_period = false,
            float multiplier = 1.0f, bool with_labels = true) {
    draw_level_set({chart.sc(), map, s, multiplier}, {1, 9, is_last_period, with_labels}, record,
                   list);
  }
  std::uint32_t colour_of(const std::string& text) {
    return chart.drawing(level_named(list, text).line_id).color;
  }
};

TEST(LevelLines, KeyLevelDrawsLineLabelVarLinesAdBandsAndMsdLinesInThatOrder) {
  LevelSet t;
  DisplaySettings s = t.chart.settings();  // the study's defaults: majors, VAR, AD, labels right
  s.show_msd = true;
  t.draw(pmdraw::ladder_record(4508.25f), s);

  ASSERT_EQ(t.list.size(), 11u);  // eight tiers, UP, DIR and DP
  EXPECT_EQ(t.map.label_side, 2);
  const DrawnLevel& ut1 = level_named(t.list, "4512.25 UT1");
  const std::vector<std::int32_t> ids = {ut1.line_id,     ut1.label_id,   ut1.var_up_id,
                                         ut1.var_down_id, ut1.ad_up_id,   ut1.ad_down_id,
                                         ut1.msd_up_id,   ut1.msd_down_id};
  EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
  EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());

  const std::uint32_t up_pivot = 0x000000FF;  // UT1 above DIR, no role: the up pivot colour
  const DrawingState& line = t.chart.drawing(ut1.line_id);
  EXPECT_EQ(line.kind, host::kDrawingLine);
  EXPECT_EQ(line.chart_number, 1);
  EXPECT_EQ(line.begin_price, 4512.25f);
  EXPECT_EQ(line.end_price, 4512.25f);
  EXPECT_EQ(line.begin_bar, 1);
  EXPECT_EQ(line.end_bar, 9);
  EXPECT_EQ(line.color, up_pivot);
  EXPECT_EQ(line.line_width, 2);
  EXPECT_EQ(line.line_style, 0);
  EXPECT_EQ(line.region, -1);
  EXPECT_TRUE(line.text.empty());

  const DrawingState& label = t.chart.drawing(ut1.label_id);
  EXPECT_EQ(label.kind, host::kDrawingText);
  EXPECT_EQ(label.text, "4512.25 UT1");
  EXPECT_EQ(label.begin_price, 4512.25f);
  EXPECT_FALSE(label.has_end_price);
  EXPECT_EQ(label.begin_bar, 9);  // right side of a period that is not the last
  EXPECT_EQ(label.end_bar, -1);
  EXPECT_EQ(label.text_alignment, 10);
  EXPECT_EQ(label.begin_datetime, 0);
  EXPECT_EQ(label.color, up_pivot);
  EXPECT_EQ(label.region, 0);
  EXPECT_EQ(label.font_size, 12);
  EXPECT_EQ(label.font_face, "Ariel");
  EXPECT_EQ(label.reverse_text_color, 1);
  EXPECT_EQ(label.bold, 1);
  EXPECT_EQ(label.user_drawn, 0);
  EXPECT_EQ(label.line_width, -1);

  const float offsets[] = {0.5f, -0.5f};
  const std::int32_t var_ids[] = {ut1.var_up_id, ut1.var_down_id};
  const std::int32_t msd_ids[] = {ut1.msd_up_id, ut1.msd_down_id};
  const std::int32_t ad_ids[] = {ut1.ad_up_id, ut1.ad_down_id};
  for (int i = 0; i < 2; ++i) {
    for (std::int32_t id : {var_ids[i], msd_ids[i]}) {
      const DrawingState& d = t.chart.drawing(id);
      const float w = id == var_ids[i] ? offsets[i] : 4.0f * offsets[i];
      EXPECT_EQ(d.kind, host::kDrawingLine);
      EXPECT_EQ(d.begin_price, 4512.25f + w);
      EXPECT_EQ(d.end_price, 4512.25f + w);
      EXPECT_EQ(d.line_width, 1);
      EXPECT_EQ(d.line_style, 2);
      EXPECT_EQ(d.begin_bar, 1);
      EXPECT_EQ(d.end_bar, 9);
      EXPECT_EQ(d.color, up_pivot);
    }
    const DrawingState& band = t.chart.drawing(ad_ids[i]);
    EXPECT_EQ(band.kind, host::kDrawingBand);
    EXPECT_EQ(band.begin_price, 4512.25f);
    EXPECT_EQ(band.end_price, 4512.25f + 2.5f * offsets[i]);
    EXPECT_EQ(band.color, up_pivot);
    EXPECT_EQ(band.second_color, up_pivot);
    EXPECT_EQ(band.transparency_percent, 75);
    EXPECT_EQ(band.line_width, 1);
    EXPECT_EQ(band.line_style, 2);
    EXPECT_EQ(band.begin_bar, 1);
    EXPECT_EQ(band.end_bar, 9);
  }
  // One level's drawings are all made before the next level's.
  for (std::size_t i = 1; i < t.list.size(); ++i) {
    EXPECT_GT(t.list[i].line_id, t.list[i - 1].msd_down_id);
  }
}

TEST(LevelLines, ColourFollowsRoleThenNameThenPositionAgainstDir) {
  LevelSet t;
  DisplaySettings s = coloured(t.chart.settings());
  s.show_minors = true;
  PriceMapRecord r = pmdraw::ladder_record(100.0f);
  r.levels[kDT1] = 105.0f;   // a lower tier priced above DIR
  r.levels[kUL02] = 100.0f;  // a minor exactly at DIR: not above
  r.levels[kUP] = 95.0f;     // roles win over position
  r.levels[kDP] = 106.5f;
  r.levels[kCRPlus] = r.levels[kR] = 50.0f;  // near R outranks the CR+ name
  r.levels[kDL04] = r.levels[kPlusC] = 60.0f;
  r.levels[kDL07] = r.levels[kMinusC] = 70.0f;
  t.draw(r, s);

  EXPECT_EQ(t.colour_of("112.00 UT4"), 0x05u);
  EXPECT_EQ(t.colour_of("105.00 DT1"), 0x05u);
  EXPECT_EQ(t.colour_of("88.00 DT4"), 0x06u);
  EXPECT_EQ(t.colour_of("111.00 **"), 0x07u);
  EXPECT_EQ(t.colour_of("100.00 *"), 0x08u);
  EXPECT_EQ(t.colour_of("95.00 UP"), 0x05u);
  EXPECT_EQ(t.colour_of("106.50 DP"), 0x06u);
  EXPECT_EQ(t.colour_of("100.00 DIR"), 0x04u);
  EXPECT_EQ(t.colour_of("50.00 CR+"), 0x01u);
  EXPECT_EQ(t.colour_of("60.00 *"), 0x02u);
  EXPECT_EQ(t.colour_of("70.00 *"), 0x03u);
  EXPECT_EQ(t.colour_of("103.00 CRX+"), 0x09u);
  EXPECT_EQ(t.colour_of("99.00 CR-"), 0x0Cu);
  EXPECT_EQ(t.colour_of("97.00 CRX-"), 0x0Au);

  // DIR at 0: every positive level counts as above it.
  LevelSet zero;
  PriceMapRecord z = pmdraw::ladder_record(100.0f);
  z.levels[kDIR] = 0.0f;
  zero.draw(z, s);
  EXPECT_EQ(zero.colour_of("88.00 DT4"), 0x05u);
  EXPECT_EQ(zero.colour_of("89.00 **"), 0x07u);
  EXPECT_EQ(zero.colour_of("0.00 DIR"), 0x04u);
}

TEST(LevelLines, CriticalRangeNamesMatchWithoutRegardToCase) {
  LevelSet t;
  DisplaySettings s = coloured(t.chart.settings());
  s.show_minors = true;
  PriceMapRecord r;
  r.labels_stale = false;  // a prepared list, as a second build on one record returns it
  for (const char* text : {"crx+", "Crx-", "cR+", "cr-", "CRX"}) {
    LevelLabel label;
    label.text = text;
    label.price = 5.0f;
    r.labels.push_back(label);
  }
  t.draw(r, s);
  EXPECT_EQ(t.colour_of("5.00 crx+"), 0x09u);
  EXPECT_EQ(t.colour_of("5.00 Crx-"), 0x0Au);
  EXPECT_EQ(t.colour_of("5.00 cR+"), 0x0Bu);
  EXPECT_EQ(t.colour_of("5.00 cr-"), 0x0Cu);
  EXPECT_EQ(t.colour_of("5.00 CRX"), 0x07u);
}

TEST(LevelLines, MultiplierScalesPricesBeforeRoundingAndOffsetsUnrounded) {
  LevelSet t;
  DisplaySettings s = t.chart.settings();
  s.show_msd = true;
  PriceMapRecord r = pmdraw::ladder_record(100.0f);
  r.levels[kUT1] = 50.0624f;  // 100.1248 after scaling: 100.25
  r.levels[kUT2] = 50.06f;    // 100.12: 100.00
  r.levels[kDT1] = -50.065f;  // -100.13: -100.25
  r.levels[kVAR] = 0.3f;
  r.levels[kAD] = 0.7f;
  r.levels[kMSD] = 1.1f;
  t.draw(r, s, false, 2.0f);

  const DrawnLevel& ut1 = level_named(t.list, "100.25 UT1");
  EXPECT_EQ(t.chart.drawing(ut1.line_id).begin_price, 100.25f);
  EXPECT_EQ(t.chart.drawing(ut1.var_up_id).begin_price, 100.25f + 2.0f * 0.3f);
  EXPECT_EQ(t.chart.drawing(ut1.var_down_id).begin_price, 100.25f - 2.0f * 0.3f);
  EXPECT_EQ(t.chart.drawing(ut1.ad_up_id).end_price, 100.25f + 2.0f * 0.7f);
  EXPECT_EQ(t.chart.drawing(ut1.msd_down_id).begin_price, 100.25f - 2.0f * 1.1f);
  EXPECT_EQ(t.chart.drawing(level_named(t.list, "100.00 UT2").line_id).begin_price, 100.0f);
  EXPECT_EQ(t.chart.drawing(level_named(t.list, "-100.25 DT1").line_id).begin_price, -100.25f);

  // Without an increment the scaled price is drawn as it is.
  LevelSet raw;
  raw.chart.sc().price_increment = 0.0f;
  raw.chart.sc().value_format = 4;
  raw.draw(r, s, false, 2.0f);
  EXPECT_EQ(raw.chart.drawing(level_named(raw.list, "100.1248 UT1").line_id).begin_price,
            2.0f * 50.0624f);
}

TEST(LevelLines, LabelsArePlacedBySideAndPassAndTheirTextIsAlwaysKept) {
  struct Case {
    std::int32_t side;
    bool last_period;
    bool latest_map;
    bool with_labels;
    std::int32_t offset;
    std::int32_t alignment;  // 0: no label drawn
    std::int32_t begin_bar;
    std::int64_t begin_datetime;
  };
  const std::int64_t min64 = std::numeric_limits<std::int64_t>::min();
  const Case cases[] = {
      {0, true, false, true, 7, 0, 0, 0},   // "Hide"
      {2, true, false, false, 7, 0, 0, 0},  // labels not wanted in this period
      {1, true, false, true, 7, 8, 1, 0},
      {2, false, false, true, 7, 10, 9, 0},
      {2, true, false, true, 7, 4, -1, -7 * pmdraw::kDay},
      {2, false, true, true, 3, 4, -1, -3 * pmdraw::kDay},
      {2, true, false, true, std::numeric_limits<std::int32_t>::max(), 4, -1, min64},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "side " << c.side << " offset " << c.offset);
    LevelSet t;
    DisplaySettings s = t.chart.settings();
    s.label_side = c.side;
    s.label_offset = c.offset;
    s.latest_map_mode = c.latest_map;
    t.draw(pmdraw::ladder_record(4508.25f), s, c.last_period, 1.0f, c.with_labels);

    EXPECT_EQ(t.map.label_side, c.side);
    const DrawnLevel& ut1 = level_named(t.list, "4512.25 UT1");
    if (c.alignment == 0) {
      EXPECT_EQ(ut1.label_id, 0);
      EXPECT_TRUE(t.chart.drawings_of_kind(host::kDrawingText).empty());
      continue;
    }
    const DrawingState& label = t.chart.drawing(ut1.label_id);
    EXPECT_EQ(label.text_alignment, c.alignment);
    EXPECT_EQ(label.begin_bar, c.begin_bar);
    EXPECT_EQ(label.begin_datetime, c.begin_datetime);
  }
}

TEST(LevelLines, VarAdAndMsdFollowTheirSwitchesWidthsAndKeyness) {
  LevelSet t;
  DisplaySettings s = t.chart.settings();
  s.show_minors = true;
  s.show_msd = true;
  PriceMapRecord r = pmdraw::ladder_record(100.0f);
  r.levels[kVAR] = 0.0f;  // VAR lines on top of the level line
  r.levels[kAD] = 1.5f;
  r.levels[kMSD] = -2.0f;  // no MSD lines around key levels
  t.draw(r, s);

  const DrawnLevel& ut4 = level_named(t.list, "112.00 UT4");
  EXPECT_EQ(t.chart.drawing(ut4.var_up_id).begin_price, 112.0f);
  EXPECT_EQ(t.chart.drawing(ut4.var_down_id).begin_price, 112.0f);
  EXPECT_EQ(t.chart.drawing(ut4.ad_up_id).end_price, 113.5f);
  EXPECT_EQ(ut4.msd_up_id, 0);
  EXPECT_EQ(ut4.msd_down_id, 0);
  // A minor level: no VAR lines, no band since VAR is 0, MSD lines from AD.
  const DrawnLevel& minor = level_named(t.list, "111.00 **");
  EXPECT_EQ(t.chart.drawing(minor.line_id).line_width, 1);
  EXPECT_EQ(t.chart.drawing(minor.line_id).line_style, 3);
  EXPECT_EQ(minor.var_up_id, 0);
  EXPECT_EQ(minor.ad_up_id, 0);
  EXPECT_EQ(t.chart.drawing(minor.msd_up_id).begin_price, 112.5f);
  EXPECT_EQ(t.chart.drawing(minor.msd_down_id).begin_price, 109.5f);

  LevelSet v;
  r.levels[kVAR] = -1.0f;  // no variance for the day
  v.draw(r, s);
  EXPECT_EQ(level_named(v.list, "112.00 UT4").var_up_id, 0);
  LevelSet w;
  r.levels[kVAR] = 0.75f;
  w.draw(r, s);
  const DrawnLevel& banded = level_named(w.list, "111.00 **");
  EXPECT_EQ(w.chart.drawing(banded.ad_down_id).end_price, 110.25f);
  EXPECT_NE(level_named(w.list, "112.00 UT4").var_up_id, 0);
}

TEST(LevelLines, MenuSwitchesShowTheirLevelsAlone) {
  PriceMapRecord r = pmdraw::ladder_record(100.0f);
  r.levels[kUL05] = r.levels[kR];
  const auto drawn_with = [&](bool r_on, bool dir_on, bool critical_on) {
    LevelSet t;
    DisplaySettings s = t.chart.settings();
    s.show_majors = false;
    s.show_minors = false;
    s.show_r = r_on;
    s.show_dir = dir_on;
    s.show_critical_range = critical_on;
    t.map.label_side = 9;
    t.draw(r, s);
    std::vector<std::string> texts;
    for (const DrawnLevel& l : t.list) texts.push_back(l.label_text);
    if (texts.empty()) {
      EXPECT_EQ(t.map.label_side, 9);  // untouched without a visible level
    }
    return texts;
  };
  using Texts = std::vector<std::string>;
  EXPECT_EQ(drawn_with(false, false, false), Texts{});
  EXPECT_EQ(drawn_with(true, false, false), Texts{"10.00 **"});
  EXPECT_EQ(drawn_with(false, true, false), Texts{"100.00 DIR"});
  EXPECT_EQ(drawn_with(false, false, true),
            (Texts{"10.00 **", "102.00 UP", "100.00 DIR", "98.00 DP"}));
}

TEST(LevelLines, NonFiniteLevelsKeepTheirEntriesButGetNoDrawings) {
  LevelSet t;
  DisplaySettings s = t.chart.settings();
  s.show_minors = true;
  s.show_msd = true;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  PriceMapRecord r = pmdraw::ladder_record(100.0f);
  r.levels[kUT1] = nan;
  r.levels[kDT1] = inf;
  r.levels[kDT2] = -inf;
  r.levels[kVAR] = nan;
  r.levels[kAD] = inf;
  t.draw(r, s, true, 1.0f);
  ASSERT_EQ(t.list.size(), 25u);
  // The host is never asked to place a drawing at a price that is not finite.
  const DrawnLevel& ut1 = t.list[8];
  EXPECT_EQ(ut1.line_id, 0);
  EXPECT_EQ(t.list[16].line_id, 0);
  EXPECT_EQ(t.list[18].line_id, 0);
  // A VAR that is not a number gives no width for the minors' bands, and an
  // infinite AD gives bands and MSD lines that reach no price.
  EXPECT_EQ(t.list[1].ad_up_id, 0);
  EXPECT_EQ(ut1.ad_up_id, 0);
  EXPECT_NE(t.list[0].line_id, 0);
  for (const auto& [id, d] : t.chart.host->drawings()) {
    EXPECT_TRUE(std::isfinite(d.begin_price)) << id;
    EXPECT_TRUE(std::isfinite(d.end_price)) << id;
  }
}

}  // namespace
}  // namespace pricemap
