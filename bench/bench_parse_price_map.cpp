// parse_price_map on a ten-year daily price map: about 2,600 dated records
// with all 32 levels as price texts.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

#include "pricemap_overlay/price_map_parser.h"
#include "pricemap_overlay/study_state.h"
#include "studyhost/runtime/studyhost.h"

namespace {

constexpr int kYears = 10;
constexpr int kTradingDaysPerYear = 260;

// Weekdays only, from 2015-01-05 (a Monday), each level a plain decimal text
// except a few in the fraction and 32nds forms the service also sends.
std::string ten_year_map() {
  std::string body = R"({"message": "", "data": [)";
  int year = 2015, month = 1, day = 5, weekday = 0;
  const int month_length[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  char buffer[64];
  for (int n = 0; n < kYears * kTradingDaysPerYear; ++n) {
    if (n > 0) body += ',';
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", year, month, day);
    body += R"({"Name": "ES", "Date": ")";
    body += buffer;
    body += '"';
    for (int i = 0; i < pricemap::kLevelCount; ++i) {
      body += ", \"";
      body += pricemap::kLevelKeys[i];
      body += "\": \"";
      if (i == 7) {
        std::snprintf(buffer, sizeof buffer, "%d 3/4", 2000 + n % 900);
      } else if (i == 8) {
        std::snprintf(buffer, sizeof buffer, "%d-16", 110 + n % 30);
      } else {
        std::snprintf(buffer, sizeof buffer, "%.2f", 2000.0 + n * 0.75 + i * 3.25);
      }
      body += buffer;
      body += '"';
    }
    body += '}';
    // Next weekday.
    const int step = weekday == 4 ? 3 : 1;
    weekday = weekday == 4 ? 0 : weekday + 1;
    day += step;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int length = month == 2 && leap ? 29 : month_length[month - 1];
    if (day > length) {
      day -= length;
      if (++month > 12) {
        month = 1;
        ++year;
      }
    }
  }
  body += "]}";
  return body;
}

void BM_ParseTenYearDailyMap(benchmark::State& bench) {
  studyhost::ScriptedTransport transport;
  std::string error;
  auto library = studyhost::StudyLibrary::load(QLX_PRICEMAP_OVERLAY_64_PATH, &error);
  if (!library) throw std::runtime_error(error);
  studyhost::Host host(transport);
  studyhost::StudyInstance& study = host.add_study(*library);

  const std::string body = ten_year_map();
  const char* text = body.c_str();
  pricemap::StudyState state;
  for (auto _ : bench) {
    pricemap::parse_price_map(state, study.record(), &text);
    benchmark::DoNotOptimize(state.records.size());
  }
  if (state.error_showing || state.records.size() != kYears * kTradingDaysPerYear) {
    bench.SkipWithError(host::text_of(state.status_text));
  }
  bench.counters["records"] = static_cast<double>(state.records.size());
  bench.counters["bytes"] = static_cast<double>(body.size());
  host::release(state.status_text);
}
BENCHMARK(BM_ParseTenYearDailyMap)->Unit(benchmark::kMillisecond);

}  // namespace
