#include "pricemap_overlay/bar_calls.h"

#include "pricemap_overlay/drawing_passes.h"
#include "pricemap_overlay/level_menu.h"
#include "pricemap_overlay/level_values.h"

namespace pricemap {
namespace {

// Period mode 2 draws each day with its own price map; any other mode draws
// the latest price map everywhere.
constexpr std::int32_t kPerPeriodMode = 2;

bool latest_map_mode(host::StudyInterface& sc) {
  return persistent_int(sc, slot::kLatestMapFlag) != 0;
}

// Bar count − 1; an empty chart gives −1, which the host's arrays read as bar 0.
std::int32_t last_bar(const host::StudyInterface& sc) {
  return sc.bar_count > 0 ? sc.bar_count - 1 : -1;
}

std::int64_t bar_datetime(host::StudyInterface& sc, std::int32_t bar) {
  return host::element(sc.bar_datetimes, bar);
}

std::int32_t day_of(std::int64_t date_time) {
  return static_cast<std::int32_t>(date_time / host::kMicrosPerDay);
}

// The stored record of a day, read in place: a bar call must not allocate.
// A day without a record reads as the empty record. Nearly every bar call
// asks for the latest day, the map's last entry, which is taken without a
// search down the tree.
const PriceMapRecord& record_of_day(const StudyState& state, std::int32_t day) {
  static const PriceMapRecord kEmptyRecord;
  if (!state.records.empty()) {
    const auto& latest = *state.records.rbegin();
    if (latest.first == day) return latest.second;
  }
  const auto found = state.records.find(day);
  return found != state.records.end() ? found->second : kEmptyRecord;
}

// The price map day of the current bar, or false when the bar takes no
// values: in per-period mode only the bars of the last bar's day do, and the
// last bar entering another price map's day redraws everything.
bool choose_price_map_day(host::StudyInterface& sc, const StudyState& state, bool latest_map,
                          std::int32_t& day) {
  if (latest_map) {
    day = latest_day(state);
    return true;
  }
  const std::int64_t last_time = bar_datetime(sc, last_bar(sc));
  if (day_of(last_time) != day_of(bar_datetime(sc, sc.current_index))) return false;

  std::int32_t& period_day = persistent_int(sc, slot::kPeriodDay);
  const std::int32_t found = day_at_or_before(state, sc, last_time);
  if (found != period_day) {
    period_day = found;
    redraw_all_levels(sc);
  }
  day = period_day;
  return true;
}

}  // namespace

void on_state_created(host::StudyInterface& sc) {
  host::set_int(input_at(sc, input::kPeriodMode), host::kKindInteger, 0);
  create_level_menu(sc);
}

void on_last_call(host::StudyInterface& sc) {
  remove_level_menu(sc);
}

void rebuild_display_settings(host::StudyInterface& sc, StudyState& state) {
  state.settings = build_display_settings(sc);
}

void update_latest_map_flag(host::StudyInterface& sc) {
  const bool per_period = host::int_value(input_at(sc, input::kPeriodMode)) == kPerPeriodMode;
  persistent_int(sc, slot::kLatestMapFlag) = per_period ? 0 : 1;
}

void refresh_bar_zero_views(host::StudyInterface& sc, StudyState& state) {
  name_level_menu(sc);
  sync_level_menu_checks(sc);
  if (!latest_map_mode(sc)) {
    persistent_int(sc, slot::kPeriodDay) =
        day_at_or_before(state, sc, bar_datetime(sc, last_bar(sc)));
  }
  redraw_all_levels(sc);
  host::assign(host::element(sc.subgraphs, kSymbolLabelSubgraph).short_label,
               host::text_value(input_at(sc, input::kSymbol)));
}

void rewrite_bar_values(host::StudyInterface& sc, StudyState& state) {
  const std::int32_t last = last_bar(sc);
  if (last < 0) return;
  const float multiplier = host::float_value(input_at(sc, input::kMultiplier));
  if (latest_map_mode(sc)) {
    write_level_values(sc, record_of_day(state, latest_day(state)), 0, last, multiplier);
    return;
  }
  const std::int64_t last_time = bar_datetime(sc, last);
  std::int32_t first = last;
  while (first > 0 && day_of(bar_datetime(sc, first - 1)) == day_of(last_time)) --first;
  write_level_values(sc, record_of_day(state, day_at_or_before(state, sc, last_time)), first, last,
                     multiplier);
}

void write_bar_values_and_extend(host::StudyInterface& sc, StudyState& state) {
  // Read once per bar call: nothing in this step changes the mode.
  const bool latest_map = latest_map_mode(sc);
  std::int32_t day = 0;
  if (!choose_price_map_day(sc, state, latest_map, day)) return;

  const float multiplier = host::float_value(input_at(sc, input::kMultiplier));
  write_level_values(sc, record_of_day(state, day), sc.current_index, sc.current_index, multiplier);

  // In latest-map mode the drawings reach the newest bar when bar n−2 is
  // called: once per full recalculation and once per added bar, not on every
  // update of the last bar.
  const bool extend_due = std::int64_t{sc.current_index} == std::int64_t{sc.bar_count} - 2;
  if (latest_map && !extend_due) return;
  extend_last_period({sc, state.drawn, state.settings, multiplier});
}

}  // namespace pricemap
