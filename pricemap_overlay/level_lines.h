// Drawing one price map record over one period: a line per visible level,
// its price label, and the VAR lines, AD bands and MSD lines around it.
#pragma once

#include <cstdint>
#include <vector>

#include "host/study_interface.h"
#include "pricemap_overlay/drawing_context.h"
#include "pricemap_overlay/drawn_levels.h"
#include "pricemap_overlay/price_map.h"

namespace pricemap {

// Draws the record's visible levels over the span's bars and appends one
// DrawnLevel per level drawn to `drawn_list`. The record is the caller's
// copy; its label list is built here. Only the label side is written in the
// context's map.
void draw_level_set(const DrawingContext& context, const PeriodSpan& span, PriceMapRecord& record,
                    std::vector<DrawnLevel>& drawn_list);

// The level's price scaled by the multiplier and rounded to the chart's price
// increment; a remainder of at least 0.499 of an increment rounds away from
// zero. An increment of 0, or a price too many increments away from zero to
// count them in 32 bits, leaves the price unrounded.
double drawn_price(float price, float multiplier, float price_increment);

// Anchor date-time of a label drawn right of the last bar: label_offset days
// before the host's zero date-time, which the host reads as that many bars to
// the right. Saturates where the product leaves 64 bits.
std::int64_t right_label_anchor(std::int32_t label_offset);

// Label alignment flags (the host's text-format bits).
inline constexpr std::int32_t kAlignVerticalCentreLeft = 4;
inline constexpr std::int32_t kAlignBottomLeft = 8;
inline constexpr std::int32_t kAlignBottomRight = 10;

// Label sides of the "Show Labels" input.
inline constexpr std::int32_t kLabelsHidden = 0;
inline constexpr std::int32_t kLabelsLeft = 1;
inline constexpr std::int32_t kLabelsRight = 2;

}  // namespace pricemap
