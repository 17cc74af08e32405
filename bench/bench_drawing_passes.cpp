// The per-period pass over a long chart: 350,000 bars against 2,600 daily
// price maps, with a host that only hands out identifiers, so the figure is
// the study's own cost (day lookup, labels, requests).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "host/study_interface.h"
#include "pricemap_overlay/day_lookup.h"
#include "pricemap_overlay/drawing_passes.h"
#include "pricemap_overlay/study_state.h"

namespace {

using pricemap::DisplaySettings;
using pricemap::DrawnLevelMap;
using pricemap::StudyState;

constexpr std::int32_t kBars = 350000;
constexpr std::int32_t kRecords = 2600;
constexpr std::int32_t kFirstDay = 42000;

struct BenchHost {
  host::StudyInterface sc{};
  std::vector<std::int64_t> times;
  std::int32_t next_id = 1;
};

std::int32_t use_drawing(host::StudyInterface* sc, host::DrawingRecord* r) {
  auto* h = static_cast<BenchHost*>(sc->host_context);
  if (r->identifier == host::kNewDrawing) r->identifier = h->next_id++;
  return r->identifier;
}

host::HostString format_value(host::StudyInterface*, double value, std::int32_t decimals) {
  host::HostString s = host::make_host_string();
  host::format(s, "%.*f", static_cast<int>(decimals), value);
  return s;
}

std::int64_t identity(host::StudyInterface*, const std::int64_t* t) {
  return *t;
}

std::int32_t first_bar(host::StudyInterface*, std::int32_t, std::int64_t) {
  return 0;
}

// Bars spread evenly over the days of the price maps, a little over 134 a day.
void set_up(BenchHost& h) {
  h.times.resize(kBars);
  const std::int64_t first = pricemap::midnight_of(kFirstDay);
  const std::int64_t span = pricemap::midnight_of(kFirstDay + kRecords) - first;
  for (std::int32_t i = 0; i < kBars; ++i) h.times[i] = first + span / kBars * i;
  h.sc.host_context = &h;
  h.sc.chart_number = 1;
  h.sc.value_format = 2;
  h.sc.price_increment = 0.25f;
  h.sc.bar_count = kBars;
  h.sc.bar_datetimes.elements = h.times.data();
  h.sc.bar_datetimes.count = kBars;
  h.sc.use_drawing = &use_drawing;
  h.sc.format_value = &format_value;
  h.sc.convert_to_chart_time = &identity;
  h.sc.convert_for_bar_lookup = &identity;
  h.sc.bar_index_at = &first_bar;
}

StudyState price_maps() {
  StudyState state;
  state.error_showing = false;
  for (std::int32_t d = 0; d < kRecords; ++d) {
    pricemap::PriceMapRecord& r = state.records[kFirstDay + d];
    for (int i = 0; i < pricemap::kLevelCount; ++i) {
      r.levels[i] = 4000.0f + static_cast<float>(d) + 2.5f * static_cast<float>(i);
    }
    r.levels[pricemap::kVAR] = 3.0f;
    r.levels[pricemap::kAD] = 6.0f;
    r.levels[pricemap::kMSD] = 9.0f;
  }
  return state;
}

// The inputs' defaults: majors with VAR and AD, labels right on the current session.
DisplaySettings default_settings() {
  DisplaySettings s;
  s.show_majors = true;
  s.show_var = true;
  s.show_ad = true;
  s.label_side = 2;
  s.label_offset = 7;
  s.major_width = 2;
  s.minor_width = 1;
  s.minor_style = 3;
  s.price_labels = 1;
  return s;
}

void BM_DrawEveryPeriod(benchmark::State& bench) {
  BenchHost h;
  set_up(h);
  const StudyState state = price_maps();
  const DisplaySettings settings = default_settings();
  std::size_t levels = 0;
  for (auto _ : bench) {
    DrawnLevelMap drawn;
    pricemap::draw_every_period({h.sc, drawn, settings, 1.0f}, state);
    levels = 0;
    for (const auto& [day, list] : drawn.by_day) levels += list.size();
    benchmark::DoNotOptimize(levels);
  }
  bench.counters["periods"] = kRecords;
  bench.counters["levels"] = static_cast<double>(levels);
  bench.counters["bars/s"] =
      benchmark::Counter(static_cast<double>(kBars), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_DrawEveryPeriod)->Unit(benchmark::kMillisecond);

// The day of every bar alone: one conversion per record, then a search per bar.
void BM_DayOfEveryBar(benchmark::State& bench) {
  BenchHost h;
  set_up(h);
  const StudyState state = price_maps();
  for (auto _ : bench) {
    pricemap::DayLookup lookup;
    pricemap::build_day_lookup(lookup, state.records, h.sc);
    std::int64_t sum = 0;
    for (std::int32_t i = 1; i < kBars; ++i) sum += pricemap::day_for(lookup, h.times[i]);
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_DayOfEveryBar)->Unit(benchmark::kMillisecond);

// For comparison: the record-by-record walk for every bar, on a tenth of the
// bars (the walk is linear in the records after the bar).
void BM_DayOfEveryTenthBarByWalk(benchmark::State& bench) {
  BenchHost h;
  set_up(h);
  const StudyState state = price_maps();
  for (auto _ : bench) {
    std::int64_t sum = 0;
    for (std::int32_t i = 1; i < kBars; i += 10) {
      sum += pricemap::day_at_or_before(state, h.sc, h.times[i]);
    }
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_DayOfEveryTenthBarByWalk)->Unit(benchmark::kMillisecond);

}  // namespace
