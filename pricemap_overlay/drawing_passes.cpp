#include "pricemap_overlay/drawing_passes.h"

#include "pricemap_overlay/day_lookup.h"
#include "pricemap_overlay/level_lines.h"

namespace pricemap {
namespace {

// "Show Price Labels" entries.
constexpr std::int32_t kPriceLabelsAll = 0;
constexpr std::int32_t kPriceLabelsDisabled = 2;
// Period mode in which the single-period pass draws the price map of the last bar.
constexpr std::int32_t kPeriodModeLastBarDay = 1;

std::int64_t bar_time(host::StudyInterface& sc, std::int32_t bar) {
  return host::element(sc.bar_datetimes, bar);
}

// The periods of the two passes, and which of them carry price labels: with
// "Show Price Labels" at "All" every period, at "Current Session" the period
// that reaches the last bar (or the single pass's one), at "Disabled" none.
PeriodSpan earlier_period(std::int32_t first_bar, std::int32_t last_bar,
                          std::int32_t price_labels) {
  return PeriodSpan{first_bar, last_bar, false, price_labels == kPriceLabelsAll};
}

PeriodSpan last_period(std::int32_t first_bar, std::int32_t last_bar, std::int32_t price_labels) {
  return PeriodSpan{first_bar, last_bar, true, price_labels != kPriceLabelsDisabled};
}

// The single-period pass draws no "last period" of the per-period pass: its
// labels stand right of the last bar by the latest-map mode instead.
PeriodSpan single_period(std::int32_t first_bar, std::int32_t last_bar, std::int32_t price_labels) {
  return PeriodSpan{first_bar, last_bar, false, price_labels != kPriceLabelsDisabled};
}

void draw_period(const DrawingContext& context, const StudyState& state, std::int32_t day,
                 const PeriodSpan& span) {
  PriceMapRecord record = copy_record(state, day);
  draw_level_set(context, span, record, context.drawn.by_day[day]);
}

void delete_drawing(host::StudyInterface& sc, std::int32_t identifier) {
  sc.delete_drawing(&sc, sc.chart_number, 0, identifier);
}

// An update request: identifier and add mode, all else unset. The chart
// number stays at its initial value; the host applies it to the study's chart.
host::DrawingRequest update_request(std::int32_t identifier) {
  host::DrawingRequest r;
  r.identifier = identifier;
  r.add_mode = host::kAddOrUpdate;
  return r;
}

void extend_to(host::StudyInterface& sc, std::int32_t identifier, std::int32_t last_bar) {
  if (identifier == 0) return;
  host::DrawingRequest r = update_request(identifier);
  r.end_bar = last_bar;
  sc.use_drawing(&sc, &r);
}

}  // namespace

void redraw_all_levels(host::StudyInterface& sc) {
  StudyState* state = study_state(sc);
  if (state == nullptr) return;
  DrawnLevelMap& drawn = state->drawn;

  for (const auto& [day, levels] : drawn.by_day) {
    for (const DrawnLevel& level : levels) {
      for (const DrawingOf drawing : kDeleteOrder) delete_drawing(sc, level.*drawing);
    }
  }
  drawn.by_day.clear();

  if (state->error_showing) return;

  state->settings = build_display_settings(sc);
  const DrawingContext context{sc, drawn, state->settings,
                               host::float_value(input_at(sc, input::kMultiplier))};
  if (persistent_int(sc, slot::kLatestMapFlag) == 0) {
    draw_every_period(context, *state);
  } else {
    const std::int32_t period_mode = host::int_value(input_at(sc, input::kPeriodMode));
    draw_one_period(context, *state, period_mode);
  }
}

void draw_every_period(const DrawingContext& context, const StudyState& state) {
  host::StudyInterface& sc = context.sc;
  DrawnLevelMap& drawn = context.drawn;
  const std::int32_t price_labels = context.settings.price_labels;
  const std::int32_t n = sc.bar_count;
  if (n < 2) {
    drawn.last_day = 0;
    return;
  }

  DayLookup lookup;
  build_day_lookup(lookup, state.records, sc);

  std::int32_t current = 0;
  std::int32_t start = -1;
  // Bar 0 never belongs to a period.
  for (std::int32_t i = 1; i < n; ++i) {
    const std::int32_t day = day_for(lookup, bar_time(sc, i));
    if (day == current) continue;
    if (start != -1 && state.records.count(current) != 0) {
      draw_period(context, state, current, earlier_period(start, i - 1, price_labels));
    }
    current = day;
    start = i;
  }
  if (start > 0 && state.records.count(current) != 0) {
    draw_period(context, state, current, last_period(start, n - 1, price_labels));
  }
  drawn.last_day = current;
}

void draw_one_period(const DrawingContext& context, const StudyState& state,
                     std::int32_t period_mode) {
  host::StudyInterface& sc = context.sc;
  const std::int32_t n = sc.bar_count;
  const std::int32_t day = period_mode == kPeriodModeLastBarDay
                               ? day_at_or_before(state, sc, bar_time(sc, n - 1))
                               : latest_day(state);
  // The host is asked for the first bar even without a day to draw.
  const std::int64_t midnight = midnight_of(day);
  const std::int64_t lookup_time = sc.convert_for_bar_lookup(&sc, &midnight);
  const std::int32_t first_bar = sc.bar_index_at(&sc, sc.chart_number, lookup_time);
  if (day > 0 && state.records.count(day) != 0) {
    draw_period(context, state, day,
                single_period(first_bar, n - 1, context.settings.price_labels));
  }
  context.drawn.last_day = day;
}

void extend_last_period(const DrawingContext& context) {
  host::StudyInterface& sc = context.sc;
  DrawnLevelMap& drawn = context.drawn;
  const std::int32_t last_bar = sc.bar_count - 1;
  for (const DrawnLevel& level : drawn.by_day[drawn.last_day]) {
    if (level.line_id == 0) continue;
    extend_to(sc, level.line_id, last_bar);

    // Right-hand labels follow the newest bar through their anchor; left-hand
    // labels sit on the period's first bar and stay.
    if (level.label_id != 0 && drawn.label_side == kLabelsRight) {
      host::DrawingRequest r = update_request(level.label_id);
      r.begin_datetime = right_label_anchor(context.settings.label_offset);
      if (!level.label_text.empty()) {
        host::assign(r.text, level.label_text.c_str(), level.label_text.size());
      }
      sc.use_drawing(&sc, &r);
    }

    for (const DrawingOf drawing : kOffsetDrawings) extend_to(sc, level.*drawing, last_bar);
  }
}

}  // namespace pricemap
