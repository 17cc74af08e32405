// parse_price_map on the ten-year daily map, against parsing the same text
// into a JSON value and dropping it: the least any reader of it must do.
#include <benchmark/benchmark.h>

#include <stdexcept>

#include <nlohmann/json.hpp>

#include "bench_suite_fixtures.h"
#include "pricemap_overlay/price_map_parser.h"
#include "pricemap_overlay/study_state.h"

namespace bench_suite {
namespace {

// The records count is the size: 2,600 daily price maps.
struct ParsePriceMap : Case {
  studyhost::ScriptedTransport transport;
  std::unique_ptr<studyhost::StudyLibrary> library = level_values_floor();
  studyhost::Host host{transport};
  studyhost::StudyInstance& study = host.add_study(*library);
  std::string body = ten_year_map(kPerPeriodBars);
  pricemap::StudyState state;

  ~ParsePriceMap() override { host::release(state.status_text); }

  void run() override {
    const char* text = body.c_str();
    // The host record answers the date-to-text request of the status.
    pricemap::parse_price_map(state, study.record(), &text);
    if (state.error_showing || state.records.size() != kDailyRecords) {
      throw std::runtime_error("the price map did not parse: " +
                               std::string(host::text_of(state.status_text)));
    }
  }
};

struct ParseJson : Case {
  std::string body = ten_year_map(kPerPeriodBars);
  void run() override {
    const nlohmann::json root = nlohmann::json::parse(body);
    benchmark::DoNotOptimize(root.size());
  }
};

const Registered parse_price_map{"parse_price_map", kDailyRecords, false,
                                 [](std::int32_t) { return std::make_unique<ParsePriceMap>(); }};

const Registered parse_json{"json_parse", kDailyRecords, false,
                            [](std::int32_t) { return std::make_unique<ParseJson>(); }};

}  // namespace
}  // namespace bench_suite
