#include <gtest/gtest.h>

#include "level_lines_chart.h"
#include "pricemap_overlay/display_settings.h"

namespace pricemap {
namespace {

using pmdraw::DrawingChart;

TEST(DisplaySettings, TheDeclaredDefaultsGiveTheStudysOwnLook) {
  DrawingChart chart(pmdraw::bars_on({{pmdraw::kDayA, 3}}));
  DisplaySettings s = build_display_settings(chart.sc());

  EXPECT_EQ(s.r_level_color, 0x0000FF00u);
  EXPECT_EQ(s.plus_c_color, 0x00FFFF00u);
  EXPECT_EQ(s.minus_c_color, 0x00FF00FFu);
  EXPECT_EQ(s.dir_color, 0x0000FFFFu);
  EXPECT_EQ(s.up_pivot_color, 0x000000FFu);
  EXPECT_EQ(s.down_pivot_color, 0x00FF0000u);
  EXPECT_EQ(s.minor_resistance_color, 0x0000008Bu);
  EXPECT_EQ(s.minor_support_color, 0x008B0000u);
  EXPECT_EQ(s.crx_plus_color, 0x00C1B6FFu);
  EXPECT_EQ(s.crx_minus_color, 0x00DB7093u);
  EXPECT_EQ(s.cr_plus_color, 0x00004080u);
  EXPECT_EQ(s.cr_minus_color, 0x00004080u);
  EXPECT_TRUE(s.show_var);
  EXPECT_TRUE(s.show_ad);
  EXPECT_FALSE(s.show_msd);
  EXPECT_FALSE(s.show_minors);
  EXPECT_TRUE(s.show_majors);
  // The menu-only switches have inputs nobody declared: off until flipped.
  EXPECT_FALSE(s.show_r);
  EXPECT_FALSE(s.show_dir);
  EXPECT_FALSE(s.show_critical_range);
  EXPECT_FALSE(s.latest_map_mode);
  EXPECT_EQ(s.label_side, 2);
  EXPECT_EQ(s.label_offset, 7);
  EXPECT_EQ(s.major_width, 2);
  EXPECT_EQ(s.major_style, 0);
  EXPECT_EQ(s.minor_width, 1);
  EXPECT_EQ(s.minor_style, 3);
  EXPECT_EQ(s.price_labels, 1);

  // The latest-map flag is read when the settings are built.
  *chart.study->persistent_int_cell(slot::kLatestMapFlag) = 1;
  EXPECT_TRUE(build_display_settings(chart.sc()).latest_map_mode);
}

TEST(DisplaySettings, EachFieldReadsItsOwnInputWithItsReader) {
  DrawingChart chart(pmdraw::bars_on({{pmdraw::kDayA, 3}}));
  studyhost::StudyInstance& study = *chart.study;
  const std::int32_t colour_inputs[] = {1, 2, 3, 4, 5, 6, 7, 8, 23, 24, 32, 33};
  for (std::int32_t n : colour_inputs) study.set_input_color(n, 0x00100000u + n);
  host::set_int(study.input(33), host::kKindYesNo, 5);  // a yes/no read as a colour is white

  host::set_int(study.input(11), host::kKindInteger, 2);  // any non-zero value is on
  host::set_int(study.input(12), host::kKindYesNo, 0);
  host::set_int(study.input(13), host::kKindYesNo, 1);
  host::set_int(study.input(25), host::kKindYesNo, 7);
  host::set_float(study.input(26), 0.5f);
  host::set_double(study.input(27), host::kKindDouble, 0.0);
  host::set_int(study.input(14), host::kKindYesNo, 1);
  host::set_int(study.input(10), host::kKindYesNo, 0);

  study.set_input_int(15, 1);
  host::set_float(study.input(19), 2.5f);                        // rounded half away from zero
  host::set_double(study.input(28), host::kKindDate, 45366.75);  // a date gives its day number
  study.set_input_int(29, 4);
  host::set_double(study.input(30), host::kKindTimeOfDay, 0.7083333333333334);  // 17:00:00
  study.set_input_int(31, 2);
  study.set_input_int(37, 0);

  const DisplaySettings s = build_display_settings(chart.sc());
  EXPECT_EQ(s.r_level_color, 0x00100001u);
  EXPECT_EQ(s.plus_c_color, 0x00100002u);
  EXPECT_EQ(s.minus_c_color, 0x00100003u);
  EXPECT_EQ(s.dir_color, 0x00100004u);
  EXPECT_EQ(s.up_pivot_color, 0x00100005u);
  EXPECT_EQ(s.down_pivot_color, 0x00100006u);
  EXPECT_EQ(s.minor_resistance_color, 0x00100007u);
  EXPECT_EQ(s.minor_support_color, 0x00100008u);
  EXPECT_EQ(s.crx_plus_color, 0x00100017u);
  EXPECT_EQ(s.crx_minus_color, 0x00100018u);
  EXPECT_EQ(s.cr_plus_color, 0x00100020u);
  EXPECT_EQ(s.cr_minus_color, 0x00FFFFFFu);
  EXPECT_TRUE(s.show_var);
  EXPECT_FALSE(s.show_ad);
  EXPECT_TRUE(s.show_msd);
  EXPECT_TRUE(s.show_r);
  EXPECT_TRUE(s.show_dir);
  EXPECT_FALSE(s.show_critical_range);
  EXPECT_TRUE(s.show_minors);
  EXPECT_FALSE(s.show_majors);
  EXPECT_EQ(s.label_side, 1);
  EXPECT_EQ(s.label_offset, 3);
  EXPECT_EQ(s.major_width, 45366);
  EXPECT_EQ(s.major_style, 4);
  EXPECT_EQ(s.minor_width, 61200);
  EXPECT_EQ(s.minor_style, 2);
  EXPECT_EQ(s.price_labels, 0);
}

}  // namespace
}  // namespace pricemap
