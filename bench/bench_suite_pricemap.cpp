// The price map overlay study through studyhost: full recalculations and
// ticks in latest-map and per-period mode, each against the floor study that
// only writes the 15 level values.
#include <stdexcept>

#include "bench_suite_fixtures.h"

namespace bench_suite {
namespace {

// The price map study's first level value subgraph at a bar.
float level_value(Chart& chart, std::int32_t bar) {
  return host::element(chart.study->subgraph(10).values, bar);
}

// The price map study with the ten-year daily map downloaded and drawn.
std::unique_ptr<Chart> price_map_chart(std::int32_t bars, bool per_period) {
  auto chart = std::make_unique<Chart>(load_study(QLX_PRICEMAP_OVERLAY_64_PATH), bars);
  studyhost::StudyInstance& study = *chart->study;
  study.set_input_text(pricemap_input::kSymbol, "ES");
  study.set_input_text(pricemap_input::kApiKey, "BENCHKEY");
  chart->transport.respond("https://", ten_year_map(bars));
  chart->host->full_recalculation();
  settle(*chart->host);
  if (per_period) {
    // The study sets the period mode to 0 when it creates its state; the
    // mode is changed afterwards, as a user would.
    study.set_input_int(pricemap_input::kPeriodMode, pricemap_input::kPerPeriod);
    chart->host->full_recalculation();
    settle(*chart->host);
  }
  if (level_value(*chart, bars - 1) == 0.0f || chart->host->drawings().size() < 2) {
    throw std::runtime_error("the price map study drew nothing");
  }
  return chart;
}

// A full recalculation asks for the price map again; the answer is delivered
// between runs, untimed, so every run starts from the same state.
struct Recalculation : Case {
  std::unique_ptr<Chart> chart;
  explicit Recalculation(std::unique_ptr<Chart> c) : chart(std::move(c)) {
    prepare_each_run = true;
  }
  void prepare() override { settle(*chart->host); }
  void run() override { chart->host->full_recalculation(); }
  std::size_t drawings() const override { return chart->host->drawings().size(); }
};

struct Tick : Case {
  std::unique_ptr<Chart> chart;
  explicit Tick(std::unique_ptr<Chart> c) : chart(std::move(c)) {}
  void run() override { chart->tick(); }
  std::size_t drawings() const override { return chart->host->drawings().size(); }
};

std::unique_ptr<Chart> floor_chart(std::int32_t bars) {
  auto chart = std::make_unique<Chart>(level_values_floor(), bars);
  chart->host->full_recalculation();
  return chart;
}

const Registered latest_recalculation{
    "pricemap_latest_recalc", kLatestMapBars, true, [](std::int32_t bars) {
      return std::make_unique<Recalculation>(price_map_chart(bars, false));
    }};

const Registered floor_recalculation{"floor15_recalc", kLatestMapBars, true, [](std::int32_t bars) {
                                       return std::make_unique<Recalculation>(floor_chart(bars));
                                     }};

const Registered per_period_recalculation{
    "pricemap_per_period_recalc", kPerPeriodBars, true,
    [](std::int32_t bars) { return std::make_unique<Recalculation>(price_map_chart(bars, true)); }};

const Registered latest_tick{"pricemap_latest_tick", kLatestMapBars, false, [](std::int32_t bars) {
                               return std::make_unique<Tick>(price_map_chart(bars, false));
                             }};

const Registered per_period_tick{
    "pricemap_per_period_tick", kPerPeriodBars, false,
    [](std::int32_t bars) { return std::make_unique<Tick>(price_map_chart(bars, true)); }};

const Registered floor_tick{"floor15_tick", kLatestMapBars, false, [](std::int32_t bars) {
                              return std::make_unique<Tick>(floor_chart(bars));
                            }};

}  // namespace
}  // namespace bench_suite
