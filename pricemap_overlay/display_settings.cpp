#include "pricemap_overlay/display_settings.h"

#include "pricemap_overlay/study_state.h"

namespace pricemap {
namespace {

std::uint32_t color_of(host::StudyInterface& sc, std::int32_t number) {
  return host::color_value(input_at(sc, number));
}

bool switch_of(host::StudyInterface& sc, std::int32_t number) {
  return host::yes_no_value(input_at(sc, number));
}

std::int32_t int_of(host::StudyInterface& sc, std::int32_t number) {
  return host::int_value_calendar(input_at(sc, number));
}

}  // namespace

DisplaySettings build_display_settings(host::StudyInterface& sc) {
  DisplaySettings s;
  s.r_level_color = color_of(sc, input::kRLevelColor);
  s.plus_c_color = color_of(sc, input::kPlusCColor);
  s.minus_c_color = color_of(sc, input::kMinusCColor);
  s.dir_color = color_of(sc, input::kDirColor);
  s.up_pivot_color = color_of(sc, input::kUpPivotColor);
  s.down_pivot_color = color_of(sc, input::kDownPivotColor);
  s.minor_resistance_color = color_of(sc, input::kMinorResistanceColor);
  s.minor_support_color = color_of(sc, input::kMinorSupportColor);
  s.crx_plus_color = color_of(sc, input::kCrxPlusColor);
  s.crx_minus_color = color_of(sc, input::kCrxMinusColor);
  s.cr_plus_color = color_of(sc, input::kCrPlusColor);
  s.cr_minus_color = color_of(sc, input::kCrMinusColor);
  s.show_var = switch_of(sc, input::kShowVariance);
  s.show_ad = switch_of(sc, input::kShowAd);
  s.show_msd = switch_of(sc, input::kShowMsd);
  s.show_minors = switch_of(sc, input::kShowMinors);
  s.show_majors = switch_of(sc, input::kShowMajors);
  // The three menu-only switches: their inputs are never declared, so until
  // the menu flips them they read as off.
  s.show_r = switch_of(sc, input::kShowR);
  s.show_dir = switch_of(sc, input::kShowDir);
  s.show_critical_range = switch_of(sc, input::kShowCriticalRange);
  s.latest_map_mode = persistent_int(sc, slot::kLatestMapFlag) != 0;
  s.label_side = int_of(sc, input::kShowLabels);
  s.label_offset = int_of(sc, input::kLabelOffset);
  s.major_width = int_of(sc, input::kMajorWidth);
  s.major_style = int_of(sc, input::kMajorStyle);
  s.minor_width = int_of(sc, input::kMinorWidth);
  s.minor_style = int_of(sc, input::kMinorStyle);
  s.price_labels = int_of(sc, input::kShowPriceLabels);
  return s;
}

}  // namespace pricemap
