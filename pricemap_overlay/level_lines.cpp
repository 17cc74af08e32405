#include "pricemap_overlay/level_lines.h"

#include <cmath>
#include <cstring>
#include <optional>
#include <string_view>

#include "host/text_case.h"
#include "pricemap_overlay/level_labels.h"

namespace pricemap {
namespace {

constexpr std::int32_t kLabelFontSize = 12;
// "Ariel", spelled so, is the face every label request carries, letter for
// letter: the host picks the nearest face it has (studyhost's font lookup
// does), and "correcting" it to Arial would change every label the study
// sends.
constexpr const char* kLabelFontFace = "Ariel";
constexpr std::int32_t kBandTransparency = 75;
constexpr std::uint16_t kOffsetLineWidth = 1;
constexpr std::uint16_t kOffsetLineStyle = host::kLineDot;
// VAR stands at exactly this value when the price map has none for the day.
constexpr float kNoVariance = -1.0f;

std::uint32_t level_color(const LevelLabel& label, bool above, const DisplaySettings& s) {
  std::optional<std::uint32_t> color;
  // The critical range levels are told apart by their text.
  if (host::equal_ignoring_case(label.text, "CRX+")) {
    color = s.crx_plus_color;
  } else if (host::equal_ignoring_case(label.text, "CRX-")) {
    color = s.crx_minus_color;
  } else if (host::equal_ignoring_case(label.text, "CR+")) {
    color = s.cr_plus_color;
  } else if (host::equal_ignoring_case(label.text, "CR-")) {
    color = s.cr_minus_color;
  }
  if (!label.is_key && !color) {
    color = above ? s.minor_resistance_color : s.minor_support_color;
  }
  // A level's role outranks its name and position.
  if (label.near_r) {
    color = s.r_level_color;
  } else if (label.near_plus_c) {
    color = s.plus_c_color;
  } else if (label.near_minus_c) {
    color = s.minus_c_color;
  } else if (label.is_up) {
    color = s.up_pivot_color;
  } else if (label.is_dp) {
    color = s.down_pivot_color;
  } else if (label.is_dir) {
    color = s.dir_color;
  }
  if (!color) color = above ? s.up_pivot_color : s.down_pivot_color;
  return *color;
}

bool is_visible(const LevelLabel& label, const DisplaySettings& s) {
  return (label.is_key && s.show_majors) || (!label.is_key && s.show_minors) ||
         (label.near_r && s.show_r) || (label.is_dir && s.show_dir) ||
         (s.show_critical_range && (label.is_up || label.is_dp || label.near_r || label.is_dir));
}

// Sends one request and gives back the identifier the host wrote into it.
std::int32_t submit(host::StudyInterface& sc, host::DrawingRequest& request) {
  sc.use_drawing(&sc, &request);
  return request.identifier;
}

// What every line and band of one period shares: chart, kind, the bars it
// spans, colour and add mode.
host::DrawingRequest spanning_request(const DrawingContext& c, const PeriodSpan& span,
                                      host::DrawingKind kind, std::uint32_t color) {
  host::DrawingRequest r;
  r.chart_number = c.sc.chart_number;
  r.kind = kind;
  r.begin_bar = span.first_bar;
  r.end_bar = span.last_bar;
  r.color = color;
  r.add_mode = host::kAddOrUpdate;
  return r;
}

std::int32_t draw_line(const DrawingContext& c, const PeriodSpan& span, float price,
                       std::uint32_t color, std::int32_t width, std::int32_t style) {
  // The host cannot place a drawing at no price or at an infinite one (a
  // level or multiplier past the float range, or an offset that overflows
  // it); such a drawing is not made and its identifier stays 0.
  if (!std::isfinite(price)) return 0;
  host::DrawingRequest r = spanning_request(c, span, host::kDrawingLine, color);
  r.begin_price = price;
  r.end_price = price;
  // The record holds 16-bit width and style: the low bits of the settings.
  r.line_width = static_cast<std::uint16_t>(width);
  r.line_style = static_cast<std::uint16_t>(style);
  return submit(c.sc, r);
}

std::int32_t draw_offset_line(const DrawingContext& c, const PeriodSpan& span, float price,
                              std::uint32_t color) {
  return draw_line(c, span, price, color, kOffsetLineWidth, kOffsetLineStyle);
}

std::int32_t draw_band(const DrawingContext& c, const PeriodSpan& span, float from, float to,
                       std::uint32_t color) {
  if (!std::isfinite(from) || !std::isfinite(to)) return 0;
  host::DrawingRequest r = spanning_request(c, span, host::kDrawingBand, color);
  r.begin_price = from;
  r.end_price = to;
  r.second_color = color;
  r.transparency_percent = kBandTransparency;
  r.line_width = kOffsetLineWidth;
  r.line_style = kOffsetLineStyle;
  return submit(c.sc, r);
}

std::int32_t draw_label(const DrawingContext& c, const PeriodSpan& span, float price,
                        std::uint32_t color, const std::string& text) {
  if (!std::isfinite(price)) return 0;
  const DisplaySettings& s = c.settings;
  host::DrawingRequest r;
  r.chart_number = c.sc.chart_number;
  r.kind = host::kDrawingText;
  r.begin_price = price;
  r.color = color;
  r.add_mode = host::kAddOrUpdate;
  r.region = 0;
  host::assign(r.text, text.c_str(), text.size());
  r.font_size = kLabelFontSize;
  host::assign(r.font_face, kLabelFontFace);
  r.reverse_text_color = 1;
  r.bold = 1;
  r.user_drawn = 0;
  // The newest period's labels, and every label of the single-period pass,
  // stand clear of the bars, label_offset bars right of the last one.
  const bool right_of_last_bar = span.is_last_period || s.latest_map_mode;
  if (s.label_side == kLabelsLeft) {
    r.text_alignment = kAlignBottomLeft;
    r.begin_bar = span.first_bar;
  } else if (s.label_side == kLabelsRight && !right_of_last_bar) {
    r.text_alignment = kAlignBottomRight;
    r.begin_bar = span.last_bar;
  } else if (s.label_side == kLabelsRight) {
    r.text_alignment = kAlignVerticalCentreLeft;
    r.begin_datetime = right_label_anchor(s.label_offset);
  }
  return submit(c.sc, r);
}

std::string label_text(host::StudyInterface& sc, float price, const std::string& level_text) {
  const host::OwnedString value(sc.format_value(&sc, static_cast<double>(price), sc.value_format));
  std::string text = host::text_of(value);
  text += ' ';
  text += level_text;
  return text;
}

}  // namespace

double drawn_price(float price, float multiplier, float price_increment) {
  // The product is a float one, as the level and the multiplier are floats;
  // only the rounding below is done in double.
  const double value = static_cast<double>(multiplier * price);
  const double increment = static_cast<double>(price_increment);
  if (increment == 0.0 || !std::isfinite(increment)) return value;
  // The count of whole increments is taken in 32 bits; a price that many
  // increments away (or not a number at all) keeps its unrounded value.
  const double count = value / increment;
  if (!(count > -2147483649.0 && count < 2147483648.0)) return value;
  const double toward_zero = static_cast<double>(static_cast<std::int32_t>(count)) * increment;
  const double remainder = value - toward_zero;
  // Half an increment or more rounds away from zero, and so does a remainder
  // short of the half by at most a thousandth of an increment: a level that
  // reads as a half-tick in decimal lands a hair below it in binary, and
  // still rounds the way it reads.
  const double short_of_half = increment * 0.5 - std::fabs(remainder);
  if (increment * 0.001 >= short_of_half) {
    if (value > 0.0) return toward_zero + increment;
    if (value < 0.0) return toward_zero - increment;
  }
  return toward_zero;
}

std::int64_t right_label_anchor(std::int32_t label_offset) {
  return host::round_to_int64(-static_cast<double>(label_offset) *
                              static_cast<double>(host::kMicrosPerDay));
}

void draw_level_set(const DrawingContext& context, const PeriodSpan& span, PriceMapRecord& record,
                    std::vector<DrawnLevel>& drawn_list) {
  host::StudyInterface& sc = context.sc;
  const DisplaySettings& settings = context.settings;
  const float multiplier = context.multiplier;
  const std::vector<LevelLabel> labels = build_level_labels(record, sc.price_increment);

  float reference = 0.0f;
  for (const LevelLabel& label : labels) {
    if (label.is_dir) {
      reference = label.price;
      break;
    }
  }

  const float variance = record.levels[kVAR];
  const float ad = record.levels[kAD];
  const float msd = record.levels[kMSD];

  for (const LevelLabel& label : labels) {
    if (!is_visible(label, settings)) continue;

    const bool above = label.price > reference;
    const std::uint32_t color = level_color(label, above, settings);
    const float price =
        static_cast<float>(drawn_price(label.price, multiplier, sc.price_increment));

    DrawnLevel level;
    level.label_text = label_text(sc, price, label.text);
    level.line_id =
        label.is_key
            ? draw_line(context, span, price, color, settings.major_width, settings.major_style)
            : draw_line(context, span, price, color, settings.minor_width, settings.minor_style);

    if (settings.label_side != kLabelsHidden && span.with_labels) {
      level.label_id = draw_label(context, span, price, color, level.label_text);
    }
    context.drawn.label_side = settings.label_side;

    if (label.is_key && settings.show_var && variance != kNoVariance) {
      const float offset = multiplier * variance;
      level.var_up_id = draw_offset_line(context, span, price + offset, color);
      level.var_down_id = draw_offset_line(context, span, price - offset, color);
    }

    // Minor levels take the next narrower width: their band from VAR, their
    // outer lines from AD.
    if (settings.show_ad) {
      const float w = multiplier * (label.is_key ? ad : variance);
      if (w > 0.0f) {
        level.ad_up_id = draw_band(context, span, price, price + w, color);
        level.ad_down_id = draw_band(context, span, price, price - w, color);
      }
    }

    if (settings.show_msd) {
      const float w = multiplier * (label.is_key ? msd : ad);
      if (w > 0.0f) {
        level.msd_up_id = draw_offset_line(context, span, price + w, color);
        level.msd_down_id = draw_offset_line(context, span, price - w, color);
      }
    }

    drawn_list.push_back(std::move(level));
  }
}

}  // namespace pricemap
