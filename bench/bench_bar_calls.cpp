// Bar calls of the price map overlay study through studyhost, on a chart of
// twenty days of 5-minute bars with a price map for every day:
// - an ordinary bar call in latest-map mode (an update of the last bar, which
//   writes the level values and does not extend);
// - a new tick in per-period mode, where every call of the last day's bars
//   re-sends the update requests of the last period's drawings.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/study_interface.h"
#include "pricemap_overlay/price_map.h"
#include "studyhost/runtime/studyhost.h"
#include "studyhost/runtime/value_text.h"

namespace {

constexpr std::int32_t kFirstDay = 45362;  // 2024-03-11
constexpr int kDays = 20;
constexpr int kBarsPerDay = 288;
constexpr std::int64_t kFiveMinutes = 300000000;

std::string daily_map() {
  std::string body = R"({"data": [)";
  for (int k = 0; k < kDays; ++k) {
    if (k > 0) body += ',';
    body += R"({"Name": "ES", "Date": ")" + studyhost::date_text(kFirstDay + k) + '"';
    for (int i = 0; i < pricemap::kLevelCount; ++i) {
      char price[32];
      // Widths (VAR, AD, MSD) small and positive, levels spread around 5000.
      const double value = i >= 1 && i <= 3 ? 1.5 + i : 5000.0 + k + (i - 16) * 4.0;
      std::snprintf(price, sizeof price, "%.2f", value);
      body += std::string(", \"") + pricemap::kLevelKeys[i] + "\": \"" + price + '"';
    }
    body += '}';
  }
  return body + "]}";
}

std::vector<studyhost::Bar> chart_bars() {
  std::vector<studyhost::Bar> bars;
  for (int k = 0; k < kDays; ++k) {
    for (int b = 0; b < kBarsPerDay; ++b) {
      const std::int64_t t = (kFirstDay + k) * host::kMicrosPerDay + b * kFiveMinutes;
      bars.push_back(studyhost::Bar{t, 5000.0f, 5001.0f, 4999.0f, 5000.5f, 1.0f});
    }
  }
  return bars;
}

struct Chart {
  explicit Chart(bool per_period) {
    std::string error;
    library = studyhost::StudyLibrary::load(QLX_PRICEMAP_OVERLAY_64_PATH, &error);
    if (!library) throw std::runtime_error(error);
    host = std::make_unique<studyhost::Host>(transport);
    host->set_bars(chart_bars());
    study = &host->add_study(*library);
    study->set_input_text(39, "ES");
    study->set_input_text(41, "KEY");
    // Every kind of drawing on: up to eight per level.
    study->set_input_yes_no(13, true);  // Show MSD
    study->set_input_yes_no(14, true);  // Show Minor Levels
    transport.respond("https://", daily_map());
    settle_full_recalculation();
    if (per_period) {
      study->set_input_int(36, 2);
      settle_full_recalculation();
    }
    last = host->bars().back();
  }
  void settle_full_recalculation() {
    host->full_recalculation();
    if (!host->settle_downloads(std::chrono::seconds(10))) throw std::runtime_error("timed out");
  }
  // A new tick: the last bar changes and the study is called for it.
  void tick(int n) {
    last.close = 5000.0f + static_cast<float>(n % 8) * 0.25f;
    host->change_last_bar(last);
  }

  studyhost::ScriptedTransport transport;
  std::unique_ptr<studyhost::StudyLibrary> library;
  std::unique_ptr<studyhost::Host> host;
  studyhost::StudyInstance* study = nullptr;
  studyhost::Bar last{};
};

std::size_t count_drawings(const Chart& chart) {
  return chart.host->drawings().size();
}

void BM_LatestMapBarCall(benchmark::State& bench) {
  Chart chart(false);
  int n = 0;
  for (auto _ : bench) chart.tick(++n);
  bench.counters["drawings"] = static_cast<double>(count_drawings(chart));
}
BENCHMARK(BM_LatestMapBarCall)->Unit(benchmark::kMicrosecond);

void BM_PerPeriodNewTick(benchmark::State& bench) {
  Chart chart(true);
  std::int64_t updates = 0;
  chart.host->set_observer([&](const studyhost::HostCall& call) {
    if (call.operation == "use_drawing") ++updates;
  });
  chart.tick(0);
  const std::int64_t per_tick = updates;
  chart.host->set_observer({});
  int n = 0;
  for (auto _ : bench) chart.tick(++n);
  bench.counters["updates_per_tick"] = static_cast<double>(per_tick);
}
BENCHMARK(BM_PerPeriodNewTick)->Unit(benchmark::kMicrosecond);

}  // namespace
