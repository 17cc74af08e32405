// The user's display choices, read from the inputs whenever levels are drawn.
#pragma once

#include <cstdint>

#include "host/study_interface.h"

namespace pricemap {

struct DisplaySettings {
  std::uint32_t r_level_color = 0;
  std::uint32_t plus_c_color = 0;
  std::uint32_t minus_c_color = 0;
  std::uint32_t dir_color = 0;
  std::uint32_t up_pivot_color = 0;
  std::uint32_t down_pivot_color = 0;
  std::uint32_t minor_resistance_color = 0;
  std::uint32_t minor_support_color = 0;
  std::uint32_t crx_plus_color = 0;
  std::uint32_t crx_minus_color = 0;
  std::uint32_t cr_plus_color = 0;
  std::uint32_t cr_minus_color = 0;
  bool show_var = false;
  bool show_ad = false;
  bool show_msd = false;
  bool show_minors = false;
  bool show_majors = false;
  bool show_r = false;
  bool show_dir = false;
  bool show_critical_range = false;
  bool latest_map_mode = false;
  std::int32_t label_side = 0;
  std::int32_t label_offset = 0;
  std::int32_t major_width = 0;
  std::int32_t major_style = 0;
  std::int32_t minor_width = 0;
  std::int32_t minor_style = 0;
  std::int32_t price_labels = 0;
};

DisplaySettings build_display_settings(host::StudyInterface& sc);

}  // namespace pricemap
