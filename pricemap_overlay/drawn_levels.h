// Bookkeeping of every level drawing the study made, so that the drawings can
// be stretched to new bars and deleted again.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace pricemap {

struct DrawnLevel {
  std::int32_t line_id = 0;
  std::int32_t label_id = 0;
  std::int32_t var_up_id = 0;
  std::int32_t var_down_id = 0;
  std::int32_t msd_up_id = 0;
  std::int32_t msd_down_id = 0;
  std::int32_t ad_up_id = 0;
  std::int32_t ad_down_id = 0;
  std::string label_text;
};

using DrawingOf = std::int32_t DrawnLevel::*;

// Every drawing of a level, in the order a full redraw deletes them.
inline constexpr DrawingOf kDeleteOrder[] = {&DrawnLevel::line_id,   &DrawnLevel::label_id,
                                             &DrawnLevel::var_up_id, &DrawnLevel::var_down_id,
                                             &DrawnLevel::msd_up_id, &DrawnLevel::msd_down_id,
                                             &DrawnLevel::ad_up_id,  &DrawnLevel::ad_down_id};

// The drawings around a level's line, in the order they are drawn and
// stretched to new bars with it: VAR lines, AD bands, MSD lines.
inline constexpr DrawingOf kOffsetDrawings[] = {&DrawnLevel::var_up_id, &DrawnLevel::var_down_id,
                                                &DrawnLevel::ad_up_id,  &DrawnLevel::ad_down_id,
                                                &DrawnLevel::msd_up_id, &DrawnLevel::msd_down_id};

struct DrawnLevelMap {
  std::map<std::int32_t, std::vector<DrawnLevel>> by_day;
  std::int32_t last_day = 0;
  std::int32_t label_side = 0;
};

}  // namespace pricemap
