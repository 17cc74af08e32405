// The price map overlay study in the charting platform, through the bridge:
// a tick of the last bar in latest-map mode, on the tests' fake platform and
// stand-in SDK, beside the same tick through studyhost ("pricemap_latest_tick").
// The fake platform does no work of its own on a tick, so what the case costs
// above studyhost's is the bridge's.
#include <stdexcept>

#include "bench_suite_fixtures.h"
#include "fake_platform.h"
#include "platform/bridge.h"
#include "platform/date_time.h"
#include "pricemap_overlay/study_entry.h"

namespace bench_suite {
namespace {

void pricemap_in_platform(SCStudyInterfaceRef sc) {
  qlx_platform::run_in_platform(sc, &pricemap::run_study);
}

std::vector<SCDateTime> platform_bars(std::int32_t count) {
  std::vector<SCDateTime> bars;
  bars.reserve(static_cast<std::size_t>(count));
  for (const studyhost::Bar& bar : minute_bars(count)) {
    bars.push_back(qlx_platform::to_platform_time(bar.datetime));
  }
  return bars;
}

struct PlatformTick : Case {
  fake_platform::FakePlatform chart;
  fake_platform::Study* study = nullptr;

  explicit PlatformTick(std::int32_t bars) : chart(platform_bars(bars)) {
    study = &chart.add_study(&pricemap_in_platform);
    study->inputs[pricemap_input::kSymbol].SetString("ES");
    study->inputs[pricemap_input::kApiKey].SetString("BENCHKEY");
    chart.full_recalculation(*study);
    if (!study->request_in_flight) throw std::runtime_error("the price map was not requested");
    chart.respond(*study, ten_year_map(bars));
    const std::vector<float>& values = study->values[10];
    if (values.empty() || values.back() == 0.0f || study->drawings.size() < 2) {
      throw std::runtime_error("the price map study drew nothing in the platform");
    }
  }
  void run() override { chart.update_last_bar(*study); }
  std::size_t drawings() const override { return study->drawings.size(); }
};

const Registered platform_tick{
    "platform_latest_tick", kLatestMapBars, false,
    [](std::int32_t bars) { return std::make_unique<PlatformTick>(bars); }};

}  // namespace
}  // namespace bench_suite
