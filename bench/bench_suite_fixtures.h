// What the benchmark suite's cases share: generated charts and level data
// service responses, the minimal in-process studies that give each case its
// floor, and the case registry that both the timed runs and the instruction
// counts go through.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/study_interface.h"
#include "studyhost/runtime/studyhost.h"

namespace bench_suite {

inline constexpr std::int64_t kMinute = 60000000LL;
inline constexpr std::int64_t kDay = host::kMicrosPerDay;
// The first bar of every generated chart: Monday 2021-01-04 00:00.
inline constexpr std::int32_t kFirstBarDay = 44200;

// Sizes of the cases.
inline constexpr std::int32_t kLatestMapBars = 1000000;
inline constexpr std::int32_t kPerPeriodBars = 350000;
inline constexpr std::int32_t kDailyRecords = 2600;  // ten years of trading days
inline constexpr std::int32_t kTimeframeBars = 1000000;
inline constexpr std::int32_t kCsvRows = 1000000;

// Inputs of the two studies that the cases set.
namespace pricemap_input {
inline constexpr std::int32_t kPeriodMode = 36;
inline constexpr std::int32_t kSymbol = 39;
inline constexpr std::int32_t kApiKey = 41;
inline constexpr std::int32_t kPerPeriod = 2;
}  // namespace pricemap_input
namespace timeframe_input {
inline constexpr std::int32_t kSymbol = 1;
inline constexpr std::int32_t kApiKey = 2;
}  // namespace timeframe_input

// Weekday one-minute bars (1,440 a day, Saturdays and Sundays skipped) from
// kFirstBarDay on.
std::vector<studyhost::Bar> minute_bars(std::int32_t count);
// Day number of the last of `count` weekdays starting at `first_day`.
std::int32_t last_weekday(std::int32_t first_day, std::int32_t count);
// The `count` weekdays that end on `last_day`, ascending.
std::vector<std::int32_t> weekdays_ending(std::int32_t last_day, std::int32_t count);

// A level data service response with one record per day: the 32 price map
// levels and the High, Low and Close of the period records, all as price
// texts, so one body serves both studies.
std::string level_response(const std::vector<std::int32_t>& days);
// The ten-year daily price map ending on the last bar of a chart of `bars`.
std::string ten_year_map(std::int32_t bars);

// The bars file `studyhost run` reads: a header, then one bar a line.
std::string bars_csv(const std::vector<studyhost::Bar>& bars);

// Minimal studies run by the same host: what a study costs that does
// nothing but write its outputs through the host's accessors.
// Per-bar calling on; writes 15 values at the current bar.
std::unique_ptr<studyhost::StudyLibrary> level_values_floor();
// Per-bar calling off; writes 20 values on every bar from the first bar to
// update to the last.
std::unique_ptr<studyhost::StudyLibrary> period_outputs_floor();

// Loads a study library built with the suite; throws when it cannot.
std::unique_ptr<studyhost::StudyLibrary> load_study(const char* path);

// Lets downloads in flight end and be published; throws on a time-out.
void settle(studyhost::Host& host);

// One measured operation on a prepared chart. `prepare` runs untimed before
// every `run` when `prepare_each_run` is set (a full recalculation leaves a
// download to deliver first), else once before the first.
struct Case {
  virtual ~Case() = default;
  virtual void prepare() {}
  virtual void run() = 0;
  // Drawings on the chart after a run, reported beside the figures.
  virtual std::size_t drawings() const { return 0; }
  bool prepare_each_run = false;
};

using CaseFactory = std::function<std::unique_ptr<Case>(std::int32_t size)>;

struct CaseEntry {
  std::string name;
  std::int32_t size;  // bars (or rows) of the case's chart (or file) in the timed suite
  bool per_bar;       // one run handles every bar (row), so a figure per bar means something
  CaseFactory factory;
};

// A chart with one study on it, its downloads answered by a scripted
// transport. The host goes before the library and the transport.
struct Chart {
  studyhost::ScriptedTransport transport;
  std::unique_ptr<studyhost::StudyLibrary> library;
  std::unique_ptr<studyhost::Host> host;
  studyhost::StudyInstance* study = nullptr;

  Chart(std::unique_ptr<studyhost::StudyLibrary> study_library, std::int32_t bars)
      : library(std::move(study_library)), host(std::make_unique<studyhost::Host>(transport)) {
    host->set_bars(minute_bars(bars));
    study = &host->add_study(*library);
  }

  // A tick: the last bar's close moves and the study is called for it.
  void tick() {
    studyhost::Bar last = host->bars().back();
    last.close = last.close == last.high ? last.low : last.high;
    host->change_last_bar(last);
  }
};

// Every case of the suite, in the order registered.
std::vector<CaseEntry>& cases();

// Registers a case at start-up: `const Registered r{"name", size, per_bar, factory};`.
struct Registered {
  Registered(std::string name, std::int32_t size, bool per_bar, CaseFactory factory);
};

}  // namespace bench_suite
