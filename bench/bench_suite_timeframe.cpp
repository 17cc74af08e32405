// The timeframe structure study's per-bar pass through studyhost, against
// the floor study that writes its 20 outputs on every bar.
#include <chrono>
#include <stdexcept>
#include <thread>

#include "bench_suite_fixtures.h"

namespace bench_suite {
namespace {

constexpr std::chrono::seconds kWait{30};
// Timeframes of one download cycle: D, W, M, Q, Y.
constexpr int kTimeframes = 5;
// Record dates well inside the chart, so every kind of period lands on bars.
constexpr std::int32_t kRecordWeekday = 400;

// The pass with all five records filled runs on the call that reads the
// last response of a download cycle: every bar is rewritten then. Each run
// is that call; the full recalculation and the first four responses before
// it are untimed.
struct LastResponsePass : Case {
  std::unique_ptr<Chart> chart;

  explicit LastResponsePass(std::int32_t bars)
      : chart(std::make_unique<Chart>(load_study(QLX_TIMEFRAME_STRUCTURE_64_PATH), bars)) {
    prepare_each_run = true;
    studyhost::StudyInstance& study = *chart->study;
    study.set_input_text(timeframe_input::kSymbol, "ES");
    study.set_input_text(timeframe_input::kApiKey, "BENCHKEY");
    const std::int32_t record_day = last_weekday(kFirstBarDay, kRecordWeekday);
    chart->transport.respond("https://", level_response(weekdays_ending(record_day, 5)));
    chart->host->full_recalculation();
    settle(*chart->host);
    // The year record is drawn on the chart's first year, its first bar included.
    if (host::element(study.subgraph(16).values, 0) == 0.0f) {
      throw std::runtime_error("the timeframe structure study wrote no year levels");
    }
  }

  void prepare() override {
    studyhost::Host& host = *chart->host;
    host.full_recalculation();
    for (int k = 1; k < kTimeframes; ++k) {
      if (!host.deliver_downloads(kWait)) throw std::runtime_error("download did not end");
    }
    // The last transfer ends before the timed delivery starts.
    const auto deadline = std::chrono::steady_clock::now() + kWait;
    while (!chart->study->http().completed()) {
      if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("no response");
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
  }

  void run() override {
    if (!chart->host->deliver_downloads(kWait)) throw std::runtime_error("download did not end");
  }
};

struct FloorPass : Case {
  std::unique_ptr<Chart> chart;
  explicit FloorPass(std::int32_t bars)
      : chart(std::make_unique<Chart>(period_outputs_floor(), bars)) {}
  void run() override { chart->host->full_recalculation(); }
};

const Registered timeframe_pass{"timeframe_pass", kTimeframeBars, true, [](std::int32_t bars) {
                                  return std::make_unique<LastResponsePass>(bars);
                                }};

const Registered floor_pass{"floor20_pass", kTimeframeBars, true,
                            [](std::int32_t bars) { return std::make_unique<FloorPass>(bars); }};

}  // namespace
}  // namespace bench_suite
