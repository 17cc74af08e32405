// The per-bar pass of the timeframe structure study over a million one-minute
// bars, with all five period records filled so that every check runs and
// matching bars are written. Also counts heap allocations during the pass,
// which must stay at zero however many bars there are.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <vector>

#include "host/study_interface.h"
#include "timeframe_structure/period_levels.h"

namespace {

std::atomic<long> allocations{0};

constexpr std::int64_t kMinute = 60000000LL;
constexpr std::int64_t kDay = host::kMicrosPerDay;
constexpr std::int32_t kBars = 1000000;
constexpr std::int64_t kFirstBar = 45292 * kDay;  // 2024-01-01 00:00

struct Chart {
  std::vector<std::int64_t> times;
  std::vector<std::vector<float>> values;
  std::vector<host::SubgraphSlot> slots;
  host::StudyInterface sc{};

  explicit Chart(std::int32_t bars)
      : times(static_cast<std::size_t>(bars)),
        values(timeframe::kOutputCount, std::vector<float>(static_cast<std::size_t>(bars))),
        slots(timeframe::kOutputCount) {
    for (std::int32_t i = 0; i < bars; ++i)
      times[static_cast<std::size_t>(i)] = kFirstBar + i * kMinute;
    sc.bar_count = bars;
    sc.bar_datetimes.elements = times.data();
    sc.bar_datetimes.count = bars;
    for (std::size_t n = 0; n < slots.size(); ++n) {
      slots[n].values.elements = values[n].data();
      slots[n].values.count = bars;
    }
    sc.subgraphs.elements = slots.data();
    sc.subgraphs.count = timeframe::kOutputCount;
  }
};

// Records dated inside the chart's second year, so each kind writes a span.
timeframe::PeriodRecords filled_records() {
  timeframe::PeriodRecords records{};
  const std::int64_t date = kFirstBar + 400 * kDay;  // 2025-02-04
  for (std::int32_t code = 1; code <= timeframe::kPeriodCount; ++code)
    timeframe::store_period(records, code, date, 110.0f, 90.0f, 101.0f);
  return records;
}

void BM_PeriodLevelsPass(benchmark::State& state) {
  Chart chart(kBars);
  const timeframe::PeriodRecords records = filled_records();
  long allocations_in_passes = 0;
  for (auto _ : state) {
    const long before = allocations.load();
    timeframe::write_period_levels(chart.sc, records, 0, kBars - 1, 61200, false);
    allocations_in_passes += allocations.load() - before;
    benchmark::DoNotOptimize(chart.values[0].data());
    benchmark::ClobberMemory();
  }
#if defined(__GLIBC__)  // counted only where malloc can be interposed
  state.counters["allocations_per_pass"] = benchmark::Counter(
      static_cast<double>(allocations_in_passes), benchmark::Counter::kAvgIterations);
#else
  (void)allocations_in_passes;
#endif
  state.SetItemsProcessed(state.iterations() * kBars);
}
BENCHMARK(BM_PeriodLevelsPass)->Unit(benchmark::kMillisecond);

// A chart update rewrites only the last bars.
void BM_PeriodLevelsUpdate(benchmark::State& state) {
  Chart chart(kBars);
  const timeframe::PeriodRecords records = filled_records();
  for (auto _ : state) {
    timeframe::write_period_levels(chart.sc, records, kBars - 2, kBars - 1, 61200, false);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_PeriodLevelsUpdate);

}  // namespace

#if defined(__GLIBC__)
// Every heap allocation of the process (operator new included) goes through
// malloc; glibc lets the program count them by interposing it.
extern "C" void* __libc_malloc(std::size_t size);
extern "C" void* malloc(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_malloc(size);
}
#endif
