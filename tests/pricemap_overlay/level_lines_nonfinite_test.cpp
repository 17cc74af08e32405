// Level drawings that once sent the host coordinates it cannot place.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "host/drawing_record.h"
#include "host/study_interface.h"
#include "pricemap_overlay/display_settings.h"
#include "pricemap_overlay/drawn_levels.h"
#include "pricemap_overlay/level_lines.h"
#include "pricemap_overlay/price_map.h"

namespace pricemap {
namespace {

// The prices of every request, in the order the host got them.
struct Requests {
  std::vector<float> begin_prices;
  std::vector<float> end_prices;
  std::int32_t next_id = 1;
};

Requests* requests_of(host::StudyInterface* sc) {
  return static_cast<Requests*>(sc->host_context);
}

std::int32_t take_drawing(host::StudyInterface* sc, host::DrawingRecord* r) {
  requests_of(sc)->begin_prices.push_back(r->begin_price);
  requests_of(sc)->end_prices.push_back(r->end_price);
  r->identifier = requests_of(sc)->next_id++;
  return r->identifier;
}

host::HostString value_text(host::StudyInterface*, double, std::int32_t) {
  host::HostString s = host::make_host_string();
  host::assign(s, "1.00");
  return s;
}

bool placeable(float price) {
  const auto bits = std::bit_cast<std::uint32_t>(price);
  return std::isfinite(price) || bits == host::kUnsetPriceBits;
}

DisplaySettings everything_shown() {
  DisplaySettings s;
  s.show_var = s.show_ad = s.show_msd = s.show_minors = s.show_majors = true;
  s.label_side = kLabelsRight;
  return s;
}

struct Drawn {
  Requests requests;
  std::vector<DrawnLevel> levels;
};

Drawn draw(PriceMapRecord record, float multiplier) {
  Drawn drawn;
  host::StudyInterface sc{};
  sc.host_context = &drawn.requests;
  sc.use_drawing = &take_drawing;
  sc.format_value = &value_text;
  sc.price_increment = 0.25f;
  sc.chart_number = 1;
  DrawnLevelMap map;
  draw_level_set({sc, map, everything_shown(), multiplier}, {0, 9, true, true}, record,
                 drawn.levels);
  return drawn;
}

PriceMapRecord record_at(float base, float var, float ad, float msd) {
  PriceMapRecord record;
  for (int i = 0; i < kLevelCount; ++i) record.levels[i] = base + static_cast<float>(i);
  record.levels[kVAR] = var;
  record.levels[kAD] = ad;
  record.levels[kMSD] = msd;
  return record;
}

bool nothing_drawn(const DrawnLevel& level) {
  return level.line_id == 0 && level.label_id == 0 && level.var_up_id == 0 &&
         level.var_down_id == 0 && level.msd_up_id == 0 && level.msd_down_id == 0 &&
         level.ad_up_id == 0 && level.ad_down_id == 0;
}

// A huge or non-numeric "Multiplier" input made every level line, label and
// offset an infinite or NaN price in the host's drawing requests. The levels
// keep their entries (with their label texts), without drawings.
TEST(LevelLinesRegression, MultiplierPastTheFloatRangeDrawsNothing) {
  for (const float multiplier :
       {1.0e38f, std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()}) {
    const Drawn drawn = draw(record_at(5000.0f, 2.0f, 1.0f, 3.0f), multiplier);
    EXPECT_TRUE(drawn.requests.begin_prices.empty()) << multiplier;
    ASSERT_EQ(drawn.levels.size(), 25u) << multiplier;
    for (const DrawnLevel& level : drawn.levels) {
      EXPECT_TRUE(nothing_drawn(level)) << multiplier;
      EXPECT_FALSE(level.label_text.empty());
    }
  }
}

// Levels near the float limit are drawn, but an offset line or band whose
// price overflows is left out instead of sent at infinity.
TEST(LevelLinesRegression, OffsetsThatOverflowAreLeftOutAndTheLevelStays) {
  const Drawn drawn = draw(record_at(3.0e38f, 3.0e38f, 3.0e38f, 3.0e38f), 1.0f);
  ASSERT_FALSE(drawn.levels.empty());
  for (std::size_t i = 0; i < drawn.requests.begin_prices.size(); ++i) {
    EXPECT_TRUE(placeable(drawn.requests.begin_prices[i]));
    EXPECT_TRUE(placeable(drawn.requests.end_prices[i]));
  }
  for (const DrawnLevel& level : drawn.levels) {
    EXPECT_NE(level.line_id, 0);
    EXPECT_NE(level.label_id, 0);
    // Upward offsets overflow; downward ones (3e38 - 3e38) stay on the chart.
    EXPECT_EQ(level.var_up_id, 0);
    EXPECT_NE(level.var_down_id, 0);
  }
}

TEST(LevelLinesRegression, NonFiniteLevelsAreNotDrawn) {
  PriceMapRecord record = record_at(5000.0f, 2.0f, 1.0f, 3.0f);
  for (int i = kUT4; i < kMinusC; ++i) record.levels[i] = std::numeric_limits<float>::infinity();
  const Drawn drawn = draw(record, 1.0f);
  ASSERT_EQ(drawn.levels.size(), 25u);
  for (const DrawnLevel& level : drawn.levels) EXPECT_TRUE(nothing_drawn(level));
  EXPECT_TRUE(drawn.requests.begin_prices.empty());
}

}  // namespace
}  // namespace pricemap
